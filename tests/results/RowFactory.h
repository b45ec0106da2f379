#pragma once

#include "search/ResultRow.h"

#include <QDateTime>

/// Builds result rows as the walk would: path bytes, name offset and the shared texts.
inline ResultRow makeRow(const QByteArray& path, qint64 size = 0, qint64 mtime = 0,
                         const QString& type = QStringLiteral("Text"),
                         const QString& url = QStringLiteral("n/a"), bool folder = false)
{
    ResultRow row;
    row.path = path;
    row.nameOffset = qint32(path.lastIndexOf('/') + 1);
    row.folder = folder;
    row.size = folder ? 0 : size;
    row.mtime = mtime;
    row.typeName = folder ? QStringLiteral("File Folder") : type;
    row.url = url;
    return row;
}

/// A folder row.
inline ResultRow makeFolder(const QByteArray& path, qint64 mtime = 0)
{
    return makeRow(path, 0, mtime, {}, QStringLiteral("n/a"), true);
}

/// Milliseconds since the epoch of a UTC date and time.
inline qint64 utcMs(int year, int month, int day, int hour = 12)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0), Qt::UTC).toMSecsSinceEpoch();
}
