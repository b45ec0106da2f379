#include "PropertiesDialog.h"

#include "platform/DisplayText.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

namespace {
/// A row's label as its value's accessible name: "Name:" reads as "Name".
QString accessibleName(QString label)
{
    return label.remove(u':');
}

void addRow(QFormLayout* form, const QString& label, const QString& value, const char* name)
{
    auto* text = new QLabel(value);
    text->setObjectName(QLatin1String(name));
    text->setTextFormat(Qt::PlainText);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    text->setFocusPolicy(Qt::StrongFocus); // readable with the keyboard alone
    text->setAccessibleName(accessibleName(label));
    text->setAccessibleDescription(value);
    form->addRow(label, text);
}

/// A name or path: a read-only field of its own width, which scrolls a long text rather than
/// making the window wider than the screen, and copies exactly what it shows.
void addPathRow(QFormLayout* form, const QString& label, const QString& value, const char* name)
{
    auto* field = new QLineEdit(oneLine(value));
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setFrame(false);
    field->setCursorPosition(0);
    field->setMinimumWidth(field->fontMetrics().averageCharWidth() * 48);
    field->setAccessibleName(accessibleName(label));
    form->addRow(label, field);
}

QString dateText(const QDateTime& time)
{
    return QLocale().toString(time, QLocale::LongFormat);
}
/// What a link is: to an item of its type, or why it leads to none.
QString linkType(const FileProperties& p)
{
    switch (p.linkError) {
    case 0:
        return QStringLiteral("Link to ") + p.typeName;
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("Link to an item that is gone");
    case ELOOP:
        return QStringLiteral("Link that leads round in a loop");
    default:
        return QStringLiteral("Link to an item that cannot be reached: ") +
               QString::fromLocal8Bit(std::strerror(p.linkError));
    }
}

} // namespace

QString PropertiesDialog::sizeText(qint64 bytes)
{
    const QLocale locale;
    const QString exact = locale.toString(bytes) + (bytes == 1 ? u" byte" : u" bytes");
    // Under a kilobyte the short form would say the same again.
    if (bytes < 1024)
        return exact;
    return locale.formattedDataSize(bytes) + u" (" + exact + u')';
}

PropertiesDialog::PropertiesDialog(const FileProperties& p, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setWindowTitle(oneLine(p.name) + u" Properties");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const QString type = p.isLink ? linkType(p) : p.typeName;
    addPathRow(form, QStringLiteral("Name:"), p.name, "name");
    addRow(form, QStringLiteral("Type:"), type, "type");
    if (p.isLink)
        addPathRow(form, QStringLiteral("Target:"), p.linkTarget, "target");
    addPathRow(form, QStringLiteral("Location:"), p.location, "location");
    if (p.hasSize)
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
