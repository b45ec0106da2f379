#include "app/FindCommand.h"
#include "app/Program.h"
#include "app/WindowCommand.h"
#include "search/SearchEngine.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (FindCommand::wanted(argc, argv))
        return FindCommand::run(argc, argv);
    if (const QByteArray error = WindowCommand::missingDisplay(argc, argv); !error.isEmpty())
        return WindowCommand::refuse(error);

    QApplication app(argc, argv); // takes Qt's own options out of argv
    if (const QByteArray error = WindowCommand::leftOverArguments(argc, argv); !error.isEmpty())
        return WindowCommand::refuse(error);
    int code = 0;
    {
        Program program;
        if (!program.start())
            return 0;
        code = QApplication::exec();
    }
    // A search stuck in a folder that does not answer still has a thread: nothing it may touch
    // when it wakes can be destroyed. The settings were saved as the window closed.
    if (SearchEngine::walksAbandoned()) {
        std::fflush(nullptr);
        std::_Exit(code);
    }
    return code;
}
