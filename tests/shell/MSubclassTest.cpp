#include "shell/MSubclass.h"
#include "shell/MinTrackSize.h"

#include <QCoreApplication>
#include <QScreen>
#include <QStringList>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>

namespace {

const auto Probe = QEvent::Type(QEvent::registerEventType());
const auto Other = QEvent::Type(QEvent::registerEventType());

/// A window that logs its own handling of the probe events.
class LoggingWidget final : public QWidget {
public:
    explicit LoggingWidget(QStringList& log)
        : m_log(log)
    {}
    bool ownResult = true;

protected:
    bool event(QEvent* e) override
    {
        if (e->type() == Probe || e->type() == Other) {
            m_log << QStringLiteral("window");
            return ownResult;
        }
        return QWidget::event(e);
    }

private:
    QStringList& m_log;
};

/// A client that logs when it is asked its response ("A?") and when it handles ("A").
class Recorder final : public ISubclass {
public:
    Recorder(QString name, QStringList& log, EMsgResponse response = emrConsume)
        : m_name(std::move(name))
        , m_log(log)
        , m_response(response)
    {}
    EMsgResponse MsgResponse() override
    {
        m_log << m_name + u'?';
        askedDuring = MSubclass::CurrentMessage();
        return m_response;
    }
    void setMsgResponse(EMsgResponse RHS) override { m_response = RHS; }
    bool WindowProc(QObject* hwnd, QEvent*) override
    {
        m_log << m_name;
        if (onProc)
            onProc(hwnd);
        return result;
    }
    bool result = false;
    int askedDuring = 0;
    std::function<void(QObject*)> onProc;

private:
    QString m_name;
    QStringList& m_log;
    EMsgResponse m_response;
};

bool send(QObject* window, QEvent::Type type)
{
    QEvent e(type);
    return QCoreApplication::sendEvent(window, &e);
}

class MSubclassTest : public ::testing::Test {
protected:
    QStringList log;
    LoggingWidget window{log};
};

struct OrderCase {
    std::vector<EMsgResponse> responses;
    QStringList expected;
    bool result; ///< SubclassWindowProc's result: clients answer false, the window true
};

class DispatchOrder : public MSubclassTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(DispatchOrder, ClientsAndTheWindowRunInTheirOrderAndTheWindowAtMostOnce)
{
    const OrderCase& c = GetParam();
    std::vector<std::unique_ptr<Recorder>> clients;
    for (size_t i = 0; i < c.responses.size(); ++i) {
        clients.push_back(
            std::make_unique<Recorder>(QString(QChar(u'A' + int(i))), log, c.responses[i]));
        ASSERT_TRUE(MSubclass::AttachMessage(clients.back().get(), &window, Probe).ok());
    }
    QEvent e(Probe);
    EXPECT_EQ(MSubclass::SubclassWindowProc(&window, &e), c.result);
    EXPECT_EQ(log, c.expected);

    log.clear(); // the real path: Qt's delivery through the hook runs the same, no more
    send(&window, Probe);
    EXPECT_EQ(log, c.expected);
    for (auto& client : clients)
        ASSERT_TRUE(MSubclass::DetachMessage(client.get(), &window, Probe).ok());
}

INSTANTIATE_TEST_SUITE_P(
    Responses, DispatchOrder,
    ::testing::Values(
        OrderCase{{emrConsume}, {"A?", "A", "A?"}, false},
        OrderCase{{emrPostProcess}, {"A?", "A", "A?", "window"}, true},
        OrderCase{{emrPreprocess}, {"A?", "window", "A", "A?"}, false},
        OrderCase{{emrConsume, emrConsume}, {"A?", "A", "B", "B?"}, false},
        OrderCase{{emrPreprocess, emrPostProcess}, {"A?", "window", "A", "B", "B?"}, false},
        OrderCase{{emrConsume, emrPostProcess}, {"A?", "A", "B", "B?", "window"}, true},
        OrderCase{{emrPostProcess, emrConsume}, {"A?", "A", "B", "B?"}, false},
        OrderCase{{emrConsume, emrPreprocess, emrConsume}, {"A?", "A", "B", "C", "C?"}, false}));

TEST_F(MSubclassTest, DetachKeepsTheOrderAndLeavesNoPropertiesBehind)
{
    Recorder a(QStringLiteral("A"), log), b(QStringLiteral("B"), log), c(QStringLiteral("C"), log);
    for (Recorder* r : {&a, &b, &c})
        ASSERT_TRUE(MSubclass::AttachMessage(r, &window, Probe).ok());
    ASSERT_TRUE(MSubclass::AttachMessage(&a, &window, Other).ok());

    ASSERT_TRUE(MSubclass::DetachMessage(&a, &window, Probe).ok());
    log.clear();
    send(&window, Probe);
    EXPECT_EQ(log, (QStringList{"B?", "B", "C", "C?"}));

    for (Recorder* r : {&b, &c})
        ASSERT_TRUE(MSubclass::DetachMessage(r, &window, Probe).ok());
    ASSERT_TRUE(MSubclass::DetachMessage(&a, &window, Other).ok());
    EXPECT_TRUE(window.dynamicPropertyNames().isEmpty())
        << window.dynamicPropertyNames().join(' ').toStdString();
    log.clear();
    send(&window, Probe);
    EXPECT_EQ(log, QStringList{"window"}); // the window's own handling is back
}

TEST_F(MSubclassTest, RefusedCallsReportTheirErrorAndChangeNothing)
{
    Recorder a(QStringLiteral("A"), log);

    EXPECT_EQ(MSubclass::AttachMessage(&a, nullptr, Probe).number, -2147208421);
    QObject notAWindow;
    EXPECT_EQ(MSubclass::AttachMessage(&a, &notAWindow, Probe).number, -2147208421);

    QThread elsewhere; // never started: the object merely belongs to it
    QObject external;
    external.moveToThread(&elsewhere);
    EXPECT_FALSE(MSubclass::IsWindowLocal(&external));
    EXPECT_TRUE(MSubclass::IsWindowLocal(&window));
    EXPECT_EQ(MSubclass::AttachMessage(&a, &external, Probe).number, -2147208420);
    EXPECT_TRUE(external.dynamicPropertyNames().isEmpty());

    window.setProperty(MSubclass::windowKey(&window).constData(), QStringLiteral("taken"));
    EXPECT_EQ(MSubclass::AttachMessage(&a, &window, Probe).number, -2147208423);
    EXPECT_EQ(window.dynamicPropertyNames().size(), 1);
    window.setProperty(MSubclass::windowKey(&window).constData(), QVariant());

    ASSERT_TRUE(MSubclass::AttachMessage(&a, &window, Probe).ok());
    EXPECT_EQ(MSubclass::AttachMessage(&a, &window, Probe).number, -2147208422);
    ASSERT_TRUE(MSubclass::DetachMessage(&a, &window, Probe).ok());
    EXPECT_TRUE(window.dynamicPropertyNames().isEmpty());
}

TEST_F(MSubclassTest, CurrentMessageAndNestedDispatch)
{
    Recorder outer(QStringLiteral("O"), log), inner(QStringLiteral("I"), log);
    ASSERT_TRUE(MSubclass::AttachMessage(&outer, &window, Probe).ok());
    ASSERT_TRUE(MSubclass::AttachMessage(&inner, &window, Other).ok());
    outer.onProc = [](QObject* w) {
        send(w, Other);
    };
    send(&window, Probe);
    EXPECT_EQ(log, (QStringList{"O?", "O", "I?", "I", "I?", "O?"}));
    EXPECT_EQ(outer.askedDuring, int(Other)); // not put back after the nested dispatch
    EXPECT_EQ(MSubclass::CurrentMessage(), int(Other));
    ASSERT_TRUE(MSubclass::DetachMessage(&outer, &window, Probe).ok());
    ASSERT_TRUE(MSubclass::DetachMessage(&inner, &window, Other).ok());
}

TEST_F(MSubclassTest, AClientMayDetachItselfWhileHandling)
{
    Recorder a(QStringLiteral("A"), log, emrPostProcess);
    ASSERT_TRUE(MSubclass::AttachMessage(&a, &window, Probe).ok());
    a.onProc = [&a](QObject* w) {
        ASSERT_TRUE(MSubclass::DetachMessage(&a, w, Probe).ok());
    };
    send(&window, Probe);
    EXPECT_EQ(log, (QStringList{"A?", "A", "A?", "window"}));
    EXPECT_TRUE(window.dynamicPropertyNames().isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    log.clear();
    send(&window, Probe);
    EXPECT_EQ(log, QStringList{"window"});
}

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

} // namespace
