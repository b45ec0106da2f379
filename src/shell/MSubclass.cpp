#include "MSubclass.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QVariant>

namespace MSubclass {

namespace {

thread_local int currentMessage = 0;

/// The event filter installed on a hooked window; its address is the value of property H.
/// Events with no client pass straight on to the window.
class SubclassHook final : public QObject {
public:
    explicit SubclassHook(QObject* window)
        : QObject(window)
    {}
    Q_DISABLE_COPY_MOVE(SubclassHook)

    bool eventFilter(QObject* watched, QEvent* event) override;
};

QByteArray messageKey(const QObject* hwnd, int iMsg)
{
    return windowKey(hwnd) + '#' + QByteArray::number(iMsg);
}

QByteArray countKey(const QObject* hwnd, int iMsg)
{
    return messageKey(hwnd, iMsg) + 'C';
}

QByteArray clientKey(const QObject* hwnd, int iMsg, int i)
{
    return messageKey(hwnd, iMsg) + '#' + QByteArray::number(i);
}

int intProperty(const QObject* hwnd, const QByteArray& name)
{
    return hwnd->property(name.constData()).toInt();
}

ISubclass* clientAt(const QObject* hwnd, int iMsg, int i)
{
    const auto id = hwnd->property(clientKey(hwnd, iMsg, i).constData()).toULongLong();
    return reinterpret_cast<ISubclass*>(quintptr(id));
}

QVariant identity(ISubclass* client)
{
    return QVariant(qulonglong(reinterpret_cast<quintptr>(client)));
}

/// The hook stored in property H, or null when the window is not hooked.
SubclassHook* hookOf(const QObject* hwnd)
{
    return dynamic_cast<SubclassHook*>(
        hwnd->property(windowKey(hwnd).constData()).value<QObject*>());
}

/// 1-based index of `client` among the clients of `iMsg`, 0 when it is not one of them.
int indexOf(const QObject* hwnd, int iMsg, ISubclass* client)
{
    const int count = intProperty(hwnd, countKey(hwnd, iMsg));
    for (int i = 1; i <= count; ++i) {
        if (clientAt(hwnd, iMsg, i) == client)
            return i;
    }
    return 0;
}

void unhook(QObject* hwnd)
{
    const QByteArray key = windowKey(hwnd);
    if (SubclassHook* hook = hookOf(hwnd)) {
        hwnd->removeEventFilter(hook);
        hook->deleteLater(); // may be dispatching right now
    }
    hwnd->setProperty(key.constData(), QVariant());
    hwnd->setProperty(QByteArray(key + 'C').constData(), QVariant());
}

/// 0 when `hwnd` may be hooked from this thread, else the error number.
int checkWindow(const QObject* hwnd)
{
    if (!hwnd)
        return errInvalidWindow;
    if (!IsWindowLocal(hwnd)) // asked before anything else is read of another thread's object
        return errExternalWindow;
    return hwnd->isWidgetType() || hwnd->isWindowType() ? 0 : errInvalidWindow;
}

bool SubclassHook::eventFilter(QObject* watched, QEvent* event)
{
    if (intProperty(watched, countKey(watched, event->type())) < 1)
        return false;
    SubclassWindowProc(watched, event);
    return true; // the window's own handling has run already, or was not wanted
}

} // namespace

QByteArray windowKey(const QObject* hwnd)
{
    return QByteArray::number(qulonglong(reinterpret_cast<quintptr>(hwnd)));
}

SubclassError RaiseSubclassError(int n)
{
    SubclassError error;
    if (n == 0)
        return error;
    if (n < 1001) {
        error.number = n;
        return error;
    }
    error.number = ErrorBase + n;
    error.source = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() +
                   QStringLiteral(".WindowProc");
    switch (n) {
    case errCantSubclass:
        error.description = QStringLiteral("Can't subclass window");
        break;
    case errAlreadyHandled:
        error.description = QStringLiteral("Message already handled by another class");
        break;
    case errInvalidWindow:
        error.description = QStringLiteral("Invalid window");
        break;
    case errExternalWindow:
        error.description = QStringLiteral("Can't modify external window");
        break;
    default:
        break;
    }
    return error;
}

bool IsWindowLocal(const QObject* hwnd)
{
    return hwnd && hwnd->thread() == QThread::currentThread();
}

int CurrentMessage()
{
    return currentMessage;
}

SubclassError AttachMessage(ISubclass* client, QObject* hwnd, QEvent::Type iMsg)
{
    if (const int refused = checkWindow(hwnd))
        return RaiseSubclassError(refused);
    const QByteArray key = windowKey(hwnd);
    const int attachments = intProperty(hwnd, key + 'C');
    const QVariant stored = hwnd->property(key.constData());
    if (stored.isValid() != (attachments > 0) || (stored.isValid() && !hookOf(hwnd)))
        return RaiseSubclassError(errCantSubclass);
    // Checked before any count moves, so that a refused call leaves the window as it was.
    if (!client || indexOf(hwnd, iMsg, client) > 0)
        return RaiseSubclassError(errAlreadyHandled);

    if (attachments > 0) {
        hwnd->setProperty(QByteArray(key + 'C').constData(), attachments + 1);
    } else {
        auto* hook = new SubclassHook(hwnd);
        hwnd->installEventFilter(hook);
        hwnd->setProperty(key.constData(), QVariant::fromValue<QObject*>(hook));
        hwnd->setProperty(QByteArray(key + 'C').constData(), 1);
    }
    const int count = intProperty(hwnd, countKey(hwnd, iMsg));
    hwnd->setProperty(countKey(hwnd, iMsg).constData(), count + 1);
    hwnd->setProperty(clientKey(hwnd, iMsg, count + 1).constData(), identity(client));
    return {};
}

SubclassError DetachMessage(ISubclass* client, QObject* hwnd, QEvent::Type iMsg)
{
    if (const int refused = checkWindow(hwnd))
        return RaiseSubclassError(refused);
    const int j = indexOf(hwnd, iMsg, client);
    if (j == 0)
        return {};

    const QByteArray key = windowKey(hwnd);
    const int attachments = intProperty(hwnd, key + 'C');
    if (attachments <= 1)
        unhook(hwnd);
    else
        hwnd->setProperty(QByteArray(key + 'C').constData(), attachments - 1);

    const int count = intProperty(hwnd, countKey(hwnd, iMsg));
    for (int k = j + 1; k <= count; ++k)
        hwnd->setProperty(clientKey(hwnd, iMsg, k - 1).constData(),
                          identity(clientAt(hwnd, iMsg, k)));
    hwnd->setProperty(clientKey(hwnd, iMsg, count).constData(), QVariant());
    hwnd->setProperty(countKey(hwnd, iMsg).constData(),
                      count > 1 ? QVariant(count - 1) : QVariant());
    return {};
}

bool SubclassWindowProc(QObject* hwnd, QEvent* event)
{
    const QPointer<QObject> window(hwnd);
    const int iMsg = event->type();
    bool called = false;
    // The window's own handling, bypassing the filters: QObject::event is public and virtual.
    const auto previous = [&] {
        called = true;
        return window ? static_cast<QObject*>(hwnd)->event(event) : false;
    };
    const int count = intProperty(hwnd, countKey(hwnd, iMsg));
    if (count < 1)
        return previous();

    bool result = false;
    for (int i = 1; i <= count && window; ++i) {
        ISubclass* client = clientAt(hwnd, iMsg, i); // read afresh: a client may detach
        if (!client) {
            if (!called)
                result = previous();
            continue;
        }
        currentMessage = iMsg;
        if (i == 1 && client->MsgResponse() == emrPreprocess && !called)
            previous();
        result = client->WindowProc(hwnd, event);
        if (i == count && window && client->MsgResponse() == emrPostProcess && !called)
            result = previous();
    }
    return result;
}

} // namespace MSubclass
