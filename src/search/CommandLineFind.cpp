#include "CommandLineFind.h"

#include "FolderWalker.h"
#include "MatchQuery.h"
#include "ParallelWalk.h"
#include "RowText.h"
#include "platform/TypeNames.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace CommandLineFind {

namespace {

const char usage[] =
    "Usage: kestrelfind --find TEXT [OPTION...] [FOLDER...]\n"
    "Prints every file and folder whose name contains TEXT, and every Internet shortcut\n"
    "whose address contains it, one full path a line. Without FOLDER, searches the places\n"
    "ticked in the program's stored settings.\n"
    "\n"
    "  --pattern P       list only names that fit the wildcard pattern P (* and ?)\n"
    "  --match-case      compare letters with regard to case\n"
    "  --no-subfolders   do not descend into subfolders\n"
    "  -0                end each path with a NUL byte instead of a line break\n"
    "  --columns         Name, Size, File Type, Date, Location, URL and the path,\n"
    "                    separated by tabs; \\, tab and line breaks escaped\n"
    "  --                end of options\n"
    "  --help            show this help\n"
    "\n"
    "Exit status: 0 something found, 1 nothing found, 2 an error.\n";

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

void writeAll(int fd, const QByteArray& text)
{
    Output out(fd);
    out.append(text);
    out.flush();
}

enum class Format { Lines, Nul, Columns };

/// Appends a column value, escaped, and its tab.
void appendColumn(std::string& out, QByteArrayView value, char after = '\t')
{
    const QByteArray escaped = escapeColumn(value);
    out.append(escaped.constData(), size_t(escaped.size()));
    out.push_back(after);
}

/// Turns one match into its output line (called from every walking thread).
void formatEntry(Format format, const FoundEntry& entry, std::string& out)
{
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
    appendColumn(out, FileDateText(row.mtime).toUtf8());
    appendColumn(out, row.folderPath());
    appendColumn(out, row.url.toUtf8());
    appendColumn(out, row.path, '\n');
}

} // namespace

QByteArray escapeColumn(QByteArrayView value)
{
    QByteArray result;
    result.reserve(value.size());
    for (const char c : value) {
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
            result.append(c);
            break;
        }
    }
    return result;
}

int run(const QList<QByteArray>& arguments, int outFd, int errFd,
        const std::function<StoredSearch()>& stored)
{
    const auto fail = [errFd](const QByteArray& message) {
        writeAll(errFd, "kestrelfind: " + message + "\nTry 'kestrelfind --find --help'.\n");
        return 2;
    };

    std::optional<QByteArray> text;
    std::optional<QString> pattern;
    QList<QByteArray> folders;
    bool matchCase = false;
    bool noSubfolders = false;
    Format format = Format::Lines;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& arg = arguments.at(i);
        if (!optionsEnded && arg.startsWith('-') && arg.size() > 1) {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                writeAll(outFd, usage);
                return 0;
            } else if (arg == "--pattern") {
                if (++i == arguments.size())
                    return fail("--pattern needs a pattern");
                pattern = QFile::decodeName(arguments.at(i));
            } else if (arg == "--match-case") {
                matchCase = true;
            } else if (arg == "--no-subfolders") {
                noSubfolders = true;
            } else if (arg == "-0") {
                format = Format::Nul;
            } else if (arg == "--columns") {
                format = Format::Columns;
            } else {
                return fail("unknown option '" + arg + "'");
            }
        } else if (!text) {
            text = arg;
        } else {
            folders.append(arg);
        }
    }
    if (!text)
        return fail("--find needs a search text");

    FileFilter filter = FileFilter::fromChoice(FileFilter::AllFiles);
    bool subfolders = true;
    if (folders.isEmpty()) {
        const StoredSearch search = stored();
        folders = search.folders;
        filter = search.filter;
        subfolders = search.subfolders;
        matchCase = matchCase || search.matchCase;
    }
    if (pattern)
        filter = FileFilter::fromPattern(*pattern);
    if (noSubfolders)
        subfolders = false;

    // A closed pipe must end the search quietly, not kill the process.
    std::signal(SIGPIPE, SIG_IGN);

    LiveQuery query;
    query.setSearchText(QFile::decodeName(*text));
    query.setMatchCase(matchCase);
    Output out(outFd);
    ParallelWalk walker(
        query,
        [format](const FoundEntry& entry, std::string& line) { formatEntry(format, entry, line); },
        [&out](std::string_view bytes) {
            out.append(QByteArrayView(bytes.data(), qsizetype(bytes.size())));
            return !out.failed();
        },
        format == Format::Columns, ParallelWalk::defaultThreads());
    bool error = false;
    for (const QByteArray& folder : std::as_const(folders)) {
        SearchRequest request;
        request.IncludeSubfolders = subfolders;
        request.FolderPath = folder;
        request.Pattern = filter;
        if (walker.walk(request) == FolderWalker::Outcome::Unreadable) {
            const int why = errno;
            out.flush(); // keep the order of what was found and the message
            writeAll(errFd, "kestrelfind: cannot read folder '" + folder +
                                "': " + QByteArray(std::strerror(why)) + '\n');
            error = true;
        }
        if (out.failed())
            break;
    }
    out.flush();
    if (out.failed() && out.error() != EPIPE) {
        writeAll(errFd, "kestrelfind: cannot write the output: " +
                            QByteArray(std::strerror(out.error())) + '\n');
        return 2;
    }
    if (error)
        return 2;
    return walker.count() > 0 ? 0 : 1;
}

} // namespace CommandLineFind
