#include "ParallelWalk.h"

#include "FolderOpen.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

/// Below this many subtrees the upper folders are read one level deeper before the threads
/// start, so that one large subtree does not leave the other threads idle.
constexpr size_t TargetPieces = 64;
/// Levels read that way at most (a chain of single folders must not keep one thread busy).
constexpr int MaxSplitLevels = 12;
/// Buffered bytes after which a subtree tries to write what it has.
constexpr size_t StreamBytes = 256 * 1024;

} // namespace

/// One part of the tree in output order: a folder read alone, or a whole subtree.
struct ParallelWalk::Piece {
    std::string folder; // ending in '/'
    FolderOpen::Listed listed;
    bool subtree = false;
    bool walked = false; // its output is complete
    std::string out;
    quint64 count = 0;
};

/// Writes the pieces' bytes in order as they become ready.
class ParallelWalk::Output final {
public:
    Output(std::vector<Piece>& pieces, const ParallelWalk::Write& write)
        : m_pieces(pieces)
        , m_write(write)
    {}
    Q_DISABLE_COPY_MOVE(Output)

    /// Marks piece `index` complete and writes every complete piece that is next in line.
    void finish(size_t index)
    {
        const std::lock_guard lock(m_mutex);
        m_pieces[index].walked = true;
        drain();
    }
    /// Writes every complete piece that is next in line.
    void drainReady()
    {
        const std::lock_guard lock(m_mutex);
        drain();
    }
    /// Writes and empties the buffer of piece `index` if every piece before it is written.
    void streamIfNext(size_t index)
    {
        const std::lock_guard lock(m_mutex);
        if (m_written == index) {
            emit(m_pieces[index].out);
            m_pieces[index].out.clear();
        }
    }
    /// Whether writing failed; every walk then stops.
    bool failed() const { return m_failed.load(std::memory_order_relaxed); }

private:
    void drain()
    {
        while (m_written < m_pieces.size() && m_pieces[m_written].walked) {
            std::string& out = m_pieces[m_written].out;
            emit(out);
            std::string().swap(out);
            ++m_written;
        }
    }
    void emit(const std::string& bytes)
    {
        if (!bytes.empty() && !failed() && !m_write(bytes))
            m_failed.store(true, std::memory_order_relaxed);
    }

    std::vector<Piece>& m_pieces;
    const ParallelWalk::Write& m_write;
    std::mutex m_mutex;
    size_t m_written = 0;
    std::atomic<bool> m_failed{false};
};

/// Formats the matches of one piece into its buffer.
class ParallelWalk::PieceSink final : public WalkSink {
public:
    PieceSink(const ParallelWalk& walk, Output& output)
        : m_walk(walk)
        , m_output(output)
    {}

    /// Directs the matches to piece `index`; `streams` lets it write early.
    void target(Piece& piece, size_t index, bool streams)
    {
        m_piece = &piece;
        m_index = index;
        m_streams = streams;
        m_nextTry = StreamBytes;
    }

    bool stopRequested() override { return m_output.failed(); }

    void found(const FoundEntry& entry) override
    {
        m_walk.m_format(entry, m_piece->out);
        ++m_piece->count;
        if (m_streams && m_piece->out.size() >= m_nextTry) {
            m_output.streamIfNext(m_index);
            m_nextTry = m_piece->out.size() + StreamBytes;
        }
    }

    void unreadable(QByteArrayView path, int error) override
    {
        if (m_walk.m_skipped)
            m_walk.m_skipped(path, error);
    }

private:
    const ParallelWalk& m_walk;
    Output& m_output;
    Piece* m_piece = nullptr;
    size_t m_index = 0;
    bool m_streams = false;
    size_t m_nextTry = StreamBytes;
};

ParallelWalk::ParallelWalk(const LiveQuery& query, Format format, Write write, bool details,
                           int threads, Skipped skipped)
    : m_query(query)
    , m_format(std::move(format))
    , m_write(std::move(write))
    , m_skipped(std::move(skipped))
    , m_details(details)
    , m_threads(std::max(1, threads))
{}

FolderWalker::Outcome ParallelWalk::walk(const SearchRequest& request)
{
    if (request.FolderPath.isEmpty()) {
        errno = ENOENT; // not the root folder
        return FolderWalker::Outcome::Unreadable;
    }
    // The top folder is opened once; every piece below it is opened relative to it.
    std::vector<Piece> pieces(1);
    pieces[0].folder.assign(request.FolderPath.constData(), size_t(request.FolderPath.size()));
    if (pieces[0].folder.back() != '/')
        pieces[0].folder.push_back('/');
    pieces[0].subtree = true;
    const int topFd = FolderOpen::named(pieces[0].folder.c_str());
    if (topFd < 0)
        return FolderWalker::Outcome::Unreadable; // errno tells why
    Output output(pieces, m_write);
    const bool split = this->split(request, topFd, pieces, output);
    if (split)
        walkPieces(request, topFd, pieces, output);
    close(topFd);
    if (!split || output.failed() || request.Cancel.cancelled())
        return FolderWalker::Outcome::Stopped;
    return FolderWalker::Outcome::Finished;
}

bool ParallelWalk::split(const SearchRequest& request, int topFd, std::vector<Piece>& pieces,
                         Output& output)
{
    // Read the upper folders level by level, in order, until there are enough subtrees.
    PieceSink sink(*this, output);
    FolderWalker walker(m_query, sink, m_details);
    SearchRequest part = request;
    const WalkStart start{topFd, pieces[0].folder.size(), {}};
    std::vector<ListedFolder> names;
    for (int level = 0; level < MaxSplitLevels; ++level) {
        const auto subtrees = size_t(
            std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return p.subtree; }));
        if (subtrees == 0 || (level > 0 && subtrees >= TargetPieces))
            break;
        std::vector<Piece> next;
        next.reserve(pieces.size() + subtrees * 8);
        for (Piece& piece : pieces) {
            if (!piece.subtree) {
                next.push_back(std::move(piece));
                continue;
            }
            Piece own;
            own.folder = piece.folder;
            own.walked = true;
            sink.target(own, 0, false);
            part.FolderPath = QByteArray(piece.folder.data(), qsizetype(piece.folder.size()));
            quint64 dev = 0;
            WalkStart here = start;
            here.listed = piece.listed;
            const FolderWalker::Outcome outcome = walker.scanOne(part, here, names, dev);
            if (outcome == FolderWalker::Outcome::Stopped)
                return false;
            if (outcome == FolderWalker::Outcome::Unreadable)
                sink.unreadable(QByteArrayView(piece.folder.data(), qsizetype(piece.folder.size())),
                                errno);
            m_count += own.count;
            next.push_back(std::move(own));
            for (const ListedFolder& name : names) {
                Piece sub;
                sub.folder.reserve(piece.folder.size() + name.name.size() + 1);
                sub.folder.append(piece.folder).append(name.name).push_back('/');
                sub.listed = {name.ino, dev};
                sub.subtree = true;
                next.push_back(std::move(sub));
            }
        }
        pieces = std::move(next);
    }
    output.drainReady();
    return true;
}

void ParallelWalk::walkPieces(const SearchRequest& request, int topFd, std::vector<Piece>& pieces,
                              Output& output)
{
    // Walk the subtrees on every thread, each taking the next one in order.
    std::atomic<size_t> nextPiece{0};
    const size_t topLength = pieces[0].folder.size();
    const auto work = [&] {
        PieceSink sink(*this, output);
        FolderWalker walker(m_query, sink, m_details);
        SearchRequest own = request;
        for (;;) {
            const size_t index = nextPiece.fetch_add(1, std::memory_order_relaxed);
            if (index >= pieces.size() || output.failed())
                break;
            Piece& piece = pieces[index];
            if (piece.walked)
                continue;
            sink.target(piece, index, true);
            own.FolderPath = QByteArray(piece.folder.data(), qsizetype(piece.folder.size()));
            // A subtree that vanished or became a link since it was listed is skipped.
            if (walker.walk(own, {topFd, topLength, piece.listed}) ==
                FolderWalker::Outcome::Unreadable)
                sink.unreadable(own.FolderPath, errno);
            output.finish(index);
        }
    };
    const size_t waiting = size_t(
        std::count_if(pieces.begin(), pieces.end(), [](const Piece& p) { return !p.walked; }));
    std::vector<std::thread> helpers;
    const size_t helperCount = std::min(size_t(m_threads - 1), waiting > 0 ? waiting - 1 : 0);
    helpers.reserve(helperCount);
    for (size_t i = 0; i < helperCount; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // no more threads to be had: the ones running share the work
        }
    }
    work();
    for (std::thread& helper : helpers)
        helper.join();
    output.drainReady();
    for (const Piece& piece : pieces) {
        if (piece.subtree)
            m_count += piece.count;
    }
}
