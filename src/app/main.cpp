#include "app/FindCommand.h"
#include "app/Program.h"
#include "app/WindowCommand.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (FindCommand::wanted(argc, argv))
        return FindCommand::run(argc, argv);
    if (const QByteArray error = WindowCommand::missingDisplay(argc, argv); !error.isEmpty())
        return WindowCommand::refuse(error);

    QApplication app(argc, argv); // takes Qt's own options out of argv
    if (const QByteArray error = WindowCommand::leftOverArguments(argc, argv); !error.isEmpty())
        return WindowCommand::refuse(error);
    Program program;
    if (!program.start())
        return 0;
    return QApplication::exec();
}
