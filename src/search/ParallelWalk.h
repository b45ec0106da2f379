#pragma once

#include "FolderWalker.h"
#include "MatchQuery.h"
#include "ResultRow.h"
#include "RowPreparation.h"
#include "SearchRequest.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// Formats matches as bytes, the command line's output: each walking thread keeps a copy.
struct ByteFormat {
    /// What one piece of the walk buffers.
    using Buffer = std::string;
    /// Pieces hand on what they hold once this many bytes wait, not by time.
    static constexpr bool Timed = false;

    /// Wraps a function that appends the bytes of one match; it is called from several
    /// threads at once.
    template<typename Function>
    ByteFormat(Function function) // NOLINT: converting on purpose, callers pass a lambda
        : format(std::move(function))
    {}
    /// Appends the bytes of one match to `out`.
    void operator()(const FoundEntry& entry, std::string& out) const { format(entry, out); }

    std::function<void(const FoundEntry& entry, std::string& out)> format;
};

/// Turns matches into result rows for the window, with their size, time and type name, on
/// the walking thread. Each walking thread keeps its own copy, with its own type-name cache;
/// rows of one folder share one location string.
class RowFormat final {
public:
    using Buffer = ResultRows;
    /// Rows are handed on by time, so the window sees new rows at least every 30 ms.
    static constexpr bool Timed = true;

    /// Rows as the walk makes them, each also prepared by `preparation` when given (with one
    /// step per walking thread).
    explicit RowFormat(std::shared_ptr<const RowPreparation> preparation = {});
    /// A copy for another thread: it starts with empty caches of its own.
    RowFormat(const RowFormat& other);
    RowFormat& operator=(const RowFormat&) = delete;
    ~RowFormat();

    /// Appends the row of one match to `rows`.
    void operator()(const FoundEntry& entry, ResultRows& rows);

private:
    class Cache;
    std::shared_ptr<const RowPreparation> m_preparation; // outlives the cache's step
    std::unique_ptr<Cache> m_cache;
};

/// Walks one folder tree with several threads and hands the matches on, formatted by
/// `Format` (`ByteFormat` or `RowFormat`), in exactly the order a single `FolderWalker`
/// reports them. The tree's upper folders are read first and cut into subtrees; the
/// threads walk the subtrees, each into its own buffer, and the buffers are handed on in
/// tree order (the first unfinished subtree hands on as it goes, so buffering stays small
/// unless one subtree is far slower than the rest). The walk rules of `FolderWalker` hold for
/// every thread.
template<typename Format> class OrderedWalk final {
public:
    using Buffer = typename Format::Buffer;
    /// Takes the next matches in order (it may move them out of `out`); false when nothing
    /// more can be taken (the walk then stops). Called from one thread at a time.
    using Write = std::function<bool(Buffer& out)>;
    /// Told of a folder below the top one that was skipped, with the errno value (0: it was
    /// replaced since it was listed); called from several threads at once.
    using Skipped = std::function<void(QByteArrayView path, int error)>;
    /// Asked before every entry, from several threads at once; true ends every thread's walk.
    using Stop = std::function<bool()>;

    /// A walk with `threads` walking threads (at least one) for `query`, formatting with a
    /// copy of `format` per thread; with `details` the size and time of every match are read.
    OrderedWalk(const LiveQuery& query, Format format, Write write, bool details, int threads,
                Skipped skipped = {}, Stop stop = {});
    Q_DISABLE_COPY_MOVE(OrderedWalk)

    /// Walks the request's folder; Unreadable when that folder cannot be read (errno then
    /// tells why), Stopped when writing failed, `stop` said so or the request's token was
    /// cancelled. Every match found before the end has been handed to `write` on return.
    FolderWalker::Outcome walk(const SearchRequest& request);

    /// How many matches were formatted since this object was made.
    quint64 count() const { return m_count; }

private:
    struct Piece;
    class Output;
    class PieceSink;

    FolderWalker::Outcome split(const SearchRequest& request, int topFd, std::vector<Piece>& pieces,
                                Output& output);
    void walkPieces(const SearchRequest& request, int topFd, std::vector<Piece>& pieces,
                    Output& output);

    const LiveQuery& m_query;
    Format m_format;
    Write m_write;
    Skipped m_skipped;
    Stop m_stop;
    bool m_details;
    int m_threads;
    quint64 m_count = 0;
};

/// The command line's walk: matches as bytes.
using ParallelWalk = OrderedWalk<ByteFormat>;
/// The window's walk: matches as result rows.
using RowWalk = OrderedWalk<RowFormat>;
