#pragma once

// Answers modal dialogs from inside their own event loops, as a user would: a timer looks
// for the active modal widget, and the test checks it and presses its button.

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

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

/// While alive, answers the modal dialogs that show, one step per dialog in order. Each step
/// gets the dialog and must close it (press a button, accept, reject). A dialog is answered
/// once even while it takes a moment to close.
class DialogScript final {
public:
    using Step = std::function<void(QWidget*)>;

    explicit DialogScript(std::vector<Step> steps)
        : m_steps(std::move(steps))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
        m_timer.start();
    }
    Q_DISABLE_COPY_MOVE(DialogScript)

    /// How many dialogs were answered so far.
    int answered() const { return m_answered; }
    /// True once every step has run.
    bool done() const { return m_answered == int(m_steps.size()); }
    /// How many dialogs showed after the last step (each was cancelled).
    int unexpected() const { return m_unexpected; }

private:
    void poll()
    {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->isVisible() || dialog->property(kAnswered).toBool())
            return;
        dialog->setProperty(kAnswered, true);
        // A dialog the script did not expect, or one a failed step left open, is cancelled
        // so that the test fails on its checks instead of hanging.
        QTimer::singleShot(done() ? 0 : 3000, dialog, [dialog] {
            if (dialog->isVisible())
                QMetaObject::invokeMethod(dialog, "reject");
        });
        if (done()) {
            ++m_unexpected;
            return;
        }
        m_steps[size_t(m_answered++)](dialog);
    }

    static constexpr const char* kAnswered = "kfTestAnswered";
    std::vector<Step> m_steps;
    int m_answered = 0;
    int m_unexpected = 0;
    QTimer m_timer;
};

namespace Modal {

/// Presses the standard button `which` of the message box `w` (nothing when it has none).
inline void press(QWidget* w, QMessageBox::StandardButton which)
{
    if (auto* box = qobject_cast<QMessageBox*>(w); box && box->button(which))
        box->button(which)->click();
}

/// Types `text` into the input dialog `w` and accepts it.
inline void enterText(QWidget* w, const QString& text)
{
    auto* input = qobject_cast<QInputDialog*>(w);
    if (!input)
        return;
    input->setTextValue(text);
    QMetaObject::invokeMethod(input, "accept", Qt::QueuedConnection);
}

/// Types `folder` into the folder picker `w`'s name box and accepts, as a user who types a
/// path does.
inline void typeFolder(QWidget* w, const QString& folder)
{
    auto* picker = qobject_cast<QFileDialog*>(w);
    if (!picker)
        return;
    if (auto* name = picker->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(folder);
    QMetaObject::invokeMethod(picker, "accept", Qt::QueuedConnection);
}

} // namespace Modal
