#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// One application that can open a file.
struct AppEntry {
    QByteArray id;    ///< desktop-file id, e.g. "org.gnome.gedit.desktop"
    QString name;     ///< the name to show
    QString iconName; ///< theme icon name, "" when none
    bool isDefault = false;
    bool forType = false; ///< declared for the file's type (else offered as any program)
};

/// The content type of a path (bytes) as GIO sees it; "" when the file cannot be read.
QByteArray contentTypeOf(const QByteArray& path);

/// The type's description for people ("Plain text document"); "" for an empty type.
QString contentTypeDescription(const QByteArray& contentType);

/// The applications for a content type, the default first and those declared for the type
/// before all other shown applications; none twice.
QList<AppEntry> applicationsFor(const QByteArray& contentType);

/// Makes `appId` the default application for `contentType` (the user's mimeapps.list).
/// Returns "" on success, else the system's reason.
QString setDefaultApplication(const QByteArray& appId, const QByteArray& contentType);
