#pragma once

#include "results/ResultModel.h"
#include "search/ResultRow.h"
#include "search/RowPreparation.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QHash>
#include <QRandomGenerator>

#include <memory>
#include <thread>

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

/// Rows of every column's kind of value, with names that collation orders unlike bytes
/// (case, accents, numbers by value) and long shared prefixes that leave ties to be decided
/// past the first 16 bytes; each path once.
inline ResultRows randomRows(QRandomGenerator& random, int count)
{
    static const QList<QByteArray> parts =
        QByteArray("a|B|é|E|z|Ä|10|9|-|_| |ß|Straße|x2|X10|ö|Doc|doc|IMG_20230101_1200").split('|');
    ResultRows rows;
    QHash<QByteArray, bool> taken;
    for (int i = 0; i < count; ++i) {
        QByteArray name;
        for (int p = 0, n = 1 + int(random.bounded(4)); p < n; ++p)
            name += parts[random.bounded(int(parts.size()))];
        const QByteArray path = "/t/f" + QByteArray::number(random.bounded(40)) + '/' + name +
                                (i % 4 ? ".txt" : ".PDF");
        if (std::exchange(taken[path], true)) {
            --i;
            continue;
        }
        rows.push_back(makeRow(path, i % 9 ? random.bounded(100000) : 0,
                               i % 50 ? utcMs(2000 + random.bounded(20), 1, 1) : ResultRow::NoTime,
                               i % 2 ? QStringLiteral("Text") : QStringLiteral("PDF document"),
                               i % 7 ? QStringLiteral("n/a") : QStringLiteral("http://x/"),
                               i % 11 == 0));
    }
    return rows;
}

/// Rows as the walking threads deliver them: prepared by the model's step, on a thread of
/// its own.
inline ResultRows prepared(const ResultModel& model, ResultRows rows)
{
    std::thread walker([&] {
        const std::unique_ptr<RowPreparation::Step> step = model.rowPreparation()->step();
        for (ResultRow& row : rows)
            step->prepare(row);
    });
    walker.join();
    return rows;
}
