#pragma once

#include "ResultRow.h"

#include <QLocale>
#include <QString>
#include <QTimeZone>

/// The texts of a result row's columns, derived from the row when they are shown.
namespace RowText {

/// Name column: the whole name with Show File Extensions on, else the name without its
/// last extension.
QString name(const ResultRow& row, bool showExtensions);
/// Size column: bytes / 1000 rounded half to even, with the locale's digit grouping and
/// " KB"; "" for folders.
QString size(const ResultRow& row);
/// Location column: the folder holding the entry, ending in '/'.
QString location(const ResultRow& row);
/// Full path for display.
QString fullPath(const ResultRow& row);

} // namespace RowText

/// Kilobyte text of a byte count: 1500 gives "2 KB", 2500 "2 KB", 1234567 "1,235 KB".
QString sizeText(qint64 bytes);

/// The local date of a file time (ms since the epoch) in the locale's short date format;
/// "" when the time is unknown.
QString FileDateText(qint64 mtime);

/// `FileDateText` for many dates: the system time zone and the locale are read once, when
/// it is made, not per date (reading the zone loads its rules). A copy is for another
/// thread: it holds a time zone of its own.
class FileDateFormat final {
public:
    /// Reads the system time zone and the locale now.
    FileDateFormat();
    /// A copy with a zone object of its own, safe to use on another thread.
    FileDateFormat(const FileDateFormat& other);
    FileDateFormat& operator=(const FileDateFormat&) = delete;
    ~FileDateFormat() = default;

    /// The same text as `FileDateText(mtime)` gives while the zone and locale are unchanged.
    QString text(qint64 mtime) const;

private:
    QTimeZone m_zone;
    QLocale m_locale;
};
