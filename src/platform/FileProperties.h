#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

/// What the properties dialog shows about one item.
struct FileProperties {
    QByteArray path;      ///< the item's exact bytes
    QString name;         ///< decoded for display
    QString typeName;     ///< "File Folder" or the type's description
    QString location;     ///< the folder, decoded for display
    qint64 size = 0;      ///< bytes of a file, or of the file a link leads to
    bool hasSize = false; ///< a file, or a link to one: folders and special files have none
    bool isFolder = false;
    bool isLink = false;
    int linkError = 0;  ///< why a link leads to no item (errno); 0 when it leads to one
    QString linkTarget; ///< what a link holds, decoded for display
    QDateTime modified, accessed, changed;
    QString permissions; ///< e.g. "rw-r--r-- (644)"
    QString owner, group;
};

/// Reads an item's properties without following a final symbolic link for its kind (a link
/// shows as a link); std::nullopt when the item no longer exists or cannot be read, with the
/// system's error number in `error` when one is given.
std::optional<FileProperties> readFileProperties(const QByteArray& path, int* error = nullptr);

/// "rwxr-x--- (750)" style text of a mode's permission bits, with s/t bits shown as ls does.
QString permissionText(unsigned mode);
