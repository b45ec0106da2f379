#pragma once

#include "platform/ItemDialogs.h"

#include "FittedDialog.h"

class QCheckBox;
class QListWidget;

/// "Open With": the programs that can open a file, the default one first and selected, and
/// "Always use the selected program to open this kind of file". Enter or a double-click
/// opens with the selected program; Escape cancels.
class OpenWithDialog final : public FittedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenWithDialog)
public:
    /// Lists `apps` for `fileName` of type `typeName`.
    OpenWithDialog(const QString& fileName, const QString& typeName, const QList<AppEntry>& apps,
                   QWidget* parent = nullptr);

    /// The program selected and the "always use" choice; std::nullopt when none is selected.
    std::optional<AppChoice> choice() const;

private:
    static constexpr int AppIndexRole = Qt::UserRole; ///< an item's index in m_apps
    QList<AppEntry> m_apps;
    QListWidget* m_list = nullptr;
    QCheckBox* m_always = nullptr;
};

/// Item dialogs shown as real windows over `parent`.
class DesktopItemDialogs final : public ItemDialogs {
public:
    explicit DesktopItemDialogs(QWidget* parent)
        : m_parent(parent)
    {}
    Q_DISABLE_COPY_MOVE(DesktopItemDialogs)

    /// Runs OpenWithDialog modally; std::nullopt when cancelled.
    std::optional<AppChoice> chooseApplication(const QString& fileName, const QString& typeName,
                                               const QList<AppEntry>& apps) override;
    /// Opens a PropertiesDialog (not modal; it deletes itself when closed).
    void showProperties(const FileProperties& properties) override;

private:
    QWidget* m_parent;
};
