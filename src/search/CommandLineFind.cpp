#include "CommandLineFind.h"

#include "AsciiText.h"
#include "CommandLineOptions.h"
#include "FolderWalker.h"
#include "MatchQuery.h"
#include "ParallelWalk.h"
#include "RowText.h"
#include "WalkedRoots.h"
#include "platform/DisplayText.h"
#include "platform/TypeNames.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <unistd.h>

namespace CommandLineFind {

namespace {

const char usage[] =
    "Usage: kestrelfind --find TEXT [OPTION...] [FOLDER...]\n"
    "   or: kestrelfind --help | --version\n"
    "Prints every file and folder whose name contains TEXT, and every Internet shortcut\n"
    "whose address contains it, one full path a line. Without FOLDER, searches the places\n"
    "ticked in the program's stored settings. Options may stand in any order.\n"
    "\n"
    "  --find TEXT       the search text (the next argument, even if it starts with '-');\n"
    "  --find=TEXT       also written so. Letters match in either case; a TEXT that is not\n"
    "                    valid UTF-8 is matched byte by byte\n"
    "  --pattern P       list only names that fit the wildcard pattern P (* and ?)\n"
    "  --match-case      compare letters with regard to case\n"
    "  --no-subfolders   do not descend into subfolders\n"
    "  -0                end each path with a NUL byte instead of a line break; the paths\n"
    "                    are written as their exact bytes\n"
    "  --columns         Name, Size, File Type, Date, Location, URL and the path,\n"
    "                    separated by tabs; a backslash is written \\\\, tab, line feed and\n"
    "                    carriage return \\t, \\n and \\r, every other control character\n"
    "                    (C0, DEL and C1) \\xHH with two hex digits (ESC is \\x1b)\n"
    "  --                end of options: the rest are folders\n"
    "  -h, --help        show this help and exit\n"
    "  --version         show the version and exit\n"
    "\n"
    "On a terminal, paths are written escaped as for --columns, so that no name can drive\n"
    "the terminal; into a pipe or a file, as their exact bytes.\n"
    "A folder inside the search that cannot be read is named on standard error.\n"
    "Exit status: 0 something found, 1 nothing found, 2 an error (bad arguments, an\n"
    "unreadable FOLDER, output that cannot be written).\n";

/// Output through a large buffer; a closed pipe ends the search quietly.
class Output final {
public:
    explicit Output(int fd)
        : m_fd(fd)
    {
        m_buffer.reserve(Capacity);
    }
    Q_DISABLE_COPY_MOVE(Output)

    void append(QByteArrayView bytes)
    {
        if (m_buffer.size() + size_t(bytes.size()) > Capacity)
            flush();
        m_buffer.append(bytes.data(), size_t(bytes.size()));
    }
    void append(char c)
    {
        if (m_buffer.size() + 1 > Capacity)
            flush();
        m_buffer.push_back(c);
    }
    void flush()
    {
        size_t done = 0;
        while (!m_failed && done < m_buffer.size()) {
            const ssize_t n = ::write(m_fd, m_buffer.data() + done, m_buffer.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                m_error = n < 0 ? errno : EIO;
            } else {
                done += size_t(n);
            }
        }
        m_buffer.clear();
    }
    /// Whether writing failed: nobody reads any more (EPIPE) or a real error.
    bool failed() const { return m_failed; }
    int error() const { return m_error; }

private:
    static constexpr size_t Capacity = size_t(1) << 20;
    int m_fd;
    std::string m_buffer;
    bool m_failed = false;
    int m_error = 0;
};

/// Writes all of `text`; false when that failed.
bool writeAll(int fd, const QByteArray& text)
{
    Output out(fd);
    out.append(text);
    out.flush();
    return !out.failed();
}

/// Writes the help or the version; returns the exit status. A failure is said as a search's
/// would be (a closed pipe quietly).
int writeText(int outFd, int errFd, const QByteArray& text)
{
    Output out(outFd);
    out.append(text);
    out.flush();
    if (!out.failed())
        return 0;
    if (out.error() != EPIPE)
        writeAll(errFd, "kestrelfind: cannot write the output: " +
                            QByteArray(std::strerror(out.error())) + '\n');
    return 2;
}

using Format = FindOptions::Format;

/// Appends a column value, escaped, and its tab.
void appendColumn(std::string& out, QByteArrayView value, char after = '\t')
{
    const QByteArray escaped = escapeColumn(value);
    out.append(escaped.constData(), size_t(escaped.size()));
    out.push_back(after);
}

/// Turns one match into its output line (called from every walking thread). `escaped`: the
/// path line goes to a terminal, which control characters in a name could drive.
void formatEntry(Format format, bool escaped, const FileDateFormat& dates, const FoundEntry& entry,
                 std::string& out)
{
    if (format == Format::Lines && escaped) {
        appendColumn(out, QByteArray(entry.folder.toByteArray() + entry.name), '\n');
        return;
    }
    if (format != Format::Columns) {
        out.append(entry.folder.data(), size_t(entry.folder.size()));
        out.append(entry.name.data(), size_t(entry.name.size()));
        out.push_back(format == Format::Nul ? '\0' : '\n');
        return;
    }
    const ResultRow row = makeResultRow(entry);
    appendColumn(out, row.name());
    appendColumn(out, RowText::size(row).toUtf8());
    appendColumn(out, row.typeName.toUtf8());
    appendColumn(out, dates.text(row.mtime).toUtf8());
    appendColumn(out, row.folderPath());
    appendColumn(out, row.url.toUtf8());
    appendColumn(out, row.path(), '\n');
}

} // namespace

namespace {

void appendHex(QByteArray& out, unsigned char c)
{
    static const char digits[] = "0123456789abcdef";
    out.append("\\x");
    out.append(digits[c >> 4]);
    out.append(digits[c & 15]);
}

} // namespace

QByteArray escapeColumn(QByteArrayView value)
{
    QByteArray result;
    result.reserve(value.size());
    for (qsizetype i = 0; i < value.size();) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            result.append(char(c));
            ++i;
            continue;
        }
        switch (c) {
        case '\\':
            result.append("\\\\");
            break;
        case '\t':
            result.append("\\t");
            break;
        case '\n':
            result.append("\\n");
            break;
        case '\r':
            result.append("\\r");
            break;
        default:
            if (c < 0x80) { // C0 and DEL
                appendHex(result, c);
                break;
            }
            const qsizetype length = utf8Length(value, i);
            if (length == 0) {
                // A byte that is not text: kept, unless a terminal could read it as a C1 control.
                if (c < 0xa0)
                    appendHex(result, c);
                else
                    result.append(char(c));
            } else if (c == 0xc2 && static_cast<unsigned char>(value[i + 1]) < 0xa0) {
                appendHex(result, c); // U+0080 to U+009F: the C1 controls
                appendHex(result, static_cast<unsigned char>(value[i + 1]));
                i += 2;
                continue;
            } else {
                result.append(value.sliced(i, length));
                i += length;
                continue;
            }
        }
        ++i;
    }
    return result;
}

namespace {

/// Writes the message of a folder inside the search that was skipped, as find does.
class SkipReporter final {
public:
    explicit SkipReporter(int errFd)
        : m_errFd(errFd)
    {}
    Q_DISABLE_COPY_MOVE(SkipReporter)

    void report(QByteArrayView path, int error)
    {
        if (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        const QByteArray why = error == 0 ? QByteArray("replaced while being searched")
                                          : QByteArray(std::strerror(error));
        const QByteArray line = "kestrelfind: '" + escapeColumn(path) + "': " + why + '\n';
        const std::lock_guard lock(m_mutex);
        if (!writeAll(m_errFd, line))
            m_failed = true;
    }
    bool failed() const { return m_failed; }

private:
    int m_errFd;
    std::mutex m_mutex;
    bool m_failed = false;
};

/// What one search covers once the stored settings filled what the command line left out.
struct Scope {
    QList<QByteArray> folders;
    FileFilter filter = FileFilter::fromChoice(FileFilter::AllFiles);
    bool subfolders = true;
    bool matchCase = false;
};

Scope scopeOf(const FindOptions& options, const std::function<StoredSearch()>& stored)
{
    Scope scope;
    scope.folders = options.folders;
    scope.matchCase = options.matchCase;
    if (scope.folders.isEmpty()) {
        const StoredSearch search = stored();
        scope.folders = search.folders;
        scope.filter = search.filter;
        scope.subfolders = search.subfolders;
        scope.matchCase = scope.matchCase || search.matchCase;
    }
    if (options.pattern)
        scope.filter = FileFilter::fromPattern(*options.pattern);
    if (options.noSubfolders)
        scope.subfolders = false;
    // The stored places may overlap (the Start menu's folder is inside the application data):
    // each item is listed once. Folders named on the command line are walked as given.
    if (options.folders.isEmpty())
        scope.folders = uncoveredRoots(scope.folders, scope.subfolders);
    return scope;
}

/// Walks every folder of the scope; returns the exit status.
int search(const FindOptions& options, const Scope& scope, int outFd, int errFd)
{
    // A closed pipe must end the search quietly, not kill the process.
    std::signal(SIGPIPE, SIG_IGN);
    LiveQuery query;
    query.setSearchBytes(*options.text);
    query.setMatchCase(scope.matchCase);
    Output out(outFd);
    SkipReporter skipped(errFd);
    const Format format = options.format;
    const bool terminal = ::isatty(outFd) == 1;
    ParallelWalk walker(
        query,
        // Each walking thread formats with its own copy of the lambda, so of the date format.
        [format, terminal, dates = FileDateFormat()](const FoundEntry& entry, std::string& line) {
            formatEntry(format, terminal, dates, entry, line);
        },
        [&out, terminal](std::string_view bytes) {
            out.append(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
            // On a terminal each match shows as it is found (and is not lost to a Ctrl-C),
            // as a line-buffered stream would show it.
            if (terminal)
                out.flush();
            return !out.failed();
        },
        format == Format::Columns, workThreadCount(),
        [&skipped](QByteArrayView path, int error) { skipped.report(path, error); });
    bool error = false;
    for (const QByteArray& folder : scope.folders) {
        SearchRequest request;
        request.IncludeSubfolders = scope.subfolders;
        request.FolderPath = folder;
        request.Pattern = scope.filter;
        if (walker.walk(request) == FolderWalker::Outcome::Unreadable) {
            const int why = errno;
            out.flush(); // keep the order of what was found and the message
            writeAll(errFd, "kestrelfind: cannot read folder '" + escapeColumn(folder) +
                                "': " + QByteArray(std::strerror(why)) + '\n');
            error = true;
        }
        out.flush(); // a folder's matches are out before the next folder's walk
        if (out.failed())
            break;
    }
    out.flush();
    if (out.failed() && out.error() != EPIPE) {
        writeAll(errFd, "kestrelfind: cannot write the output: " +
                            QByteArray(std::strerror(out.error())) + '\n');
        return 2;
    }
    if (error || skipped.failed())
        return 2;
    return walker.count() > 0 ? 0 : 1;
}

} // namespace

int run(const QList<QByteArray>& arguments, int outFd, int errFd,
        const std::function<StoredSearch()>& stored)
{
    const ParsedFindOptions parsed = parseFindOptions(arguments);
    if (!parsed.options) {
        // The error may quote an argument: a name a glob made of a file could drive the
        // terminal.
        writeAll(errFd,
                 "kestrelfind: " + escapeColumn(parsed.error) + "\nTry 'kestrelfind --help'.\n");
        return 2;
    }
    const FindOptions& options = *parsed.options;
    switch (options.action) {
    case FindOptions::Action::Help:
        return writeText(outFd, errFd, QByteArray(usage));
    case FindOptions::Action::Version:
        return writeText(outFd, errFd, QByteArray("kestrelfind " KF_VERSION "\n"));
    case FindOptions::Action::Search:
        break;
    }
    return search(options, scopeOf(options, stored), outFd, errFd);
}

} // namespace CommandLineFind
