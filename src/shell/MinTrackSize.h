#pragma once

// The window's answer to "how small may the user drag me": a GetMinMaxInfo event, sent to a
// window whenever its size limits are worked out, carries the limits as the system would
// give them; a client of MSubclass may change them before they are applied.

#include "shell/MSubclass.h"

#include <QEvent>
#include <QPoint>

class QWidget;

/// The limits of a window's size while they are being worked out.
class MinMaxInfoEvent final : public QEvent {
public:
    MinMaxInfoEvent();
    /// The event type (registered once per process).
    static QEvent::Type message();

    QPoint ptMaxSize;      ///< size of the maximised window (informational)
    QPoint ptMaxPosition;  ///< position of the maximised window (informational)
    QPoint ptMinTrackSize; ///< smallest size the border can be dragged to
    QPoint ptMaxTrackSize; ///< largest size the border can be dragged to

    /// Sends the event to `window` with the system's limits (no minimum, no maximum but
    /// Qt's, the screen for the maximised size) and applies what comes back as the window's
    /// minimum and maximum size.
    static void query(QWidget* window);
};

/// The main window's own client for MinMaxInfoEvent: the user cannot drag the window
/// smaller than MinTrackWidth by MinTrackHeight; maximising is left alone.
class MinTrackSize final : public ISubclass {
public:
    /// `window` is the window this client answers for (not owned).
    explicit MinTrackSize(QWidget* window);
    Q_DISABLE_COPY_MOVE(MinTrackSize)

    /// Hooks the window's MinMaxInfoEvent; see MSubclass::AttachMessage.
    [[nodiscard]] MSubclass::SubclassError attach();
    /// Unhooks it and lifts the limit; see MSubclass::DetachMessage.
    [[nodiscard]] MSubclass::SubclassError detach();

    /// Sets the smallest size in pixels and applies it to the window at once.
    void setMinTrack(int width, int height);
    int MinTrackWidth() const { return m_width; }
    int MinTrackHeight() const { return m_height; }

    /// Always emrConsume; also resets the stored response to it.
    EMsgResponse MsgResponse() override;
    /// Stores `RHS` (nothing in the program sets it).
    void setMsgResponse(EMsgResponse RHS) override { m_response = RHS; }
    /// Puts MinTrackWidth by MinTrackHeight into the MinMaxInfoEvent; true when it was one.
    bool WindowProc(QObject* hwnd, QEvent* event) override;

private:
    QWidget* m_window;
    int m_width = 0;
    int m_height = 0;
    EMsgResponse m_response = emrConsume;
};
