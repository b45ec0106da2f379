#include "shell/MinTrackSize.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

TEST(MinTrackSize, TheBorderStopsAtTheTrackedSizeAndMaximisingStillWorks)
{
    QWidget window;
    window.resize(420, 310);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    MinTrackSize client(&window);
    ASSERT_TRUE(client.attach().ok());
    client.setMinTrack(window.width(), window.height());
    EXPECT_EQ(window.minimumSize(), QSize(420, 310));

    window.resize(200, 100); // what a drag of the border asks for
    EXPECT_EQ(window.size(), QSize(420, 310));
    window.resize(500, 400); // growing is free
    EXPECT_EQ(window.size(), QSize(500, 400));
    EXPECT_EQ(window.maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));

    const QSize screen = window.screen()->availableGeometry().size();
    window.showMaximized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.isMaximized(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry().size() == screen; }))
        << window.frameGeometry().width() << 'x' << window.frameGeometry().height();
    window.showNormal();

    // A tracked size beyond the screen is held to the screen, so maximising keeps working.
    client.setMinTrack(screen.width() + 500, screen.height() + 500);
    EXPECT_EQ(window.minimumSize(), screen);

    ASSERT_TRUE(client.detach().ok());
    EXPECT_EQ(window.minimumSize(), QSize(0, 0));
    EXPECT_TRUE(window.dynamicPropertyNames().isEmpty());
}

TEST(MinTrackSize, AnswersOnlyTheSizeQueryAndAlwaysConsumes)
{
    QWidget window;
    MinTrackSize client(&window);
    client.setMsgResponse(emrPostProcess);
    EXPECT_EQ(client.MsgResponse(), emrConsume);
    QEvent other(QEvent::User);
    EXPECT_FALSE(client.WindowProc(&window, &other));
    MinMaxInfoEvent info;
    info.ptMaxTrackSize = QPoint(900, 700);
    client.setMinTrack(30, 40);
    EXPECT_TRUE(client.WindowProc(&window, &info));
    EXPECT_EQ(info.ptMinTrackSize, QPoint(30, 40));
    EXPECT_EQ(info.ptMaxTrackSize, QPoint(900, 700)); // the other fields are left alone
}

} // namespace
