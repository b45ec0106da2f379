#include "Program.h"

#include "Form1.h"
#include "TerminationSignals.h"
#include "results/modExtractIcon.h"
#include "shell/DialogPrompt.h"
#include "shell/MPrevInst.h"
#include "shell/ProgramIcon.h"
#include "shell/SystemTray.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>

Program::Program(QObject* parent)
    : QObject(parent)
    , m_prompt(std::make_unique<DialogPrompt>())
{
    QApplication::setApplicationName(QStringLiteral("Kestrelfind"));
    QApplication::setOrganizationName(QStringLiteral("Willow Brookes"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.kestrelfind.Kestrelfind"));
    modExtractIcon::installFallbackTheme();
    QApplication::setWindowIcon(ProgramIcon::icon());
}

Program::~Program()
{
    // The window reports to the prompt until it is gone.
    m_window.reset();
}

Prompt& Program::prompt()
{
    return *m_prompt;
}

bool Program::start()
{
    // Before anything of the start-up writes: a second copy only asks the first to come
    // forward. Without a usable runtime folder the check cannot be made; run all the same.
    m_instance = new MPrevInst(MPrevInst::defaultFolder(), this);
    if (m_instance->claim() == MPrevInst::Claim::Another) {
        m_instance->ActivatePrevInstance();
        return false;
    }
    m_window = std::make_unique<Form1>(*m_prompt);
    m_window->setWindowIcon(ProgramIcon::icon());
    connect(
        m_instance, &MPrevInst::activationRequested, m_window->tray(),
        [tray = m_window->tray()](const QByteArray& token) { tray->mnuSysTrayRest_Click(token); });
    // The program ends with its window. Closing the last visible window would not end it when
    // the window closes hidden in the tray, or from a dialog's own event loop.
    connect(m_window.get(), &Form1::closed, qApp, &QCoreApplication::quit);
    m_signals = new TerminationSignals(this);
    connect(m_signals, &TerminationSignals::received, this, &Program::endSession);
    m_window->show();
    // Told from the event loop, where a session's end can also end the program while a box
    // is up; before that loop runs, nothing could.
    QTimer::singleShot(0, m_window.get(), &Form1::reportStartUpProblems);
    return true;
}

void Program::endSession()
{
    if (!m_window)
        return;
    // No question from here on waits for an answer, such as one "Invalid Folder" box per
    // missing folder that a run still has to tell.
    m_prompt->answerUnattended();
    // Dialogs first: each answers as if cancelled, and its caller carries on once this
    // returns to the event loop.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    m_window->closeUnattended();
}
