#include "ParallelWalk.h"

#include "FolderOpen.h"
#include "platform/TypeNames.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
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
/// Timed output is handed on at least this often while matches come in.
constexpr std::chrono::milliseconds DeliveryInterval{30};
/// Entries between two looks at the clock when no match came.
constexpr unsigned TickEntries = 256;

using Clock = std::chrono::steady_clock;

qint64 nowTicks()
{
    return Clock::now().time_since_epoch().count();
}

constexpr qint64 intervalTicks()
{
    return std::chrono::duration_cast<Clock::duration>(DeliveryInterval).count();
}

/// Appends `from` to `to`, leaving `from` empty.
void moveAppend(ResultRows& to, ResultRows& from)
{
    if (to.empty())
        to.swap(from);
    else
        to.insert(to.end(), std::make_move_iterator(from.begin()),
                  std::make_move_iterator(from.end()));
    from.clear();
}

} // namespace

/// The type names and the folder string last used by one walking thread.
class RowFormat::Cache final {
public:
    TypeNames::Local types{TypeNames::instance()};
    QByteArray location;
    std::unique_ptr<RowPreparation::Step> step; // made on the thread that uses it
};

RowFormat::RowFormat(std::shared_ptr<const RowPreparation> preparation)
    : m_preparation(std::move(preparation))
{}

RowFormat::RowFormat(const RowFormat& other)
    : m_preparation(other.m_preparation)
{}

RowFormat::~RowFormat() = default;

void RowFormat::operator()(const FoundEntry& entry, ResultRows& rows)
{
    if (!m_cache) {
        m_cache = std::make_unique<Cache>();
        if (m_preparation)
            m_cache->step = m_preparation->step();
    }
    // Rows of one folder arrive one after the other: they share one location string.
    if (QByteArrayView(m_cache->location) != entry.folder)
        m_cache->location = entry.folder.toByteArray();
    ResultRow& row = rows.emplace_back();
    row.location = m_cache->location;
    row.fileName = entry.name.toByteArray();
    row.folder = entry.isFolder;
    row.size = entry.size;
    row.mtime = entry.mtime;
    row.typeName = m_cache->types.typeName(entry.name, entry.isFolder);
    row.url = entry.url;
    if (m_cache->step)
        m_cache->step->prepare(row);
}

/// One part of the tree in output order: a folder read alone, or a whole subtree.
template<typename Format> struct OrderedWalk<Format>::Piece {
    std::string folder; // ending in '/'
    FolderOpen::Listed listed;
    bool subtree = false;
    bool walked = false; // its output is complete
    Buffer out;
    quint64 count = 0;
};

/// Hands the pieces' output on in order as it becomes ready: at once for bytes; for timed
/// output gathered and handed on at most every interval, and at the end.
template<typename Format> class OrderedWalk<Format>::Output final {
public:
    Output(std::vector<Piece>& pieces, const Write& write)
        : m_pieces(pieces)
        , m_write(write)
        , m_lastDelivery(nowTicks())
    {}
    Q_DISABLE_COPY_MOVE(Output)

    /// Marks piece `index` complete and hands on every complete piece that is next in line.
    /// A piece whose walk was `cutShort` by a stop is the last one handed on: pieces after it
    /// may have been walked whole by other threads, and what goes out must stay a beginning of
    /// one thread's output.
    void finish(size_t index, bool cutShort)
    {
        const std::lock_guard lock(m_mutex);
        if (cutShort && index < m_cut.load(std::memory_order_relaxed))
            m_cut.store(index, std::memory_order_relaxed);
        m_pieces[index].walked = true;
        drain();
        deliverIfDue();
    }
    /// Hands on every complete piece that is next in line, and whatever was gathered.
    void drainReady()
    {
        const std::lock_guard lock(m_mutex);
        drain();
        deliver();
    }
    /// Whether piece `index` is the first whose output is not yet handed on.
    bool isNext(size_t index) const
    {
        return m_written.load(std::memory_order_acquire) == index && mayGoOut(index);
    }
    /// Hands on and empties the buffer of piece `index` if every piece before it is handed on.
    void streamIfNext(size_t index)
    {
        const std::lock_guard lock(m_mutex);
        if (isNext(index)) {
            hand(m_pieces[index].out);
            deliverIfDue();
        }
    }
    /// Whether timed output is due to be handed on.
    bool due() const
    {
        return nowTicks() - m_lastDelivery.load(std::memory_order_relaxed) >= intervalTicks();
    }
    /// Hands on what was gathered if it is due, unless another thread is at it.
    void tick()
    {
        const std::unique_lock lock(m_mutex, std::try_to_lock);
        if (lock.owns_lock())
            deliverIfDue();
    }
    /// Whether writing failed; every walk then stops.
    bool failed() const { return m_failed.load(std::memory_order_relaxed); }
    /// Makes every walk stop.
    void fail() { m_failed.store(true, std::memory_order_relaxed); }

private:
    /// Whether piece `index` may go out at all: none after the one a stop cut short.
    bool mayGoOut(size_t index) const { return index <= m_cut.load(std::memory_order_relaxed); }
    void drain()
    {
        for (size_t next = m_written.load(std::memory_order_relaxed);
             next < m_pieces.size() && mayGoOut(next) && m_pieces[next].walked; ++next) {
            Buffer& out = m_pieces[next].out;
            hand(out);
            Buffer().swap(out);
            m_written.fetch_add(1, std::memory_order_release);
        }
    }
    /// Bytes are written at once; timed output is gathered.
    void hand(Buffer& out)
    {
        if (out.empty() || failed())
            return;
        if constexpr (Format::Timed)
            moveAppend(m_gathered, out);
        else
            write(out);
    }
    void deliverIfDue()
    {
        if constexpr (Format::Timed) {
            if (!m_gathered.empty() && due())
                deliver();
        }
    }
    void deliver()
    {
        if constexpr (Format::Timed) {
            if (!m_gathered.empty())
                write(m_gathered);
            Buffer().swap(m_gathered);
            m_lastDelivery.store(nowTicks(), std::memory_order_relaxed);
        }
    }
    void write(Buffer& out)
    {
        if (!failed() && !m_write(out))
            fail();
        out.clear();
    }

    std::vector<Piece>& m_pieces;
    const Write& m_write;
    std::mutex m_mutex;
    std::atomic<size_t> m_written{0};
    std::atomic<size_t> m_cut{SIZE_MAX}; ///< the piece a stop cut short: none after it goes out
    std::atomic<bool> m_failed{false};
    std::atomic<qint64> m_lastDelivery;
    Buffer m_gathered; // timed output handed on but not yet delivered
};

/// Formats the matches of one piece into its buffer; one per walking thread.
template<typename Format> class OrderedWalk<Format>::PieceSink final : public WalkSink {
public:
    PieceSink(const OrderedWalk& walk, Output& output)
        : m_walk(walk)
        , m_format(walk.m_format)
        , m_output(output)
    {}

    /// Directs the matches to piece `index`; `streams` lets it hand on early.
    void target(Piece& piece, size_t index, bool streams)
    {
        m_piece = &piece;
        m_index = index;
        m_streams = streams;
        m_nextTry = StreamBytes;
    }

    bool stopRequested() override
    {
        if (m_output.failed())
            return true;
        if (m_walk.m_stop && m_walk.m_stop()) {
            m_output.fail();
            return true;
        }
        if constexpr (Format::Timed) {
            // Between matches too, so a lone match is not held back by a long stretch
            // without any.
            if ((++m_entries % TickEntries) == 0 && m_output.due()) {
                streamIfDue();
                m_output.tick();
            }
        }
        return false;
    }

    void found(const FoundEntry& entry) override
    {
        m_format(entry, m_piece->out);
        ++m_piece->count;
        if constexpr (Format::Timed) {
            if (m_output.due())
                streamIfDue();
        } else if (m_streams && m_piece->out.size() >= m_nextTry) {
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
    void streamIfDue()
    {
        if (m_streams && !m_piece->out.empty() && m_output.isNext(m_index))
            m_output.streamIfNext(m_index);
    }

    const OrderedWalk& m_walk;
    Format m_format;
    Output& m_output;
    Piece* m_piece = nullptr;
    size_t m_index = 0;
    bool m_streams = false;
    size_t m_nextTry = StreamBytes;
    unsigned m_entries = 0;
};

template<typename Format>
OrderedWalk<Format>::OrderedWalk(const LiveQuery& query, Format format, Write write, bool details,
                                 int threads, Skipped skipped, Stop stop)
    : m_query(query)
    , m_format(std::move(format))
    , m_write(std::move(write))
    , m_skipped(std::move(skipped))
    , m_stop(std::move(stop))
    , m_details(details)
    , m_threads(std::max(1, threads))
{}

template<typename Format>
FolderWalker::Outcome OrderedWalk<Format>::walk(const SearchRequest& request)
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
    const FolderWalker::Outcome split = this->split(request, topFd, pieces, output);
    const int error = errno;
    if (split == FolderWalker::Outcome::Finished)
        walkPieces(request, topFd, pieces, output);
    else
        output.drainReady(); // what the top folder listed before the stop
    close(topFd);
    if (split == FolderWalker::Outcome::Unreadable) {
        errno = error;
        return split;
    }
    if (split == FolderWalker::Outcome::Stopped || output.failed() || request.Cancel.cancelled())
        return FolderWalker::Outcome::Stopped;
    return FolderWalker::Outcome::Finished;
}

template<typename Format>
FolderWalker::Outcome OrderedWalk<Format>::split(const SearchRequest& request, int topFd,
                                                 std::vector<Piece>& pieces, Output& output)
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
            m_count += own.count;
            if (outcome == FolderWalker::Outcome::Stopped) {
                // What was found before the stop still goes out, in order.
                next.push_back(std::move(own));
                pieces = std::move(next);
                return outcome;
            }
            // The top folder opened but cannot be read (listable without the right to enter
            // it): the walk's own failure, as if it had not opened, not a skipped subfolder.
            if (outcome == FolderWalker::Outcome::Unreadable && level == 0)
                return outcome; // errno tells why
            if (outcome == FolderWalker::Outcome::Unreadable)
                sink.unreadable(QByteArrayView(piece.folder.data(), qsizetype(piece.folder.size())),
                                errno);
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
    return FolderWalker::Outcome::Finished;
}

template<typename Format>
void OrderedWalk<Format>::walkPieces(const SearchRequest& request, int topFd,
                                     std::vector<Piece>& pieces, Output& output)
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
            const FolderWalker::Outcome outcome =
                walker.walk(own, {topFd, topLength, piece.listed});
            if (outcome == FolderWalker::Outcome::Unreadable)
                sink.unreadable(own.FolderPath, errno);
            output.finish(index, outcome == FolderWalker::Outcome::Stopped);
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

template class OrderedWalk<ByteFormat>;
template class OrderedWalk<RowFormat>;
