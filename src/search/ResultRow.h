#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <limits>
#include <vector>

/// One found file or folder: a row of the result list. The exact bytes of its full path are
/// its identity for every command; the texts shown are derived from it when they are drawn.
struct ResultRow {
    /// `mtime` when the time could not be read.
    static constexpr qint64 NoTime = std::numeric_limits<qint64>::min();

    QByteArray path;       ///< full path, exact bytes as the file system gave them
    qint32 nameOffset = 0; ///< index in `path` where the name starts (just after the last '/')
    bool folder = false;   ///< a directory: type "File Folder", no size
    qint64 size = 0;       ///< size in bytes (0 for folders)
    qint64 mtime = NoTime; ///< last-write time, milliseconds since the epoch (UTC)
    QString typeName;      ///< type name; shared between rows of one type
    QString url;           ///< shortcut address, "" when unreadable, "n/a" for other files

    /// The name with its extension, as bytes.
    QByteArrayView name() const { return QByteArrayView(path).sliced(nameOffset); }
    /// The folder that holds the entry, ending in '/', as bytes.
    QByteArrayView folderPath() const { return QByteArrayView(path).first(nameOffset); }
};

using ResultRows = std::vector<ResultRow>;
