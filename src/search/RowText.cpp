#include "RowText.h"

#include "PathHelpers.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace RowText {

QString name(const ResultRow& row, bool showExtensions)
{
    const QString full = displayText(row.name());
    return showExtensions ? full : GetFilename(full, PathPart::Name);
}

QString size(const ResultRow& row)
{
    return row.folder ? QString() : sizeText(row.size);
}

QString location(const ResultRow& row)
{
    return displayText(row.folderPath());
}

QString fullPath(const ResultRow& row)
{
    return displayText(row.path());
}

} // namespace RowText

QString sizeText(qint64 bytes)
{
    qint64 kilo = bytes / 1000;
    const qint64 rest = bytes % 1000;
    if (rest > 500 || (rest == 500 && (kilo % 2) != 0))
        ++kilo; // halves go to the even neighbour
    return QLocale().toString(kilo) + u" KB";
}

namespace {

QString dateText(qint64 mtime, const QTimeZone& zone, const QLocale& locale)
{
    if (mtime == ResultRow::NoTime)
        return {};
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(mtime, zone);
    if (!local.isValid())
        return {};
    return locale.toString(local.date(), QLocale::ShortFormat);
}

} // namespace

QString FileDateText(qint64 mtime)
{
    return dateText(mtime, QTimeZone::systemTimeZone(), QLocale());
}

FileDateFormat::FileDateFormat()
    : m_zone(QTimeZone::systemTimeZone())
{}

// Copies of a zone share its data, which is not made for use from several threads at once.
FileDateFormat::FileDateFormat(const FileDateFormat& other)
    : m_zone(other.m_zone.isValid() ? QTimeZone(other.m_zone.id()) : QTimeZone())
    , m_locale(other.m_locale)
{
    if (other.m_zone.isValid() && !m_zone.isValid())
        m_zone = QTimeZone::systemTimeZone(); // an id the zone database does not know again
}

QString FileDateFormat::text(qint64 mtime) const
{
    return dateText(mtime, m_zone, m_locale);
}
