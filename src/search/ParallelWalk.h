#pragma once

#include "FolderWalker.h"
#include "MatchQuery.h"
#include "SearchRequest.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// Walks one folder tree with several threads and writes the matches as bytes, in exactly
/// the order a single `FolderWalker` reports them. The tree's upper folders are read first
/// and cut into subtrees; the threads walk the subtrees, each into its own buffer, and the
/// buffers are written in tree order (the first unfinished subtree writes as it goes, so
/// buffering stays small unless one subtree is far slower than the rest). The walk rules of
/// `FolderWalker` hold for every thread. For the command line; the window keeps its one
/// worker.
class ParallelWalk final {
public:
    /// Appends the output bytes of one match to `out`; called from several threads at once.
    using Format = std::function<void(const FoundEntry& entry, std::string& out)>;
    /// Writes bytes in order; false when nothing more can be written (the walk then stops).
    /// Called from one thread at a time.
    using Write = std::function<bool(std::string_view bytes)>;
    /// Told of a folder below the top one that was skipped, with the errno value (0: it was
    /// replaced since it was listed); called from several threads at once.
    using Skipped = std::function<void(QByteArrayView path, int error)>;

    /// A walk with `threads` walking threads (at least one) for `query`, formatting with
    /// `format`; with `details` the size and time of every match are read.
    ParallelWalk(const LiveQuery& query, Format format, Write write, bool details, int threads,
                 Skipped skipped = {});
    Q_DISABLE_COPY_MOVE(ParallelWalk)

    /// Walks the request's folder; Unreadable when that folder cannot be read (errno then
    /// tells why), Stopped when writing failed.
    FolderWalker::Outcome walk(const SearchRequest& request);

    /// How many matches were formatted since this object was made.
    quint64 count() const { return m_count; }

private:
    struct Piece;
    class Output;
    class PieceSink;

    bool split(const SearchRequest& request, int topFd, std::vector<Piece>& pieces, Output& output);
    void walkPieces(const SearchRequest& request, int topFd, std::vector<Piece>& pieces,
                    Output& output);

    const LiveQuery& m_query;
    Format m_format;
    Write m_write;
    Skipped m_skipped;
    bool m_details;
    int m_threads;
    quint64 m_count = 0;
};
