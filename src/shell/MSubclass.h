#pragma once

// Routes chosen events of a window to client objects before (or instead of) the window's own
// handling. Several clients may share one event type and several event types one window; the
// bookkeeping lives in dynamic properties of the window itself, so nothing here keeps tables.

#include <QByteArray>
#include <QEvent>
#include <QString>
#include <QtGlobal>

class QObject;

/// What happens to the window's own handling of the event being dispatched.
enum EMsgResponse : qint32 {
    emrConsume = 0,     ///< only the clients handle it; the result is the last client's
    emrPostProcess = 1, ///< the window's own handling runs after the last client; its result
    emrPreprocess = 2,  ///< the window's own handling runs before the first client
};

/// A client of MSubclass. Must be detached from every window before it is destroyed.
class ISubclass {
public:
    virtual ~ISubclass() = default;
    /// The response for the event being dispatched (MSubclass::CurrentMessage()).
    virtual EMsgResponse MsgResponse() = 0;
    /// Stores the response that MsgResponse() gives.
    virtual void setMsgResponse(EMsgResponse RHS) = 0;
    /// Handles `event` sent to `hwnd`; returns whether it was handled (the dispatch result).
    virtual bool WindowProc(QObject* hwnd, QEvent* event) = 0;
};

namespace MSubclass {

/// Error numbers; the reported number is ErrorBase + n.
enum SubclassErrorNumber : int {
    errCantSubclass = 13081,   ///< the window's bookkeeping property is taken by something else
    errAlreadyHandled = 13082, ///< this client already handles that event of that window
    errInvalidWindow = 13083,  ///< no window, or an object that is not a window
    errExternalWindow = 13084, ///< the window belongs to another thread
};
constexpr qint32 ErrorBase = qint32(0x80040000u);

/// The outcome of AttachMessage and DetachMessage: number 0 is success.
struct SubclassError {
    qint32 number = 0;   ///< 0, or ErrorBase + n, or n itself for n below 1001
    QString source;      ///< "<program>.WindowProc" for the program's own errors
    QString description; ///< the text the user is shown
    /// True when the call succeeded.
    bool ok() const { return number == 0; }
};

/// The error for `n`: the program's own four numbers with source and description; any n
/// below 1001 unchanged with neither; 0 is success.
SubclassError RaiseSubclassError(int n);

/// Routes event type `iMsg` of `hwnd` to `client`, after the clients already attached to it.
/// Fails (changing nothing) for a null or non-window object (13083), a window of another
/// thread (13084), a window whose bookkeeping name is taken (13081) or a repeat (13082).
[[nodiscard]] SubclassError AttachMessage(ISubclass* client, QObject* hwnd, QEvent::Type iMsg);
/// Ends what AttachMessage began; the remaining clients keep their order. Detaching the last
/// attachment of a window gives the window its own handling back and removes every property.
/// A client that is not attached changes nothing.
[[nodiscard]] SubclassError DetachMessage(ISubclass* client, QObject* hwnd, QEvent::Type iMsg);

/// The event type most recently handed to a client on this thread (0 before the first).
int CurrentMessage();
/// True when `hwnd` lives in the calling thread (only such windows can be hooked).
bool IsWindowLocal(const QObject* hwnd);
/// Dispatches `event` of a hooked window to its clients as their responses ask; returns the
/// result (the last client's, or the window's own when it runs last). Events without clients
/// get the window's own handling.
bool SubclassWindowProc(QObject* hwnd, QEvent* event);

/// The name of the window-level property ("H"): the decimal text of the window's address.
QByteArray windowKey(const QObject* hwnd);

} // namespace MSubclass
