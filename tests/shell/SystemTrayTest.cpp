#include "shell/SystemTray.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

/// A shown window with a tray whose availability and close answer the test decides.
struct TrayFixture {
    explicit TrayFixture(bool available)
        : tray(
              &window,
              [this] {
                  ++closeRequests;
                  return closeAccepted && window.close();
              },
              [this] { return trayAvailable; })
        , trayAvailable(available)
    {
        window.setWindowTitle(QStringLiteral("Kestrelfind"));
        window.resize(300, 200);
        window.show();
    }
    QWidget window;
    SystemTray tray;
    bool trayAvailable;
    bool closeAccepted = true;
    int closeRequests = 0;
};

QAction* action(QMenu* menu, const char* name)
{
    return menu->findChild<QAction*>(QLatin1String(name));
}

TEST(SystemTray, HidesBehindTheIconAndComesBackTheSameWayEveryTime)
{
    TrayFixture f(true);
    QList<bool> changes;
    QObject::connect(&f.tray, &SystemTray::inTrayChanged, [&](bool in) { changes << in; });
    EXPECT_EQ(f.tray.icon()->contextMenu(), f.tray.menu());
    EXPECT_EQ(f.tray.menu()->defaultAction(), action(f.tray.menu(), "mnuSysTrayRest"));
    for (int round = 0; round < 2; ++round) {
        f.tray.GoSystemTray();
        EXPECT_TRUE(f.tray.InTray());
        EXPECT_FALSE(f.window.isVisible());
        EXPECT_TRUE(f.tray.icon()->isVisible());
        EXPECT_EQ(f.tray.icon()->toolTip(), QStringLiteral("Kestrelfind"));
        EXPECT_FALSE(f.tray.icon()->icon().isNull());

        // Single clicks, the middle button and the menu key leave it where it is.
        for (const auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::MiddleClick,
                                  QSystemTrayIcon::Context, QSystemTrayIcon::Unknown})
            Q_EMIT f.tray.icon()->activated(reason);
        EXPECT_TRUE(f.tray.InTray());
        EXPECT_FALSE(f.window.isVisible());

        if (round == 0)
            Q_EMIT f.tray.icon()->activated(QSystemTrayIcon::DoubleClick);
        else
            action(f.tray.menu(), "mnuSysTrayRest")->trigger();
        EXPECT_FALSE(f.tray.InTray());
        EXPECT_TRUE(f.window.isVisible());
        EXPECT_FALSE(f.tray.icon()->isVisible());
    }
    EXPECT_EQ(f.closeRequests, 0);
    EXPECT_EQ(changes, (QList<bool>{true, false, true, false}));

    // Restore also brings a minimized window back, as a second start of the program asks.
    f.window.showMinimized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return f.window.isMinimized(); }));
    f.tray.GoSystemTray();
    f.tray.mnuSysTrayRest_Click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !f.window.isMinimized(); }));
    EXPECT_TRUE(f.window.isVisible());

    // A double-click arriving when the window is not in the tray changes nothing.
    f.window.hide();
    Q_EMIT f.tray.icon()->activated(QSystemTrayIcon::DoubleClick);
    EXPECT_FALSE(f.window.isVisible());
}

TEST(SystemTray, ExitClosesOrShowsTheWindowAgainWhenTheCloseIsRefused)
{
    TrayFixture f(true);
    f.closeAccepted = false; // a search is running
    f.tray.GoSystemTray();
    action(f.tray.menu(), "mnuSysTrayExit")->trigger();
    EXPECT_EQ(f.closeRequests, 1);
    EXPECT_TRUE(f.window.isVisible());
    EXPECT_FALSE(f.tray.InTray());
    EXPECT_FALSE(f.tray.icon()->isVisible());

    f.closeAccepted = true;
    f.tray.GoSystemTray();
    action(f.tray.menu(), "mnuSysTrayExit")->trigger();
    EXPECT_EQ(f.closeRequests, 2);
    EXPECT_FALSE(f.window.isVisible());
    EXPECT_FALSE(f.tray.InTray());
    EXPECT_FALSE(f.tray.icon()->isVisible()); // no icon left behind
}

} // namespace
