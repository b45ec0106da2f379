#pragma once

// Answers a modal dialog from inside its own event loop, as a user would.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

/// While alive, polls for a modal dialog and calls `act` on the first one that shows (once).
class WhenModal final {
public:
    explicit WhenModal(std::function<void(QWidget*)> act)
        : m_act(std::move(act))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* dialog = QApplication::activeModalWidget();
            if (!dialog || !dialog->isVisible())
                return;
            m_timer.stop();
            m_act(dialog);
        });
        m_timer.start();
    }
    Q_DISABLE_COPY_MOVE(WhenModal)

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
};
