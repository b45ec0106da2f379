#include "PropertiesDialog.h"

#include "platform/DisplayText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace {
void addRow(QFormLayout* form, const QString& label, const QString& value, const char* name)
{
    auto* text = new QLabel(value);
    text->setObjectName(QLatin1String(name));
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setFocusPolicy(Qt::StrongFocus); // readable with the keyboard alone
    QString accessible = label;
    accessible.remove(u':');
    text->setAccessibleName(accessible);
    text->setAccessibleDescription(value);
    form->addRow(label, text);
}

QString dateText(const QDateTime& time)
{
    return QLocale().toString(time, QLocale::LongFormat);
}
} // namespace

QString PropertiesDialog::sizeText(qint64 bytes)
{
    const QLocale locale;
    return locale.formattedDataSize(bytes) + u" (" + locale.toString(bytes) + u" bytes)";
}

PropertiesDialog::PropertiesDialog(const FileProperties& p, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setWindowTitle(oneLine(p.name) + u" Properties");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const QString type = p.isLink ? QStringLiteral("Link to ") + p.typeName : p.typeName;
    addRow(form, QStringLiteral("Name:"), p.name, "name");
    addRow(form, QStringLiteral("Type:"), type, "type");
    addRow(form, QStringLiteral("Location:"), p.location, "location");
    if (!p.isFolder)
        addRow(form, QStringLiteral("Size:"), sizeText(p.size), "size");
    addRow(form, QStringLiteral("Modified:"), dateText(p.modified), "modified");
    addRow(form, QStringLiteral("Accessed:"), dateText(p.accessed), "accessed");
    addRow(form, QStringLiteral("Changed:"), dateText(p.changed), "changed");
    addRow(form, QStringLiteral("Permissions:"), p.permissions, "permissions");
    addRow(form, QStringLiteral("Owner:"), p.owner + u" (" + p.group + u')', "owner");
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
