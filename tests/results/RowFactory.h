#pragma once

#include "results/ResultModel.h"
#include "search/ResultRow.h"

#include <QAbstractItemModelTester>
#include <QDateTime>

#include <memory>

/// Builds result rows as the walk would: path bytes, name offset and the shared texts.
inline ResultRow makeRow(const QByteArray& path, qint64 size = 0, qint64 mtime = 0,
                         const QString& type = QStringLiteral("Text"),
                         const QString& url = QStringLiteral("n/a"), bool folder = false)
{
    ResultRow row;
    row.setPath(path);
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

/// The display texts of one column, top to bottom.
inline QStringList column(const ResultModel& model, int c)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.data(model.index(r, c)).toString();
    return texts;
}

/// The row paths, top to bottom.
inline QList<QByteArray> paths(const ResultModel& model)
{
    QList<QByteArray> list;
    for (int r = 0; r < model.rowCount(); ++r)
        list << model.path(r);
    return list;
}

/// A tester that aborts on any inconsistent model signal, for the caller's scope.
inline std::unique_ptr<QAbstractItemModelTester> checked(ResultModel* model)
{
    return std::make_unique<QAbstractItemModelTester>(
        model, QAbstractItemModelTester::FailureReportingMode::Fatal);
}
