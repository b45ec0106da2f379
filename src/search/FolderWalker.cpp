#include "FolderWalker.h"

#include "AsciiText.h"
#include "Shortcut.h"
#include "platform/FileTime.h"
#include "platform/SmallFile.h"
#include "platform/TypeNames.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

/// One record of getdents64.
struct DirEntry64 {
    ino64_t d_ino;
    off64_t d_off;
    unsigned short d_reclen;
    unsigned char d_type;
    char d_name[];
};

/// After this many looks at entries of a folder answered from memory, the folder is opened so
/// that the rest are looked at from it.
constexpr unsigned OpenAfterLookups = 4;

/// The time now, ns since the epoch, on the clock file times come from.
qint64 nowNanoseconds()
{
    struct timespec t;
    clock_gettime(CLOCK_REALTIME_COARSE, &t);
    return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

unsigned char typeOfMode(mode_t mode)
{
    if (S_ISDIR(mode))
        return DT_DIR;
    if (S_ISREG(mode))
        return DT_REG;
    if (S_ISLNK(mode))
        return DT_LNK;
    return DT_UNKNOWN; // FIFOs, devices and sockets: never opened, never entered
}

/// Whether an entry's name marks it as a possible shortcut, whose address is tested too.
bool shortcutNamed(QByteArrayView name, unsigned char type)
{
    return AsciiText::endsWithNoCase(name, "url") ||
           ((type == DT_REG || type == DT_LNK) && AsciiText::endsWithNoCase(name, ".desktop"));
}

/// Whether a shortcut's address is read from the entry: a file, or a link to one.
bool readable(unsigned char type)
{
    return type == DT_REG || type == DT_LNK;
}

} // namespace

const QString& notApplicableUrl()
{
    static const QString text = QStringLiteral("n/a");
    return text;
}

ResultRow makeResultRow(const FoundEntry& entry)
{
    ResultRow row;
    row.location = entry.folder.toByteArray();
    row.fileName = entry.name.toByteArray();
    row.folder = entry.isFolder;
    row.size = entry.size;
    row.mtime = entry.mtime;
    row.typeName = TypeNames::instance().typeName(entry.name, entry.isFolder);
    row.url = entry.url;
    return row;
}

/// The subfolders of one folder, waiting to be entered.
struct FolderWalker::Frame {
    std::string names;          // NUL-terminated names, one after the other
    std::vector<size_t> starts; // where each name starts in `names`
    std::vector<quint64> inos;  // each one's inode as listed
    size_t next = 0;            // the next one to enter
    size_t pathLength = 0;      // length of the folder's own path (with its '/')
    quint64 dev = 0;            // the folder's device

    void add(QByteArrayView name, quint64 ino)
    {
        starts.push_back(names.size());
        names.append(name.data(), size_t(name.size()));
        names.push_back('\0');
        inos.push_back(ino);
    }
};

/// One directory record being looked at.
struct FolderWalker::Entry {
    const char* rawName = nullptr; // NUL-terminated, when read from the disk
    quint32 index = 0;             // the entry's position in its folder's listing
    QByteArrayView name;
    unsigned char type = DT_UNKNOWN;
    quint64 ino = 0;
    struct stat st;
    bool haveStat = false;
};

FolderWalker::FolderWalker(const LiveQuery& query, WalkSink& sink, bool details)
    : m_query(query)
    , m_sink(sink)
    , m_details(details)
{}

FolderWalker::~FolderWalker()
{
    dropTopAnchor();
}

bool FolderWalker::stopped()
{
    return (m_request && m_request->Cancel.cancelled()) || m_sink.stopRequested();
}

void FolderWalker::dropDeepAnchor()
{
    if (m_deepFd >= 0)
        close(m_deepFd);
    m_deepFd = -1;
    m_deepLength = 0;
}

void FolderWalker::dropTopAnchor()
{
    dropDeepAnchor();
    if (m_ownsTop && m_topFd >= 0)
        close(m_topFd);
    m_topFd = -1;
    m_topLength = 0;
    m_ownsTop = false;
    m_topUnread = false;
    m_scope.reset();
}

FolderWalker::Outcome FolderWalker::openStart(const SearchRequest& request, const WalkStart& start)
{
    dropTopAnchor();
    m_request = &request;
    if (request.FolderPath.isEmpty()) {
        errno = ENOENT;
        return Outcome::Unreadable;
    }
    if (stopped())
        return Outcome::Stopped;
    m_path.assign(request.FolderPath.constData(), size_t(request.FolderPath.size()));
    if (m_path.back() != '/')
        m_path.push_back('/');
    if (start.anchorFd < 0) {
        const int fd = FolderOpen::named(m_path.c_str());
        if (fd < 0)
            return Outcome::Unreadable;
        // The top folder stays open as the anchor its subfolders are opened from (one
        // descriptor, whatever the depth): the kernel then resolves only the part of each
        // path below it, and walks on several threads do not contend for the folders above.
        m_topFd = fd;
        m_topLength = m_path.size();
        m_ownsTop = true;
        m_topUnread = true;
    } else {
        m_topFd = start.anchorFd;
        m_topLength = start.anchorLength;
    }
    if (request.Listings)
        m_scope = request.Listings->scope(std::string_view(m_path).substr(0, m_topLength));
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::scanOne(const SearchRequest& request, const WalkStart& start,
                                            std::vector<ListedFolder>& subfolders, quint64& dev)
{
    subfolders.clear();
    Frame frame;
    Outcome outcome = openStart(request, start);
    if (outcome == Outcome::Finished) {
        frame.pathLength = m_path.size();
        outcome = readFolder(m_path.size() == m_topLength ? nullptr : &start.listed, frame);
    }
    const int error = errno;
    dropTopAnchor();
    errno = error;
    dev = frame.dev;
    if (outcome != Outcome::Finished)
        return outcome;
    subfolders.reserve(frame.starts.size());
    for (size_t i = 0; i < frame.starts.size(); ++i)
        subfolders.push_back({frame.names.data() + frame.starts[i], frame.inos[i]});
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::walk(const SearchRequest& request, const WalkStart& start)
{
    std::vector<Frame> stack(1);
    Outcome outcome = openStart(request, start);
    if (outcome == Outcome::Finished) {
        stack.back().pathLength = m_path.size();
        outcome = readFolder(m_path.size() == m_topLength ? nullptr : &start.listed, stack.back());
    }
    if (outcome != Outcome::Finished) {
        const int error = errno;
        dropTopAnchor();
        errno = error;
        return outcome;
    }

    // Depth first without recursion: each frame holds the subfolders still to enter.
    while (outcome == Outcome::Finished && !stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.starts.size())
            stack.pop_back();
        else if (stopped())
            outcome = Outcome::Stopped;
        else if (!enterNext(frame, stack))
            outcome = Outcome::Stopped;
    }
    dropTopAnchor();
    return outcome;
}

bool FolderWalker::enterNext(Frame& frame, std::vector<Frame>& stack)
{
    const size_t index = frame.next++;
    m_path.resize(frame.pathLength);
    m_path.append(frame.names.data() + frame.starts[index]);
    m_path.push_back('/');
    const FolderOpen::Listed listed{frame.inos[index], frame.dev};
    Frame child;
    child.pathLength = m_path.size();
    const Outcome outcome = readFolder(&listed, child);
    if (outcome == Outcome::Unreadable) {
        // Vanished, no access, a link took its place (errno), or another folder did (0).
        m_sink.unreadable(QByteArrayView(m_path.data(), qsizetype(m_path.size())), errno);
        return true;
    }
    if (outcome == Outcome::Finished && !child.starts.empty())
        stack.push_back(std::move(child)); // `frame` may move: used no more
    return outcome == Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::readFolder(const FolderOpen::Listed* listed, Frame& frame)
{
    // `listed` is null for the anchor itself, whose identity its opening settled.
    if (m_scope) {
        bool stale = false;
        ListingCache::Key key;
        if (const auto listing = remembered(listed, frame.dev, key, stale)) {
            m_request->Listings->countFolder(true);
            return replayFolder(*listing, frame) ? Outcome::Finished : Outcome::Stopped;
        }
        if (stale)
            m_scope->forget(key);
        m_request->Listings->countFolder(false);
    }
    const qint64 readAt = m_scope ? nowNanoseconds() : 0;
    int fd = -1;
    bool ownFd = true;
    struct stat st;
    bool haveStat = true;
    if (listed == nullptr) {
        if (m_topUnread) {
            fd = m_topFd;
            ownFd = false;
            m_topUnread = false;
        } else {
            fd = openat(m_topFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        }
        if (fd < 0)
            return Outcome::Unreadable;
        haveStat = fstat(fd, &st) == 0;
        frame.dev = haveStat ? quint64(st.st_dev) : 0;
    } else {
        fd = openBelow();
        if (fd < 0)
            return Outcome::Unreadable;
        if (!FolderOpen::isListed(fd, *listed, st)) {
            close(fd);
            errno = 0;
            return Outcome::Unreadable;
        }
        frame.dev = quint64(st.st_dev);
    }
    // Kept only when no change can hide in the same clock tick as the last one.
    ListingCache::Signature signature;
    if (m_scope && haveStat)
        signature = ListingCache::Signature::of(st, false);
    const bool remember = m_scope && haveStat && m_request->Listings->settled(signature, readAt);
    const bool finished = scanFolder(fd, frame, remember ? &signature : nullptr);
    if (ownFd)
        close(fd);
    return finished ? Outcome::Finished : Outcome::Stopped;
}

std::shared_ptr<const ListingCache::Listing>
FolderWalker::remembered(const FolderOpen::Listed* listed, quint64& dev, ListingCache::Key& key,
                         bool& stale)
{
    // Looked up by what the parent lists; a folder mounted over since then, or one on an
    // overlay listed with another inode, is not found and read again.
    struct stat st;
    if (listed == nullptr) {
        if (fstat(m_topFd, &st) != 0)
            return nullptr;
        key = {quint64(st.st_dev), quint64(st.st_ino)};
    } else {
        key = {listed->parentDev, listed->ino};
    }
    std::shared_ptr<const ListingCache::Listing> listing = m_scope->find(key);
    if (!listing || !replayAnchor(*listing))
        return nullptr;
    m_replayMayMatch = m_query.current().mayMatchAmong(listing->allNames(), listing->asciiNames());
    if (listed != nullptr && !checkReplayed(st))
        return nullptr; // the read tells what went wrong
    // The same device and inode as listed (no link, no mount), and unchanged since read.
    if (!S_ISDIR(st.st_mode) || ListingCache::Signature::of(st, false) != listing->signature()) {
        if (m_replayFd >= 0)
            close(m_replayFd);
        m_replayFd = -1;
        stale = true;
        return nullptr;
    }
    if (m_replayFd >= 0) {
        m_entryFd = m_replayFd;
        m_replayBase = m_path.size();
    }
    dev = quint64(st.st_dev);
    return listing;
}

bool FolderWalker::checkReplayed(struct stat& st)
{
    // Matches whose files need a look are looked at from the folder itself, so it is opened
    // now and its status taken from the open folder rather than looked up once more.
    if (m_replayMayMatch && (m_details || m_request->Pattern.needsExecutable())) {
        const int fd = openBelow();
        if (fd < 0)
            return false;
        if (fstat(fd, &st) != 0) {
            close(fd);
            return false;
        }
        m_replayFd = fd;
        return true;
    }
    // Without its final '/': with it a link there would be followed.
    m_path.back() = '\0';
    const int result = fstatat(m_entryFd, m_path.c_str() + m_replayBase, &st, AT_SYMLINK_NOFOLLOW);
    m_path.back() = '/';
    return result == 0;
}

bool FolderWalker::replayAnchor(const ListingCache::Listing& listing)
{
    // Every entry's path below the anchor it is looked at from must fit in PATH_MAX.
    const size_t room = size_t(listing.longestName()) + 1;
    if (m_path.size() - m_topLength + room < PATH_MAX) {
        m_entryFd = m_topFd;
        m_replayBase = m_topLength;
        return true;
    }
    if (deepAnchorFits() && m_path.size() - m_deepLength + room < PATH_MAX) {
        m_entryFd = m_deepFd;
        m_replayBase = m_deepLength;
        return true;
    }
    return false;
}

int FolderWalker::openRelative(int anchorFd, size_t anchorLength)
{
    // The last name goes to the kernel bare: with a '/' after it a link there is followed.
    m_path.back() = '\0';
    const int fd = FolderOpen::beneath(anchorFd, m_path.c_str() + anchorLength);
    const int error = errno;
    m_path.back() = '/';
    errno = error;
    return fd;
}

int FolderWalker::openBelow()
{
    // The path below the anchor, without its final '/', must be shorter than PATH_MAX.
    if (m_path.size() - m_topLength <= PATH_MAX)
        return openRelative(m_topFd, m_topLength);
    if (deepAnchorFits() || openDeepAnchor())
        return openRelative(m_deepFd, m_deepLength);
    return -1;
}

bool FolderWalker::deepAnchorFits() const
{
    return m_deepFd >= 0 && m_path.size() > m_deepLength &&
           m_path.size() - m_deepLength <= PATH_MAX &&
           m_path.compare(0, m_deepLength, m_deepPath) == 0;
}

bool FolderWalker::openDeepAnchor()
{
    // Paths beyond PATH_MAX below the top are opened relative to a second anchor further
    // down, kept open while the walk stays below it; half of PATH_MAX is left below it so
    // that it serves many folders. It is opened piece by piece from the top, each piece
    // shorter than PATH_MAX and, as every folder below the top, without following links.
    dropDeepAnchor();
    const size_t cut = m_path.rfind('/', m_path.size() - PATH_MAX / 2);
    if (cut == std::string::npos || cut < m_topLength) {
        errno = ENAMETOOLONG;
        return false;
    }
    std::string piece;
    int fd = m_topFd;
    size_t done = m_topLength;
    while (done <= cut) {
        size_t end = cut; // the '/' that ends this piece
        if (end - done >= PATH_MAX) {
            end = m_path.rfind('/', done + PATH_MAX - 1);
            if (end == std::string::npos || end <= done) {
                errno = ENAMETOOLONG;
                break;
            }
        }
        piece.assign(m_path, done, end - done);
        const int next = FolderOpen::beneath(fd, piece.c_str());
        const int error = errno;
        if (fd != m_topFd)
            close(fd);
        fd = next;
        errno = error;
        if (fd < 0)
            return false;
        done = end + 1;
    }
    if (done <= cut) {
        if (fd != m_topFd)
            close(fd);
        return false;
    }
    m_deepFd = fd;
    m_deepLength = cut + 1;
    m_deepPath.assign(m_path, 0, m_deepLength);
    return true;
}

bool FolderWalker::scanFolder(int fd, Frame& subfolders, const ListingCache::Signature* remember)
{
    // getdents64 straight into a reused buffer: no stdio-like DIR set-up per folder.
    if (m_entries.empty())
        m_entries.resize(64 * 1024);
    m_entryFd = fd;
    m_building = remember != nullptr;
    if (m_building)
        m_builder.clear();
    long filled = 0;
    long offset = 0;
    Entry entry;
    for (;;) {
        if (stopped())
            return false;
        if (offset >= filled) {
            filled = syscall(SYS_getdents64, fd, m_entries.data(), m_entries.size());
            offset = 0;
            if (filled < 0 && errno != ENOENT) // a folder removed while read just ends
                m_sink.unreadable(QByteArrayView(m_path.data(), qsizetype(m_path.size())), errno);
            if (filled <= 0) {
                // Only a listing read to its end is kept.
                if (filled == 0 && m_building)
                    m_scope->store({remember->dev, remember->ino}, m_builder.finish(*remember));
                m_building = false;
                return true; // what was read counts
            }
        }
        const auto* record = reinterpret_cast<const DirEntry64*>(m_entries.data() + offset);
        offset += record->d_reclen;
        const char* rawName = record->d_name;
        if (rawName[0] == '.' && (rawName[1] == 0 || (rawName[1] == '.' && rawName[2] == 0)))
            continue;
        entry.rawName = rawName;
        entry.index = m_builder.count();
        entry.name = QByteArrayView(rawName, qsizetype(strlen(rawName)));
        entry.type = record->d_type;
        entry.ino = quint64(record->d_ino);
        entry.haveStat = false;
        if (entry.type == DT_UNKNOWN) {
            if (fstatat(fd, rawName, &entry.st, AT_SYMLINK_NOFOLLOW) != 0) {
                m_building = false; // vanished: the folder is changing
                continue;
            }
            entry.haveStat = true;
            entry.type = typeOfMode(entry.st.st_mode);
            entry.ino = quint64(entry.st.st_ino);
        }
        if (m_building) {
            m_builder.add(entry.name, entry.type, entry.ino,
                          readable(entry.type) && shortcutNamed(entry.name, entry.type));
        }
        handleEntry(entry, subfolders);
    }
}

bool FolderWalker::replayFolder(const ListingCache::Listing& listing, Frame& subfolders)
{
    m_replay = &listing;
    m_replayLookups = 0;
    m_building = false;
    const bool finished = m_replayMayMatch ? replayEntries(listing, subfolders)
                                           : replayUnmatched(listing, subfolders);
    m_replay = nullptr;
    if (m_replayFd >= 0)
        close(m_replayFd);
    m_replayFd = -1;
    // A read asks once more before it finds the listing's end.
    return finished && !stopped();
}

bool FolderWalker::replayEntries(const ListingCache::Listing& listing, Frame& subfolders)
{
    Entry entry;
    quint32 folders = 0;
    for (quint32 i = 0; i < listing.count(); ++i) {
        if (stopped())
            return false;
        entry.index = i;
        entry.name = listing.name(i);
        entry.type = listing.type(i);
        entry.ino = entry.type == DT_DIR ? listing.folderIno(folders++) : 0;
        entry.haveStat = false;
        handleEntry(entry, subfolders);
    }
    return true;
}

bool FolderWalker::replayUnmatched(const ListingCache::Listing& listing, Frame& subfolders)
{
    // No name here holds the text: only the subfolders and the shortcut files, whose
    // addresses may hold it, are looked at, in listing order as one by one.
    if (stopped())
        return false;
    if (m_request->IncludeSubfolders) {
        quint32 folders = 0;
        for (quint32 i = 0; i < listing.count(); ++i) {
            if (listing.type(i) == DT_DIR)
                subfolders.add(listing.name(i), listing.folderIno(folders++));
        }
    }
    Entry entry;
    for (quint32 k = 0; k < listing.shortcutCount(); ++k) {
        if (stopped())
            return false;
        entry.index = listing.shortcutEntry(k);
        entry.name = listing.name(entry.index);
        entry.type = listing.type(entry.index);
        entry.ino = 0;
        entry.haveStat = false;
        handleEntry(entry, subfolders);
    }
    return true;
}

const char* FolderWalker::atName(const Entry& entry)
{
    if (!m_replay)
        return entry.rawName;
    if (++m_replayLookups == OpenAfterLookups && m_replayBase < m_path.size())
        openReplayed();
    m_atName.assign(m_path, m_replayBase);
    m_atName.append(entry.name.data(), size_t(entry.name.size()));
    return m_atName.c_str();
}

void FolderWalker::openReplayed()
{
    // Many entries of this folder need a look: from the folder itself each costs less than
    // a path from the anchor. It must still be the folder remembered.
    const int fd = openBelow();
    if (fd < 0)
        return;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) ||
        ListingCache::Signature::of(st, false) != m_replay->signature()) {
        close(fd);
        return;
    }
    m_replayFd = fd;
    m_entryFd = fd;
    m_replayBase = m_path.size();
}

void FolderWalker::handleEntry(Entry& entry, Frame& subfolders)
{
    const bool isFolder = entry.type == DT_DIR;
    if (isFolder && m_request->IncludeSubfolders)
        subfolders.add(entry.name, entry.ino);
    const FileFilter& filter = m_request->Pattern;
    if (filter.matchesNothing() || !filter.accepts(entry.name))
        return;

    const bool nameMatches = m_query.current().matchesName(entry.name);
    const bool shortcutName = shortcutNamed(entry.name, entry.type);
    if (!nameMatches && !shortcutName)
        return;

    FoundEntry found;
    found.url = notApplicableUrl();
    if (shortcutName && !readShortcut(entry, nameMatches, found))
        return;
    if ((filter.needsExecutable() || m_details) && !readDetails(entry, found))
        return;
    found.folder = QByteArrayView(m_path.data(), qsizetype(m_path.size()));
    found.name = entry.name;
    found.isFolder = isFolder;
    m_sink.found(found);
}

bool FolderWalker::sameShortcut(Entry& entry, const ListingCache::ShortcutMemo& memo)
{
    const char* name = atName(entry); // may change m_entryFd
    if (fstatat(m_entryFd, name, &entry.st, AT_SYMLINK_NOFOLLOW) != 0)
        return false;
    entry.haveStat = true; // serves the details too
    return S_ISREG(entry.st.st_mode) && ListingCache::Signature::of(entry.st, true) == memo.file;
}

bool FolderWalker::readShortcut(Entry& entry, bool nameMatches, FoundEntry& found)
{
    const bool urlFile = AsciiText::endsWithNoCase(entry.name, "url");
    bool isShortcut = false;
    const ListingCache::ShortcutMemo* memo =
        m_replay && entry.type == DT_REG ? m_replay->memo(entry.index) : nullptr;
    if (memo && sameShortcut(entry, *memo)) {
        isShortcut = memo->isShortcut;
        if (isShortcut)
            found.url = m_replay->url(*memo);
        return nameMatches || (isShortcut && m_query.current().matchesText(found.url));
    }
    // Only regular files are read, also through a link; anything else named so has no
    // readable address.
    std::optional<QByteArray> data;
    struct stat st;
    const qint64 readAt = m_building ? nowNanoseconds() : 0;
    if (readable(entry.type)) {
        const char* name = atName(entry); // may change m_entryFd
        data = readSmallFile(m_entryFd, name, Shortcut::MaxShortcutBytes, &st);
    }
    if (urlFile) {
        isShortcut = true;
        found.url = data ? Shortcut::iniValue(*data, QStringLiteral("InternetShortcut"),
                                              QStringLiteral("URL"), QString())
                         : QString();
    } else if (data) {
        if (std::optional<QString> link = Shortcut::desktopLinkUrl(*data)) {
            isShortcut = true;
            found.url = *link;
        }
    }
    // A link's own signature does not change with the file it names: only files are kept.
    if (data && m_building && entry.type == DT_REG) {
        const ListingCache::Signature file = ListingCache::Signature::of(st, true);
        if (m_request->Listings->settled(file, readAt))
            m_builder.addShortcut(entry.index, file, isShortcut, found.url);
    }
    return nameMatches || (isShortcut && m_query.current().matchesText(found.url));
}

bool FolderWalker::readDetails(Entry& entry, FoundEntry& found)
{
    if (!entry.haveStat) {
        const char* name = atName(entry); // may change m_entryFd
        if (fstatat(m_entryFd, name, &entry.st, AT_SYMLINK_NOFOLLOW) == 0)
            entry.haveStat = true;
        else if (errno == ENOENT)
            return false; // vanished since it was listed
    }
    const struct stat& st = entry.st;
    if (m_request->Pattern.needsExecutable() &&
        (!entry.haveStat || !S_ISREG(st.st_mode) || (st.st_mode & 0111) == 0))
        return false;
    if (entry.haveStat) {
        found.size = entry.type == DT_DIR ? 0 : qint64(st.st_size);
        found.mtime = msecsOf(st.st_mtim);
    }
    return true;
}
