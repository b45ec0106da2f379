#include "OpenWithDialog.h"

#include "PropertiesDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

OpenWithDialog::OpenWithDialog(const QString& fileName, const QString& typeName,
                               const QList<AppEntry>& apps, QWidget* parent)
    : QDialog(parent)
    , m_apps(apps)
{
    setObjectName(QStringLiteral("OpenWithDialog"));
    setWindowTitle(QStringLiteral("Open With"));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(QStringLiteral("Choose the program you want to use to open this file:"), this);
    auto* file =
        new QLabel(typeName.isEmpty() ? fileName : fileName + u" (" + typeName + u')', this);
    file->setTextFormat(Qt::PlainText);
    file->setObjectName(QStringLiteral("fileLabel"));
    auto* listLabel = new QLabel(QStringLiteral("&Programs:"), this);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("programList"));
    m_list->setAccessibleName(QStringLiteral("Programs"));
    listLabel->setBuddy(m_list);
    for (const AppEntry& app : apps) {
        auto* item = new QListWidgetItem(QIcon::fromTheme(app.iconName), app.name, m_list);
        item->setData(Qt::AccessibleTextRole, app.name);
    }
    if (!apps.isEmpty())
        m_list->setCurrentRow(0);
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
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_apps.size())
        return std::nullopt;
    return AppChoice{m_apps[row].id, m_always->isChecked()};
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
