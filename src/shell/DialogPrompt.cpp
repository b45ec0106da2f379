#include "DialogPrompt.h"

#include "BreakableText.h"
#include "BrowseDirectorysOnly.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr int kButtonsMask = 0x0F;
constexpr int kIconMask = 0x70;
constexpr int kDefaultButtonMask = 0x300;
constexpr int kYesNoCancel = 3;

QMessageBox::Icon iconFor(int style)
{
    switch (style & kIconMask) {
    case MsgStyle::Critical:
        return QMessageBox::Critical;
    case MsgStyle::Question:
        return QMessageBox::Question;
    case MsgStyle::Exclamation:
        return QMessageBox::Warning;
    case MsgStyle::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

/// The buttons of a style in their on-screen order with the answer each gives.
QList<QPair<QMessageBox::StandardButton, int>> buttonsFor(int style)
{
    switch (style & kButtonsMask) {
    case MsgStyle::OkCancel:
        return {{QMessageBox::Ok, MsgResult::Ok}, {QMessageBox::Cancel, MsgResult::Cancel}};
    case kYesNoCancel:
        return {{QMessageBox::Yes, MsgResult::Yes},
                {QMessageBox::No, MsgResult::No},
                {QMessageBox::Cancel, MsgResult::Cancel}};
    case MsgStyle::YesNo:
        return {{QMessageBox::Yes, MsgResult::Yes}, {QMessageBox::No, MsgResult::No}};
    case MsgStyle::RetryCancel:
        return {{QMessageBox::Retry, MsgResult::Retry}, {QMessageBox::Cancel, MsgResult::Cancel}};
    default: // OK only, and any style this program does not use
        return {{QMessageBox::Ok, MsgResult::Ok}};
    }
}

/// The index in `buttons` of the answer Escape and the close button give: Cancel, else No,
/// else the first button.
qsizetype escapeIndexOf(const QList<QPair<QMessageBox::StandardButton, int>>& buttons)
{
    qsizetype escapeIndex = 0;
    for (qsizetype i = 0; i < buttons.size(); ++i) {
        if (buttons[i].second == MsgResult::Cancel ||
            (buttons[i].second == MsgResult::No && escapeIndex == 0))
            escapeIndex = i;
    }
    return escapeIndex;
}

QWidget* ownerWindow()
{
    return QApplication::activeWindow();
}

} // namespace

QString DialogPrompt::programTitle()
{
    return QStringLiteral("Kestrelfind");
}

int DialogPrompt::MsgBox(const QString& text, int style, const QString& title)
{
    const auto buttons = buttonsFor(style);
    const qsizetype escapeIndex = escapeIndexOf(buttons);
    if (m_unattended) {
        qWarning("kestrelfind: %s: %s", qPrintable(title.isEmpty() ? programTitle() : title),
                 qPrintable(text));
        return buttons[escapeIndex].second;
    }
    QMessageBox box(ownerWindow());
    box.setWindowTitle(title.isEmpty() ? programTitle() : title);
    box.setTextFormat(Qt::PlainText); // file names must never be read as markup
    box.setText(text);
    // Long names and paths wrap instead of being cut at the box's edge.
    if (auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label")))
        setBreakableText(label, text);
    box.setIcon(iconFor(style));

    QList<QAbstractButton*> added;
    for (const auto& button : buttons)
        added.append(box.addButton(button.first));
    const qsizetype defaultIndex = (style & kDefaultButtonMask) == MsgStyle::DefaultButton2 ? 1 : 0;
    if (defaultIndex < added.size())
        box.setDefaultButton(qobject_cast<QPushButton*>(added[defaultIndex]));
    box.setEscapeButton(added[escapeIndex]);

    box.exec();
    QAbstractButton* const clicked = box.clickedButton();
    for (qsizetype i = 0; i < added.size(); ++i) {
        if (added[i] == clicked)
            return buttons[i].second;
    }
    return buttons[escapeIndex].second;
}

std::optional<QString> DialogPrompt::InputBox(const QString& prompt, const QString& title,
                                              const QString& defaultText)
{
    if (m_unattended)
        return std::nullopt;
    QInputDialog dialog(ownerWindow());
    dialog.setWindowTitle(title.isEmpty() ? programTitle() : title);
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(prompt);
    if (auto* label = dialog.findChild<QLabel*>())
        label->setTextFormat(Qt::PlainText);
    dialog.setTextValue(defaultText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

QString DialogPrompt::BrowseForFolder(const QString& title, const QString& initialFolder)
{
    if (m_unattended)
        return {};
    return ::BrowseForFolder(ownerWindow(), title, initialFolder);
}
