#pragma once

#include "search/FolderWalker.h"
#include "search/MatchQuery.h"
#include "search/ParallelWalk.h"
#include "search/SearchRequest.h"

#include <QByteArray>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fcntl.h>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

/// Makes files and folders by their exact name bytes below a temporary folder.
class ByteTree final {
public:
    ByteTree()
        : m_root(QFile::encodeName(m_dir.path()) + '/')
    {}
    /// Removes the tree with rm, which unlike QTemporaryDir copes with names that are not UTF-8
    /// and with trees deeper than PATH_MAX.
    ~ByteTree() { EXPECT_EQ(std::system(QByteArray("rm -rf '" + m_root + '\'').constData()), 0); }
    Q_DISABLE_COPY_MOVE(ByteTree)

    /// The root folder, ending in '/'.
    const QByteArray& root() const { return m_root; }
    /// A full path below the root.
    QByteArray path(const QByteArray& relative) const { return m_root + relative; }

    /// Makes a folder (its parent must exist); returns its full path.
    QByteArray dir(const QByteArray& relative) const
    {
        const QByteArray full = path(relative);
        EXPECT_EQ(::mkdir(full.constData(), 0755), 0) << full.constData();
        return full;
    }
    /// Makes each entry in order: a name ending in '/' is a folder, any other an empty file.
    void make(std::initializer_list<QByteArray> entries) const
    {
        for (const QByteArray& entry : entries)
            entry.endsWith('/') ? void(dir(entry.chopped(1))) : void(file(entry));
    }
    /// Writes a file; returns its full path.
    QByteArray file(const QByteArray& relative, const QByteArray& contents = {},
                    mode_t mode = 0644) const
    {
        const QByteArray full = path(relative);
        const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
        EXPECT_EQ(::write(fd, contents.constData(), size_t(contents.size())), contents.size())
            << full.constData();
        ::close(fd);
        return full;
    }
    /// Makes folders `folder`0, `folder`1, … each holding empty files `file`0, `file`1, ….
    void grid(const QByteArray& folder, int folders, const QByteArray& file, int files) const
    {
        for (int d = 0; d < folders; ++d) {
            const QByteArray made = dir(folder + QByteArray::number(d)) + '/';
            for (int f = 0; f < files; ++f)
                ::close(::open(QByteArray(made + file + QByteArray::number(f)).constData(),
                               O_WRONLY | O_CREAT, 0644));
        }
    }
    /// Makes a chain of `depth` folders "d/d/…" without naming any long path, and in the
    /// folder at level i + 1 a file "mark<i>" for each i that `markEvery` divides i + 1 by.
    void chain(int depth, int markEvery = 0) const
    {
        int fd = ::open(m_root.constData(), O_RDONLY | O_DIRECTORY);
        for (int i = 0; i < depth && fd >= 0; ++i) {
            EXPECT_EQ(::mkdirat(fd, "d", 0755), 0) << i;
            const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
            ::close(fd);
            fd = next;
            if (markEvery > 0 && (i + 1) % markEvery == 0)
                ::close(::openat(fd, QByteArray("mark" + QByteArray::number(i)).constData(),
                                 O_WRONLY | O_CREAT, 0644));
        }
        EXPECT_GE(fd, 0);
        ::close(fd);
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_root;
};

/// The full paths of `rows`, in order.
inline QList<QByteArray> pathsOf(const ResultRows& rows)
{
    QList<QByteArray> paths;
    for (const ResultRow& row : rows)
        paths.append(row.path());
    return paths;
}

/// Collects every match of a walk as a row; can stop after a number of entries, and run hooks
/// when asked whether to stop and when given a match.
class CollectingSink final : public WalkSink {
public:
    bool stopRequested() override
    {
        ++entriesAsked;
        if (onAsk)
            onAsk();
        return stopAfter >= 0 && entriesAsked > stopAfter;
    }
    void found(const FoundEntry& entry) override
    {
        rows.push_back(makeResultRow(entry));
        if (onFound)
            onFound();
    }
    void unreadable(QByteArrayView path, int error) override
    {
        skipped.append({path.toByteArray(), error});
    }

    /// Walks `request` with `query` into this sink; returns and keeps how the walk ended.
    FolderWalker::Outcome walk(const LiveQuery& query, const SearchRequest& request)
    {
        FolderWalker walker(query, *this, true);
        return outcome = walker.walk(request);
    }
    /// The full paths found, in order.
    QList<QByteArray> paths() const { return pathsOf(rows); }
    /// The paths found, relative to `root` and sorted.
    QList<QByteArray> sortedBelow(const QByteArray& root) const
    {
        QList<QByteArray> result = paths();
        for (QByteArray& path : result)
            path.remove(0, root.size());
        std::sort(result.begin(), result.end());
        return result;
    }
    /// The row of a full path, or null.
    const ResultRow* row(const QByteArray& path) const
    {
        const auto it = std::find_if(rows.begin(), rows.end(),
                                     [&](const ResultRow& row) { return row.hasPath(path); });
        return it == rows.end() ? nullptr : &*it;
    }

    ResultRows rows;
    qint64 entriesAsked = 0;
    qint64 stopAfter = -1;
    std::function<void()> onAsk;
    std::function<void()> onFound;
    QList<std::pair<QByteArray, int>> skipped; ///< folders reported unreadable, with errno
    FolderWalker::Outcome outcome{};
};

/// A request for `folder` with the "All Files" filter.
inline SearchRequest allFilesIn(const QByteArray& folder, bool subfolders = true)
{
    SearchRequest request;
    request.IncludeSubfolders = subfolders;
    request.FolderPath = folder;
    request.Pattern = FileFilter::fromChoice(FileFilter::AllFiles);
    return request;
}

/// Walks with a fixed text; returns the sink with what was found and how the walk ended.
inline CollectingSink walkFor(const SearchRequest& request, const QString& text,
                              bool matchCase = false)
{
    LiveQuery query;
    query.setSearchText(text);
    query.setMatchCase(matchCase);
    CollectingSink sink;
    sink.walk(query, request);
    return sink;
}

/// Every field of each row in one line, so that whole rows compare at once.
inline std::vector<std::string> rowTexts(const ResultRows& rows)
{
    std::vector<std::string> texts;
    for (const ResultRow& row : rows)
        texts.push_back(
            QByteArray(row.location + '|' + row.fileName + '|' + QByteArray::number(row.folder) +
                       '|' + QByteArray::number(row.size) + '|' + QByteArray::number(row.mtime) +
                       '|' + row.typeName.toUtf8() + '|' + row.url.toUtf8())
                .toStdString());
    return texts;
}

/// What a walk into result rows on several threads handed on.
struct RowsWalked {
    FolderWalker::Outcome outcome{};
    ResultRows rows;
    int batches = 0;
    QList<std::pair<QByteArray, int>> skipped; ///< sorted, as threads report in any order
};

/// Walks into rows with `threads` threads, reading sizes and times; `stop` is asked before
/// every entry.
inline RowsWalked rowWalk(const SearchRequest& request, const QString& text, int threads,
                          RowWalk::Stop stop = {})
{
    LiveQuery query;
    query.setSearchText(text);
    RowsWalked result;
    std::mutex mutex;
    RowWalk walk(
        query, RowFormat(),
        [&](ResultRows& batch) {
            EXPECT_FALSE(batch.empty());
            ++result.batches;
            result.rows.insert(result.rows.end(), std::make_move_iterator(batch.begin()),
                               std::make_move_iterator(batch.end()));
            return true;
        },
        true, threads,
        [&](QByteArrayView path, int error) {
            const std::lock_guard lock(mutex);
            result.skipped.append({path.toByteArray(), error});
        },
        std::move(stop));
    result.outcome = walk.walk(request);
    std::sort(result.skipped.begin(), result.skipped.end());
    return result;
}
