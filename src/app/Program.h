#pragma once

#include <QObject>

#include <memory>

class DialogPrompt;
class Form1;
class MPrevInst;
class Prompt;
class TerminationSignals;

/// The window program from start to end, shared by main() and the end-to-end tests: the one
/// place where the start-up steps live. It owns the dialog-backed prompt that every part of
/// the program asks through, and the window.
class Program final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Program)
public:
    /// Names the application and its maker and sets the icons' fallback theme. Needs the
    /// QApplication to exist.
    explicit Program(QObject* parent = nullptr);
    ~Program() override;

    /// The start-up steps: hands over to a copy already running (false: end at once, with
    /// no window and nothing written), builds the window over the prompt, lets SIGTERM,
    /// SIGINT and SIGHUP close it as the user would, shows it and tells what start-up found
    /// wrong once the event loop runs. The program ends when the window closes. A later start
    /// of the program brings this window forward. Call once.
    bool start();

    /// The window; null before start().
    Form1* window() const { return m_window.get(); }
    /// The prompt every question goes through.
    Prompt& prompt();

    /// Ends as a closing desktop session asks: open dialogs are dismissed, a running search
    /// is stopped, and the window closes through its close path, saving the settings
    /// without asking anything.
    void endSession();

private:
    std::unique_ptr<DialogPrompt> m_prompt;
    std::unique_ptr<Form1> m_window;
    MPrevInst* m_instance = nullptr;
    TerminationSignals* m_signals = nullptr;
};
