#include "Program.h"

#include "Form1.h"
#include "TerminationSignals.h"
#include "results/modExtractIcon.h"
#include "shell/DialogPrompt.h"

#include <QApplication>
#include <QDialog>

Program::Program(QObject* parent)
    : QObject(parent)
    , m_prompt(std::make_unique<DialogPrompt>())
{
    QApplication::setApplicationName(QStringLiteral("Kestrelfind"));
    QApplication::setOrganizationName(QStringLiteral("Willow Brookes"));
    modExtractIcon::installFallbackTheme();
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
    m_window = std::make_unique<Form1>(*m_prompt);
    m_signals = new TerminationSignals(this);
    connect(m_signals, &TerminationSignals::received, this, &Program::endSession);
    m_window->show();
    return true;
}

void Program::endSession()
{
    if (!m_window)
        return;
    // Dialogs first: each answers as if cancelled, and its caller carries on once this
    // returns to the event loop.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QDialog*>(widget); dialog && dialog->isVisible())
            dialog->reject();
    }
    m_window->closeUnattended();
}
