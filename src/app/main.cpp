#include "app/FindCommand.h"
#include "app/Form1.h"

#include <QApplication>

int main(int argc, char** argv)
{
    if (FindCommand::wanted(argc, argv))
        return FindCommand::run(argc, argv);

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrelfind"));
    QApplication::setOrganizationName(QStringLiteral("Willow Brookes"));
    Form1 window;
    window.show();
    return QApplication::exec();
}
