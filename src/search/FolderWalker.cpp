#include "FolderWalker.h"

#include "AsciiText.h"
#include "Shortcut.h"
#include "platform/TypeNames.h"

#include <cerrno>
#include <climits>
#include <cstring>
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

qint64 msecs(const struct timespec& t)
{
    return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
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

    void add(const char* name, size_t length, quint64 ino)
    {
        starts.push_back(names.size());
        names.append(name, length + 1);
        inos.push_back(ino);
    }
};

/// One directory record being looked at.
struct FolderWalker::Entry {
    const char* rawName = nullptr;
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
}

FolderWalker::Outcome FolderWalker::openStart(const SearchRequest& request, const WalkStart& start,
                                              int& fd, quint64& dev)
{
    fd = -1;
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
        fd = FolderOpen::named(m_path.c_str());
        if (fd < 0)
            return Outcome::Unreadable;
        dev = FolderOpen::deviceOf(fd);
        return Outcome::Finished;
    }
    m_topFd = start.anchorFd;
    m_topLength = start.anchorLength;
    if (m_path.size() == m_topLength) {
        // The anchor itself.
        fd = openat(m_topFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        dev = FolderOpen::deviceOf(fd);
        return fd < 0 ? Outcome::Unreadable : Outcome::Finished;
    }
    fd = openBelow();
    if (fd < 0)
        return Outcome::Unreadable;
    if (!FolderOpen::isListed(fd, start.listed, dev)) {
        close(fd);
        errno = 0;
        return Outcome::Unreadable;
    }
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::scanOne(const SearchRequest& request, const WalkStart& start,
                                            std::vector<ListedFolder>& subfolders, quint64& dev)
{
    subfolders.clear();
    int fd = -1;
    const Outcome opened = openStart(request, start, fd, dev);
    if (opened != Outcome::Finished) {
        const int error = errno;
        dropTopAnchor();
        errno = error;
        return opened;
    }
    Frame frame;
    const bool finished = scanFolder(fd, frame);
    close(fd);
    dropTopAnchor();
    if (!finished)
        return Outcome::Stopped;
    subfolders.reserve(frame.starts.size());
    for (size_t i = 0; i < frame.starts.size(); ++i)
        subfolders.push_back({frame.names.data() + frame.starts[i], frame.inos[i]});
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::walk(const SearchRequest& request, const WalkStart& start)
{
    int fd = -1;
    std::vector<Frame> stack(1);
    const Outcome opened = openStart(request, start, fd, stack.back().dev);
    if (opened != Outcome::Finished) {
        const int error = errno;
        dropTopAnchor();
        errno = error;
        return opened;
    }
    if (start.anchorFd < 0) {
        // The top folder stays open as the anchor its subfolders are opened from (one
        // descriptor, whatever the depth): the kernel then resolves only the part of each
        // path below it, and walks on several threads do not contend for the folders above.
        m_topFd = fd;
        m_topLength = m_path.size();
        m_ownsTop = true;
    }
    stack.back().pathLength = m_path.size();
    Outcome outcome = scanFolder(fd, stack.back()) ? Outcome::Finished : Outcome::Stopped;
    if (!m_ownsTop)
        close(fd);

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
    const int fd = openBelow();
    const QByteArrayView path(m_path.data(), qsizetype(m_path.size()));
    if (fd < 0) {
        m_sink.unreadable(path, errno); // vanished, no access, or a link took its place
        return true;
    }
    Frame child;
    if (!FolderOpen::isListed(fd, {frame.inos[index], frame.dev}, child.dev)) {
        close(fd);
        m_sink.unreadable(path, 0);
        return true;
    }
    child.pathLength = m_path.size();
    const bool finished = scanFolder(fd, child);
    close(fd);
    if (finished && !child.starts.empty())
        stack.push_back(std::move(child)); // `frame` may move: used no more
    return finished;
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

bool FolderWalker::scanFolder(int fd, Frame& subfolders)
{
    // getdents64 straight into a reused buffer: no stdio-like DIR set-up per folder.
    if (m_entries.empty())
        m_entries.resize(64 * 1024);
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
            if (filled <= 0)
                return true; // what was read counts
        }
        const auto* record = reinterpret_cast<const DirEntry64*>(m_entries.data() + offset);
        offset += record->d_reclen;
        const char* rawName = record->d_name;
        if (rawName[0] == '.' && (rawName[1] == 0 || (rawName[1] == '.' && rawName[2] == 0)))
            continue;
        entry.rawName = rawName;
        entry.name = QByteArrayView(rawName, qsizetype(strlen(rawName)));
        entry.type = record->d_type;
        entry.ino = quint64(record->d_ino);
        entry.haveStat = false;
        handleEntry(fd, entry, subfolders);
    }
}

void FolderWalker::handleEntry(int fd, Entry& entry, Frame& subfolders)
{
    if (entry.type == DT_UNKNOWN) {
        if (fstatat(fd, entry.rawName, &entry.st, AT_SYMLINK_NOFOLLOW) != 0)
            return; // vanished
        entry.haveStat = true;
        entry.type = typeOfMode(entry.st.st_mode);
        entry.ino = quint64(entry.st.st_ino);
    }
    const bool isFolder = entry.type == DT_DIR;
    if (isFolder && m_request->IncludeSubfolders)
        subfolders.add(entry.rawName, size_t(entry.name.size()), entry.ino);
    const FileFilter& filter = m_request->Pattern;
    if (filter.matchesNothing() || !filter.accepts(entry.name))
        return;

    const bool nameMatches = m_query.current().matchesName(entry.name);
    const bool shortcutName =
        AsciiText::endsWithNoCase(entry.name, "url") ||
        (entry.type == DT_REG && AsciiText::endsWithNoCase(entry.name, ".desktop"));
    if (!nameMatches && !shortcutName)
        return;

    FoundEntry found;
    found.url = notApplicableUrl();
    if (shortcutName && !readShortcut(fd, entry, nameMatches, found))
        return;
    if ((filter.needsExecutable() || m_details) && !readDetails(fd, entry, found))
        return;
    found.folder = QByteArrayView(m_path.data(), qsizetype(m_path.size()));
    found.name = entry.name;
    found.isFolder = isFolder;
    m_sink.found(found);
}

bool FolderWalker::readShortcut(int fd, const Entry& entry, bool nameMatches, FoundEntry& found)
{
    const bool urlFile = AsciiText::endsWithNoCase(entry.name, "url");
    // Only regular files are read; anything else named so has no readable address.
    std::optional<QByteArray> data;
    if (entry.type == DT_REG)
        data = Shortcut::readSmallFile(fd, entry.rawName);
    bool isShortcut = false;
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
    return nameMatches || (isShortcut && m_query.current().matchesText(found.url));
}

bool FolderWalker::readDetails(int fd, Entry& entry, FoundEntry& found)
{
    if (!entry.haveStat) {
        if (fstatat(fd, entry.rawName, &entry.st, AT_SYMLINK_NOFOLLOW) == 0)
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
        found.mtime = msecs(st.st_mtim);
    }
    return true;
}
