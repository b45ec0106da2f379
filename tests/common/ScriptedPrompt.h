#pragma once

#include "platform/Prompt.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

/// A prompt that answers from a script, for unit tests of the commands: tests queue answers
/// and read back what was asked. End-to-end tests use the real dialogs instead.
class ScriptedPrompt final : public Prompt {
public:
    struct Asked {
        enum Kind { Message, Input, Folder } kind;
        QString text;        ///< message text, input prompt or picker title
        QString title;       ///< message or input title
        int style = 0;       ///< message style
        QString defaultText; ///< input default or picker initial folder
    };

    ScriptedPrompt() = default;
    Q_DISABLE_COPY_MOVE(ScriptedPrompt)

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

    /// Everything asked so far, oldest first.
    const QList<Asked>& asked() const { return m_asked; }
    void clear() { m_asked.clear(); }

private:
    QList<int> m_messages;
    QList<std::optional<QString>> m_inputs;
    QList<QString> m_folders;
    QList<Asked> m_asked;
    std::function<void(const Asked&)> m_hook;
};
