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

QString FileDateText(qint64 mtime)
{
    if (mtime == ResultRow::NoTime)
        return {};
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(mtime, QTimeZone::systemTimeZone());
    if (!local.isValid())
        return {};
    return QLocale().toString(local.date(), QLocale::ShortFormat);
}
