#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

/// Message-box styles and answers as the program uses them (buttons + icon).
namespace MsgStyle {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNo = 4;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
} // namespace MsgStyle

namespace MsgResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgResult

/// Every question and message the program puts to the user goes through one Prompt, so that
/// tests can answer them. The window installs the dialog-backed one; tests install their own.
/// Used from the window's thread only.
class Prompt {
public:
    virtual ~Prompt() = default;

    /// Shows a message box; returns one of MsgResult.
    virtual int MsgBox(const QString& text, int style, const QString& title) = 0;
    /// Asks for a line of text; std::nullopt when the user cancels.
    virtual std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                            const QString& defaultText) = 0;
    /// Lets the user choose one existing folder; "" on cancel.
    virtual QString BrowseForFolder(const QString& title, const QString& initialFolder) = 0;

    /// The prompt in use. Never null once the program or a test has installed one.
    static Prompt* instance();
    /// Installs a prompt (not owned) and returns the previous one.
    static Prompt* install(Prompt* prompt);
};

/// A prompt that answers from a script: tests queue answers and read back what was asked.
class ScriptedPrompt final : public Prompt {
public:
    struct Asked {
        enum Kind { Message, Input, Folder } kind;
        QString text;        ///< message text, input prompt or picker title
        QString title;       ///< message or input title
        int style = 0;       ///< message style
        QString defaultText; ///< input default or picker initial folder
    };

    ScriptedPrompt();
    ~ScriptedPrompt() override;

    int MsgBox(const QString& text, int style, const QString& title) override;
    std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    QString BrowseForFolder(const QString& title, const QString& initialFolder) override;

    /// Queues answers; when a queue is empty, messages answer Ok (or Yes), inputs cancel and
    /// the picker cancels.
    void answerMessage(int result) { m_messages.push_back(result); }
    void answerInput(std::optional<QString> text) { m_inputs.push_back(std::move(text)); }
    void answerFolder(const QString& folder) { m_folders.push_back(folder); }
    /// Called while a message box would be showing (for example to act on the window).
    void onMessage(std::function<void(const Asked&)> hook) { m_hook = std::move(hook); }

    const QList<Asked>& asked() const { return m_asked; }
    void clear() { m_asked.clear(); }

private:
    QList<int> m_messages;
    QList<std::optional<QString>> m_inputs;
    QList<QString> m_folders;
    QList<Asked> m_asked;
    std::function<void(const Asked&)> m_hook;
    Prompt* m_previous = nullptr;
};
