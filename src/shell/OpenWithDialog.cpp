#include "OpenWithDialog.h"

#include "BreakableText.h"
#include "PropertiesDialog.h"
#include "platform/DisplayText.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

OpenWithDialog::OpenWithDialog(const QString& fileName, const QString& typeName,
                               const QList<AppEntry>& apps, QWidget* parent)
    : FittedDialog(parent)
    , m_apps(apps)
{
    setObjectName(QStringLiteral("OpenWithDialog"));
    setWindowTitle(QStringLiteral("Open With"));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(QStringLiteral("Choose the program you want to use to open this file:"), this);
    // A long name wraps instead of making the window wider than the screen.
    auto* file = new QLabel(this);
    file->setTextFormat(Qt::PlainText);
    file->setWordWrap(true);
    setBreakableText(file,
                     oneLine(typeName.isEmpty() ? fileName : fileName + u" (" + typeName + u')'));
    file->setObjectName(QStringLiteral("fileLabel"));
    auto* listLabel = new QLabel(QStringLiteral("&Programs:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("programList"));
    m_list->setAccessibleName(QStringLiteral("Programs"));
    listLabel->setBuddy(m_list);
    // Programs declared for the file's type come first; when others follow, headings tell
    // the two apart (they cannot be chosen, and the arrow keys pass over them).
    const auto forType = [](const AppEntry& app) {
        return app.forType;
    };
    const bool grouped = std::any_of(apps.begin(), apps.end(), forType) &&
                         !std::all_of(apps.begin(), apps.end(), forType);
    const auto heading = [this](const QString& text) {
        auto* item = new QListWidgetItem(text, m_list);
        item->setFlags(Qt::NoItemFlags);
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
        item->setForeground(m_list->palette().text()); // readable, not greyed like a disabled row
    };
    if (grouped)
        heading(QStringLiteral("Recommended Programs"));
    for (qsizetype i = 0; i < apps.size(); ++i) {
        const AppEntry& app = apps[i];
        if (grouped && !app.forType && (i == 0 || apps[i - 1].forType))
            heading(QStringLiteral("Other Programs"));
        auto* item = new QListWidgetItem(QIcon::fromTheme(app.iconName), app.name, m_list);
        item->setData(Qt::AccessibleTextRole, app.name);
        item->setData(AppIndexRole, int(i));
        if (!m_list->currentItem())
            m_list->setCurrentItem(item);
    }
    m_always = new QCheckBox(
        QStringLiteral("&Always use the selected program to open this kind of file"), this);
    m_always->setObjectName(QStringLiteral("alwaysUse"));
    m_always->setEnabled(!typeName.isEmpty());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QPushButton* ok = buttons->button(QDialogButtonBox::Ok);
    ok->setEnabled(!apps.isEmpty());
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_list, &QListWidget::itemActivated, this, &QDialog::accept);
    layout->addWidget(intro);
    layout->addWidget(file);
    layout->addWidget(listLabel);
    layout->addWidget(m_list);
    layout->addWidget(m_always);
    layout->addWidget(buttons);
    m_list->setFocus();
    resize(420, 380);
}

std::optional<AppChoice> OpenWithDialog::choice() const
{
    const QListWidgetItem* item = m_list->currentItem();
    const QVariant index = item ? item->data(AppIndexRole) : QVariant();
    if (!index.isValid())
        return std::nullopt; // nothing, or a heading
    return AppChoice{m_apps[index.toInt()].id, m_always->isChecked()};
}

std::optional<AppChoice> DesktopItemDialogs::chooseApplication(const QString& fileName,
                                                               const QString& typeName,
                                                               const QList<AppEntry>& apps)
{
    OpenWithDialog dialog(fileName, typeName, apps, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.choice();
}

void DesktopItemDialogs::showProperties(const FileProperties& properties)
{
    auto* dialog = new PropertiesDialog(properties, m_parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
