#pragma once

#include <QList>
#include <QString>

#include <optional>

/// Message-box styles and answers as the program uses them (buttons + icon).
namespace MsgStyle {
constexpr int OkOnly = 0;
constexpr int OkCancel = 1;
constexpr int YesNo = 4;
constexpr int RetryCancel = 5;
constexpr int Critical = 16;
constexpr int Question = 32;
constexpr int Exclamation = 48;
constexpr int Information = 64;
constexpr int DefaultButton2 = 256; ///< the second button, not the first, is the default
} // namespace MsgStyle

namespace MsgResult {
constexpr int Ok = 1;
constexpr int Cancel = 2;
constexpr int Retry = 4;
constexpr int Yes = 6;
constexpr int No = 7;
} // namespace MsgResult

/// Every question and message the program puts to the user goes through one Prompt, handed
/// to whoever asks: the start-up path hands in the dialog-backed one, tests their own. Used
/// from the window's thread only.
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
};
