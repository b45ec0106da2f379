#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <vector>

/// One found file or folder: a row of the result list. The exact bytes of its full path
/// (location followed by name) are its identity for every command; the texts shown are
/// derived from it when they are drawn.
struct ResultRow {
    /// `mtime` when the time could not be read.
    static constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

    QByteArray location;   ///< the folder holding the entry, ending in '/', exact bytes; rows
                           ///< of one folder share one string
    QByteArray fileName;   ///< the entry's name with its extension, exact bytes
    qint64 size = 0;       ///< size in bytes (0 for folders)
    qint64 mtime = NoTime; ///< last-write time, milliseconds since the epoch (UTC)
    QString typeName;      ///< type name; shared between rows of one type
    QString url;           ///< shortcut address, "" when unreadable, "n/a" for other files
    bool folder = false;   ///< a directory: type "File Folder", no size

    /// The full path, exact bytes: location followed by name (made on each call).
    QByteArray path() const { return location + fileName; }
    /// Whether the full path is exactly `path`, without making it.
    bool hasPath(QByteArrayView path) const
    {
        return path.size() == location.size() + fileName.size() && path.startsWith(location) &&
               path.endsWith(fileName);
    }
    /// Sets location and name from a full path (the name starts after its last '/').
    void setPath(const QByteArray& path)
    {
        const qsizetype slash = path.lastIndexOf('/') + 1;
        location = path.first(slash);
        fileName = path.sliced(slash);
    }
    /// The name with its extension, as bytes.
    QByteArrayView name() const { return fileName; }
    /// The folder that holds the entry, ending in '/', as bytes.
    QByteArrayView folderPath() const { return location; }
};

using ResultRows = std::vector<ResultRow>;
