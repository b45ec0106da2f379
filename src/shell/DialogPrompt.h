#pragma once

#include "platform/Prompt.h"

#include <QtGlobal>

/// The prompt the program hands to the window at start-up: real message boxes, input boxes and the
/// folder picker, each modal over the active window and titled as the program asks.
class DialogPrompt final : public Prompt {
public:
    DialogPrompt() = default;
    Q_DISABLE_COPY_MOVE(DialogPrompt)

    /// Shows `text` (plain text, never markup) with the buttons and icon of `style`
    /// (0 OK, 1 OK/Cancel, 3 Yes/No/Cancel, 4 Yes/No, 5 Retry/Cancel; + 16 critical, 32 question,
    /// 48 exclamation, 64 information; + 256 makes the second button the default) and
    /// `title` ("Kestrelfind" when empty). Returns the MsgResult of the button pressed;
    /// closing the box answers Cancel, or No when there is no Cancel, or Ok.
    int MsgBox(const QString& text, int style, const QString& title) override;
    /// Asks for one line of text, starting with `defaultText`; std::nullopt on cancel.
    std::optional<QString> InputBox(const QString& prompt, const QString& title,
                                    const QString& defaultText) override;
    /// The folder picker over the active window; "" on cancel.
    QString BrowseForFolder(const QString& title, const QString& initialFolder) override;

    /// From now on every question is answered as if dismissed, and nothing is shown: a
    /// closing session must not wait on a box that nobody will answer. Messages go to the
    /// error output instead.
    void answerUnattended() { m_unattended = true; }

    /// The title used when a caller gives none.
    static QString programTitle();

private:
    bool m_unattended = false;
};
