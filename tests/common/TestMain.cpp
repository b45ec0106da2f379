// Test entry point: a Qt application object (widgets only for the widget tests) and a
// private home folder for the whole process, so that no test ever sees the user's own.
#include "TempHome.h"

#include <gtest/gtest.h>

#ifdef KF_TEST_GUI
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    TempHome processHome; // before the application object, which reads some of it
    TestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
