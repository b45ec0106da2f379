#include "FolderWalker.h"

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

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c + ('a' - 'A')) : c;
}

bool endsWithNoCase(QByteArrayView name, QByteArrayView lowerSuffix)
{
    if (name.size() < lowerSuffix.size())
        return false;
    const char* tail = name.data() + (name.size() - lowerSuffix.size());
    for (qsizetype i = 0; i < lowerSuffix.size(); ++i) {
        if (asciiLower(tail[i]) != lowerSuffix[i])
            return false;
    }
    return true;
}

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
    row.path.reserve(entry.folder.size() + entry.name.size());
    row.path.append(entry.folder).append(entry.name);
    row.nameOffset = qint32(entry.folder.size());
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
    size_t next = 0;            // the next one to enter
    size_t pathLength = 0;      // length of the folder's own path (with its '/')

    void add(const char* name, size_t length)
    {
        starts.push_back(names.size());
        names.append(name, length + 1);
    }
};

FolderWalker::FolderWalker(const LiveQuery& query, WalkSink& sink, bool details)
    : m_query(query)
    , m_sink(sink)
    , m_details(details)
{}

FolderWalker::~FolderWalker()
{
    dropAnchor();
}

void FolderWalker::dropAnchor()
{
    if (m_anchorFd >= 0)
        close(m_anchorFd);
    m_anchorFd = -1;
    m_anchor.clear();
}

FolderWalker::Outcome FolderWalker::openTop(const SearchRequest& request, Start start, int& fd)
{
    fd = -1;
    if (request.FolderPath.isEmpty()) {
        errno = ENOENT;
        return Outcome::Unreadable;
    }
    if (m_sink.stopRequested())
        return Outcome::Stopped;
    m_path.assign(request.FolderPath.constData(), size_t(request.FolderPath.size()));
    if (m_path.back() != '/')
        m_path.push_back('/');
    fd = openFolder(start == Start::Top);
    if (fd < 0) {
        const int error = errno;
        dropAnchor();
        errno = error;
        return Outcome::Unreadable;
    }
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::scanOne(const SearchRequest& request, Start start,
                                            std::vector<std::string>& subfolders)
{
    subfolders.clear();
    int fd = -1;
    const Outcome opened = openTop(request, start, fd);
    if (opened != Outcome::Finished)
        return opened;
    Frame frame;
    const bool finished = scanFolder(fd, request, frame);
    dropAnchor();
    if (!finished)
        return Outcome::Stopped;
    subfolders.reserve(frame.starts.size());
    for (const size_t at : frame.starts)
        subfolders.emplace_back(frame.names.data() + at);
    return Outcome::Finished;
}

FolderWalker::Outcome FolderWalker::walk(const SearchRequest& request, Start start)
{
    int topFd = -1;
    const Outcome opened = openTop(request, start, topFd);
    if (opened != Outcome::Finished)
        return opened;
    // Subfolders are opened relative to the top folder, kept open as the anchor (one
    // descriptor, whatever the depth): the kernel then resolves only the part of each path
    // below it, and walks on several threads do not contend for the folders above it.
    dropAnchor();
    m_anchorFd = fcntl(topFd, F_DUPFD_CLOEXEC, 0);
    if (m_anchorFd >= 0)
        m_anchor = m_path;
    std::vector<Frame> stack(1);
    stack.back().pathLength = m_path.size();
    Outcome outcome = Outcome::Finished;
    if (!scanFolder(topFd, request, stack.back()))
        outcome = Outcome::Stopped;

    // Depth first without recursion: each frame holds the subfolders still to enter.
    while (outcome == Outcome::Finished && !stack.empty()) {
        Frame& frame = stack.back();
        if (frame.next == frame.starts.size()) {
            stack.pop_back();
            continue;
        }
        if (m_sink.stopRequested()) {
            outcome = Outcome::Stopped;
            break;
        }
        const char* name = frame.names.data() + frame.starts[frame.next++];
        m_path.resize(frame.pathLength);
        m_path.append(name);
        m_path.push_back('/');
        const int fd = openFolder(false);
        if (fd < 0)
            continue; // vanished, no access, or replaced by a link: skipped in silence
        Frame child;
        child.pathLength = m_path.size();
        if (!scanFolder(fd, request, child))
            outcome = Outcome::Stopped;
        else if (!child.starts.empty())
            stack.push_back(std::move(child));
    }
    dropAnchor();
    return outcome;
}

int FolderWalker::openFolder(bool top)
{
    // Below the top folder a link is never followed, even if one replaced a folder since
    // it was listed.
    const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (top ? 0 : O_NOFOLLOW);
    if (!top && anchorFits())
        return openat(m_anchorFd, m_path.c_str() + m_anchor.size(), flags);
    if (m_path.size() < PATH_MAX)
        return open(m_path.c_str(), flags);
    return openLongPath(flags);
}

bool FolderWalker::anchorFits() const
{
    return m_anchorFd >= 0 && m_path.size() > m_anchor.size() &&
           m_path.size() - m_anchor.size() < PATH_MAX &&
           m_path.compare(0, m_anchor.size(), m_anchor) == 0;
}

int FolderWalker::openLongPath(int flags)
{
    // Paths beyond PATH_MAX are opened relative to an anchor folder higher up, which is kept
    // open (one descriptor) while the walk stays below it.
    if (!anchorFits()) {
        dropAnchor();
        // Leave half of PATH_MAX below the anchor, so it serves many folders.
        const size_t cut = m_path.rfind('/', m_path.size() - PATH_MAX / 2);
        if (cut == std::string::npos || cut == 0)
            return -1;
        const std::string anchor = m_path.substr(0, cut + 1);
        // Open the anchor piece by piece, each piece shorter than PATH_MAX.
        int fd = AT_FDCWD;
        size_t done = 0;
        while (done < anchor.size()) {
            size_t end = anchor.size();
            if (end - done >= PATH_MAX) {
                end = anchor.rfind('/', done + PATH_MAX - 2);
                if (end == std::string::npos || end < done)
                    break;
                ++end;
            }
            const std::string piece = anchor.substr(done, end - done);
            const int nextFd = openat(fd, piece.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd != AT_FDCWD)
                close(fd);
            fd = nextFd;
            if (fd < 0)
                return -1;
            done = end;
        }
        if (fd == AT_FDCWD || done != anchor.size()) {
            if (fd != AT_FDCWD)
                close(fd);
            return -1;
        }
        m_anchorFd = fd;
        m_anchor = anchor;
    }
    return openat(m_anchorFd, m_path.c_str() + m_anchor.size(), flags);
}

bool FolderWalker::scanFolder(int fd, const SearchRequest& request, Frame& subfolders)
{
    // getdents64 straight into a reused buffer: no stdio-like DIR set-up per folder.
    if (m_entries.empty())
        m_entries.resize(64 * 1024);
    const FileFilter& filter = request.Pattern;
    const bool listsNothing = filter.matchesNothing();
    const QByteArrayView folder(m_path.data(), qsizetype(m_path.size()));
    bool goOn = true;
    long filled = 0;
    long offset = 0;
    for (;;) {
        if (m_sink.stopRequested()) {
            goOn = false;
            break;
        }
        if (offset >= filled) {
            filled = syscall(SYS_getdents64, fd, m_entries.data(), m_entries.size());
            offset = 0;
            if (filled <= 0)
                break; // the end, or the folder vanished while being read: what was read counts
        }
        const auto* entry = reinterpret_cast<const DirEntry64*>(m_entries.data() + offset);
        offset += entry->d_reclen;
        const char* rawName = entry->d_name;
        if (rawName[0] == '.' && (rawName[1] == 0 || (rawName[1] == '.' && rawName[2] == 0)))
            continue;
        const size_t length = strlen(rawName);
        const QByteArrayView name(rawName, qsizetype(length));

        unsigned char type = entry->d_type;
        struct stat st;
        bool haveStat = false;
        if (type == DT_UNKNOWN) {
            if (fstatat(fd, rawName, &st, AT_SYMLINK_NOFOLLOW) != 0)
                continue; // vanished
            haveStat = true;
            type = typeOfMode(st.st_mode);
        }
        const bool isFolder = type == DT_DIR;
        if (isFolder && request.IncludeSubfolders)
            subfolders.add(rawName, length);
        if (listsNothing || !filter.accepts(name))
            continue;

        const MatchQuery& query = m_query.current();
        const bool nameMatches = query.matchesName(name);
        const bool urlFile = endsWithNoCase(name, "url");
        const bool desktopFile = type == DT_REG && endsWithNoCase(name, ".desktop");
        if (!nameMatches && !urlFile && !desktopFile)
            continue;

        FoundEntry found;
        found.url = notApplicableUrl();
        bool isShortcut = false;
        if (urlFile || desktopFile) {
            // Only regular files are read; anything else named so has no readable address.
            std::optional<QByteArray> data;
            if (type == DT_REG)
                data = Shortcut::readSmallFile(fd, rawName);
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
            if (!nameMatches && (!isShortcut || !query.matchesText(found.url)))
                continue;
        }

        if (filter.needsExecutable() || m_details) {
            if (!haveStat) {
                if (fstatat(fd, rawName, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    if (errno == ENOENT)
                        continue; // vanished since it was listed
                } else {
                    haveStat = true;
                }
            }
            if (filter.needsExecutable() &&
                (!haveStat || !S_ISREG(st.st_mode) || (st.st_mode & 0111) == 0))
                continue;
            if (haveStat) {
                found.size = isFolder ? 0 : qint64(st.st_size);
                found.mtime = msecs(st.st_mtim);
            }
        }
        found.folder = folder;
        found.name = name;
        found.isFolder = isFolder;
        m_sink.found(found);
    }
    close(fd);
    return goOn;
}
