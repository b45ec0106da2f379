#include "app/FindCommand.h"
#include "app/Program.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (FindCommand::wanted(argc, argv))
        return FindCommand::run(argc, argv);

    QApplication app(argc, argv);
    Program program;
    if (!program.start())
        return 0;
    return QApplication::exec();
}
