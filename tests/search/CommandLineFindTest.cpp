#include "search/CommandLineFind.h"

#include "TempHome.h"
#include "WalkFixture.h"
#include "search/CommandLineOptions.h"
#include "search/PathHelpers.h"
#include "search/RowText.h"
#include "search/SearchPlaces.h"
#include "search/WalkedRoots.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>
#include <QMap>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <linux/capability.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct FindResult {
    int status = -1; ///< -1 where root could not drop its power to read any folder
    QByteArray out;
    QByteArray err;
    bool storedAsked = false;
};

/// Drops the capabilities that let root read any folder; for a forked child only.
bool dropReadAnyFolder()
{
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    return syscall(SYS_capset, &header, data) == 0;
}

/// Runs the finder with its output (unless `outFd` is given) and messages captured in files;
/// `unprivileged`, in a child without root's power to read any folder.
FindResult find(const QList<QByteArray>& arguments,
                const CommandLineFind::StoredSearch& stored = {}, bool unprivileged = false,
                int outFd = -1)
{
    QTemporaryFile out, err;
    EXPECT_TRUE(out.open() && err.open());
    FindResult result;
    const auto run = [&] {
        return CommandLineFind::run(arguments, outFd < 0 ? out.handle() : outFd, err.handle(), [&] {
            result.storedAsked = true;
            return stored;
        });
    };
    if (!unprivileged) {
        result.status = run();
    } else if (const pid_t child = fork(); child == 0) {
        _exit(geteuid() == 0 && !dropReadAnyFolder() ? 99 : run());
    } else {
        int status = 0;
        if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
            WEXITSTATUS(status) != 99)
            result.status = WEXITSTATUS(status);
    }
    out.seek(0);
    err.seek(0);
    result.out = out.readAll();
    result.err = err.readAll();
    return result;
}

class CommandLineFindTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tree.make({"Projects/", "Projects/Report.doc", "Projects/tab\there\\and\nline-report",
                   "top-report.txt", "other.bin", "bad\xff-report", "x\xc3",
                   "Projects/dash--match-case"});
        tree.file("Projects/report.txt", "12345");
    }
    ByteTree tree;
    const QByteArray& root = tree.root();
};

TEST_F(CommandLineFindTest, OptionsDecideWhichPathsArePrintedAsRawBytes)
{
    const struct {
        QList<QByteArray> arguments;
        QList<QByteArray> expected; // relative, sorted; a line break in a name splits it
    } cases[] = {
        {{"--find", "report", root},
         {"Projects/Report.doc", "Projects/report.txt", "Projects/tab\there\\and", "bad\xff-report",
          "line-report", "top-report.txt"}},
        {{"-0", "--find", "line-report", root}, {"Projects/tab\there\\and\nline-report"}},
        {{"--find", "report", root, "--no-subfolders"}, {"bad\xff-report", "top-report.txt"}},
        {{"--pattern", "*.TXT", "--find", "report", root},
         {"Projects/report.txt", "top-report.txt"}},
        {{"--match-case", "--find", "Report", root}, {"Projects/Report.doc"}},
        // The text after --find is the text, dash or not; the parser's own tests have the
        // other spellings and every error, which all end in status 2.
        {{"--find", "-report", root},
         {"Projects/tab\there\\and", "bad\xff-report", "line-report", "top-report.txt"}},
        {{root, "--find", "--match-case"}, {"Projects/dash--match-case"}},
        // A text that is not UTF-8 is matched by its bytes, not as U+FFFD.
        {{"--find", "\xff", root}, {"bad\xff-report"}},
        {{"--find", "D\xff-R", root}, {"bad\xff-report"}},
        {{"--match-case", "--find", "d\xff-r", root}, {"bad\xff-report"}},
    };
    for (const auto& c : cases) {
        const char terminator = c.arguments.contains("-0") ? '\0' : '\n';
        const FindResult result = find(c.arguments);
        const QByteArray what = c.arguments.join(' ');
        EXPECT_TRUE(result.status == 0 && result.err.isEmpty() && !result.storedAsked)
            << what.constData();
        ASSERT_TRUE(result.out.endsWith(terminator)) << what.constData();
        QList<QByteArray> paths = result.out.chopped(1).split(terminator);
        for (QByteArray& path : paths)
            path.replace(root, "");
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, c.expected) << what.constData();
    }
}

// On a terminal a name's control characters would drive it (an escape sequence in a name can
// retitle the window or recolour the text): the paths come escaped as in the columns.
TEST_F(CommandLineFindTest, PathsForATerminalComeEscaped)
{
    int master = -1;
    int slave = -1;
    ASSERT_EQ(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
    struct termios raw {};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw); // the line breaks as written, not turned into CR LF
    ::tcsetattr(slave, TCSANOW, &raw);
    tree.make({"esc\x1b]0;title\x07-line"});
    EXPECT_EQ(find({"--find", "line", root}, {}, false, slave).status, 0);
    ::close(slave);
    QByteArray shown;
    char buffer[4096];
    for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
        shown.append(buffer, got);
    ::close(master);
    QList<QByteArray> paths = shown.chopped(1).split('\n');
    for (QByteArray& path : paths)
        path.replace(CommandLineFind::escapeColumn(root), "");
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (QList<QByteArray>{"Projects/tab\\there\\\\and\\nline-report",
                                        "esc\\x1b]0;title\\x07-line"}));
}

// The Date column reads the time zone once per run: a date in summer time and one in winter
// time, at hours where the local date differs from the UTC date unless the offset of that
// season is applied, must read as they did when the zone was asked per date.
TEST_F(CommandLineFindTest, ColumnsAreTabSeparatedEscapedAndDatedInTheZoneSetByTz)
{
    const QByteArray oldTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    const auto restoreTz = qScopeGuard([&] { hadTz ? qputenv("TZ", oldTz) : qunsetenv("TZ"); });
    qputenv("TZ", "America/New_York");
    struct Case {
        const char* name;
        QDateTime utc;
        QDate local;
    };
    // 04:30 UTC is 00:30 the same day in summer (UTC-4) but 23:30 the day before in winter.
    const Case cases[] = {
        {"summer-report", QDateTime(QDate(2021, 7, 1), QTime(4, 30), Qt::UTC), QDate(2021, 7, 1)},
        {"winter-report", QDateTime(QDate(2021, 1, 15), QTime(4, 30), Qt::UTC), QDate(2021, 1, 14)},
    };
    for (const Case& c : cases) {
        tree.file(c.name, "x");
        const timespec times[2] = {{c.utc.toSecsSinceEpoch(), 0}, {c.utc.toSecsSinceEpoch(), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, tree.path(c.name).constData(), times, 0), 0);
    }
    const FindResult result = find({"--columns", "--match-case", "--find", "report", root});
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    // report.txt, the awkward one, top-report.txt, bad…-report and the two dated ones
    ASSERT_EQ(lines.size(), 6);
    QMap<QByteArray, QList<QByteArray>> byName;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> columns = line.split('\t');
        ASSERT_EQ(columns.size(), 7) << line.constData();
        byName.insert(columns.at(0), columns);
    }
    const QList<QByteArray> awkward = byName.value("tab\\there\\\\and\\nline-report");
    EXPECT_EQ(awkward.value(4), tree.path("Projects/"));
    EXPECT_EQ(awkward.value(6), tree.path("Projects/") + "tab\\there\\\\and\\nline-report");
    EXPECT_EQ(byName.value("report.txt").value(5), "n/a");
    for (const Case& c : cases) {
        const QByteArray date = byName.value(c.name).value(3);
        EXPECT_EQ(date, QLocale().toString(c.local, QLocale::ShortFormat).toUtf8()) << c.name;
        EXPECT_EQ(date, FileDateText(c.utc.toMSecsSinceEpoch()).toUtf8()) << c.name;
    }
}

TEST(EscapeColumn, NoControlCharacterReachesTheTerminal)
{
    const struct {
        QByteArray value;
        QByteArray escaped;
    } cases[] = {
        {"plain name.txt", "plain name.txt"},
        {"a\\b\tc\nd\re", "a\\\\b\\tc\\nd\\re"},
        {QByteArray("esc\x1b[31mred\x07"
                    "bel\0nul\x7f",
                    20),
         "esc\\x1b[31mred\\x07bel\\x00nul\\x7f"},
        {"c1 \xc2\x9b csi", "c1 \\xc2\\x9b csi"}, // U+009B as UTF-8
        {"raw \x9b csi", "raw \\x9b csi"},        // a lone byte a terminal may take for CSI
        {"\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
         "\xc3\xa9t\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
        {"bad \xff\xc3", "bad \xff\xc3"}, // other bytes that are not text stay as they are
        {"\xc2\xa0nbsp", "\xc2\xa0nbsp"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineFind::escapeColumn(c.value), c.escaped) << c.escaped.constData();
}

TEST_F(CommandLineFindTest, ExitStatusTellsFoundNothingOrError)
{
    const struct {
        QList<QByteArray> arguments;
        int status;
        bool message;
    } cases[] = {
        {{"--find", "zzz-nothing", root}, 1, false},
        {{"--find", "report", root, "--pattern", ""}, 1, false},
        {{"--find", "report", root, tree.path("gone")}, 2, true},
        {{"--find", "report", ""}, 2, true}, // an empty folder is not the root
        {{"--help"}, 0, false},
        {{"--version"}, 0, false},
    };
    for (const auto& c : cases) {
        const FindResult result = find(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.arguments.join(' ').constData();
        EXPECT_EQ(!result.err.isEmpty(), c.message) << result.err.constData();
    }
}

TEST_F(CommandLineFindTest, WithoutFoldersTheStoredScopeIsSearched)
{
    CommandLineFind::StoredSearch stored;
    stored.folders = {tree.path("Projects")};
    stored.filter = FileFilter::fromPattern(u"*.doc"_qs);
    stored.matchCase = false;
    const FindResult result = find({"--find", "REPORT"}, stored);
    EXPECT_TRUE(result.storedAsked);
    EXPECT_EQ(result.out, tree.path("Projects/Report.doc") + '\n');
    // Command-line options still apply on top of it.
    EXPECT_EQ(find({"--find", "REPORT", "--match-case"}, stored).status, 1);
}

TEST_F(CommandLineFindTest, AClosedPipeEndsTheSearchQuietlyAndAnyOtherFailedWriteIsAnError)
{
    for (int i = 0; i < 3000; ++i)
        tree.file("many-" + QByteArray::number(i) + "-report-with-a-long-name-to-fill-pipes");
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    close(pipeFds[0]); // nobody reads
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    const struct {
        int fd;
        QList<QByteArray> arguments;
        int status;
    } cases[] = {{pipeFds[1], {"--find", "report", root}, 0},
                 {full, {"--help"}, 2},
                 {full, {"--version"}, 2},
                 {full, {"--find", "report", root}, 2},
                 {full, {"--columns", "--find", "x", root}, 2}};
    for (const auto& c : cases) {
        if (c.fd < 0)
            continue; // no /dev/full
        const FindResult result = find(c.arguments, {}, false, c.fd);
        EXPECT_EQ(result.status, c.status) << c.arguments.join(' ').constData();
        if (c.status == 0)
            EXPECT_TRUE(result.err.isEmpty()); // the closed pipe says nothing
        else                                   // a full disk is said, whatever was written
            EXPECT_TRUE(result.err.contains("cannot write the output")) << result.err.constData();
    }
    close(pipeFds[1]);
    close(full);
}

// A folder inside that cannot be read is named and the rest is found; a folder given that can
// be listed but not entered is an error.
TEST_F(CommandLineFindTest, AFolderThatCannotBeReadIsNamedOnStandardError)
{
    tree.make({"Locked/", "Locked/report-inside"});
    ASSERT_EQ(chmod(tree.path("Locked").constData(), 0), 0);
    const FindResult inside = find({"--find", "report", root}, {}, true);
    tree.make({"Listable/", "Listable/report-inside"});
    ASSERT_EQ(chmod(tree.path("Listable").constData(), 0444), 0);
    const FindResult given = find({"--find", "report", tree.path("Listable")}, {}, true);
    chmod(tree.path("Locked").constData(), 0700);
    chmod(tree.path("Listable").constData(), 0700);
    if (inside.status < 0 || given.status < 0)
        GTEST_SKIP() << "cannot drop the capability to read any folder";
    EXPECT_EQ(inside.status, 0);
    EXPECT_EQ(inside.err,
              "kestrelfind: '" + tree.path("Locked") + "': " + std::strerror(EACCES) + '\n');
    EXPECT_TRUE(inside.out.contains("top-report.txt"));
    EXPECT_EQ(given.status, 2) << given.err.constData();
    EXPECT_TRUE(given.err.startsWith("kestrelfind: cannot read folder")) << given.err.constData();
}

TEST(SearchPlaces, AlternateFoldersFirstThenTickedBoxesInRunOrder)
{
    const TempHome home;
    const QByteArray favorites = QFile::encodeName(home.mkdir(u"Favorites"_qs));
    const QByteArray start = QFile::encodeName(home.mkdir(u".local/share/applications"_qs));
    const QByteArray recent = QFile::encodeName(home.mkdir(u".local/share/RecentDocuments"_qs));
    SearchScope scope;
    scope.boxes.fill(0);
    scope.boxes[size_t(FolderBox::Favorites)] = 1;
    scope.boxes[size_t(FolderBox::StartMenuPrograms)] = 1;
    scope.boxes[size_t(FolderBox::RecentDocs)] = 2; // a grey tick is not a tick
    scope.altFolders = {AltFolder{u"/alt/one"_qs, true}, AltFolder{u"/alt/off"_qs, false},
                        AltFolder{QString(), true}, AltFolder{u"/alt/two"_qs, true}};
    EXPECT_EQ(searchFolders(scope), (QList<QByteArray>{"/alt/one", "/alt/two", start, favorites}));
    scope.boxes[size_t(FolderBox::RecentDocs)] = 1;
    scope.altFolders.clear();
    // Recent Documents is searched before Favorites, whatever the order on screen.
    EXPECT_EQ(searchFolders(scope), (QList<QByteArray>{start, recent, favorites}));
}

// Places that overlap are walked once: a folder given again (another spelling, a link to it),
// or one inside another place when subfolders are searched. A folder next to another whose
// name begins the same is no folder inside it.
TEST(WalkedRoots, AFolderGivenAgainOrInsideAnotherIsCovered)
{
    const TempHome home;
    const QByteArray top = QFile::encodeName(home.mkdir(u"top"_qs));
    const QByteArray inner = QFile::encodeName(home.mkdir(u"top/inner"_qs));
    const QByteArray sibling = QFile::encodeName(home.mkdir(u"top2"_qs));
    const QByteArray link = QFile::encodeName(home.path(u"link"_qs));
    ASSERT_EQ(::symlink(top.constData(), link.constData()), 0);
    const QList<QByteArray> roots = {inner, top, sibling, top + '/', link, "/nowhere"};
    EXPECT_EQ(uncoveredRoots(roots, true), (QList<QByteArray>{top, sibling, "/nowhere"}));
    EXPECT_EQ(uncoveredRoots(roots, false), (QList<QByteArray>{inner, top, sibling, "/nowhere"}));
}

// The stored places as the window keeps them: the Start menu's folder lies inside the
// application data, and an alternate folder given twice inside another: each match once.
TEST(SearchPlaces, PlacesThatOverlapListEachMatchOnce)
{
    const TempHome home;
    const QString apps = home.mkdir(u".local/share/applications"_qs);
    home.write(u".local/share/applications/zzqapp.desktop"_qs, "");
    const QString work = home.mkdir(u"Work"_qs);
    home.write(u"Work/zzqnote.txt"_qs, "");
    SearchScope scope;
    scope.boxes.fill(0);
    scope.boxes[size_t(FolderBox::StartMenuPrograms)] = 1;
    scope.boxes[size_t(FolderBox::AppData)] = 1;
    scope.altFolders = {AltFolder{work, true}, AltFolder{work + u'/', true}};
    CommandLineFind::StoredSearch stored;
    stored.folders = searchFolders(scope);
    stored.filter = FileFilter::fromChoice(FileFilter::AllFiles);
    const FindResult result = find({"--find", "zzq"}, stored);
    EXPECT_EQ(result.out.count("zzqapp.desktop\n"), 1) << result.out.constData();
    EXPECT_EQ(result.out.count("zzqnote.txt\n"), 1) << result.out.constData();
}

/// The parsed options in one line: action, text, folders, format and the flags that are set.
QByteArray describe(const FindOptions& o)
{
    static const char* const actions[] = {"search", "help", "version"};
    static const char* const formats[] = {"lines", "nul", "columns"};
    QByteArray line = QByteArray(actions[int(o.action)]) + " text=" + o.text.value_or("<none>") +
                      " folders=" + o.folders.join(',') + ' ' + formats[int(o.format)];
    if (o.matchCase)
        line += " case";
    if (o.noSubfolders)
        line += " no-sub";
    if (o.pattern)
        line += " pattern=" + o.pattern->toUtf8();
    return line;
}

TEST(FindOptions, ParsesEveryOptionInAnyOrderAndErrorsWhereverTheyStand)
{
    // A text starting with a dash, --no-subfolders and --pattern: the finder's own tests.
    const struct {
        QList<QByteArray> arguments;
        const char* expected; // the options described, or "error: " and the message
    } cases[] = {
        {{"--match-case", "--find", "abc", "/a", "/b"}, "search text=abc folders=/a,/b lines case"},
        {{"--find=x=y", "-0"}, "search text=x=y folders= nul"},
        {{"--find=", "--columns"}, "search text= folders= columns"},
        {{"--pattern=*.c", "--find", "a", "--", "-folder", "--find"},
         "search text=a folders=-folder,--find lines pattern=*.c"},
        {{"--find", "a", "-"}, "search text=a folders=- lines"},
        {{"--help"}, "help text=<none> folders= lines"},
        {{"--find", "a", "-h"}, "help text=a folders= lines"},
        {{"--version"}, "version text=<none> folders= lines"},
        {{}, "error: --find needs a search text"},
        {{"/a"}, "error: --find needs a search text"},
        {{"--find"}, "error: --find needs a value"},
        {{"--find", "a", "--pattern"}, "error: --pattern needs a value"},
        {{"--bogus", "--find", "a"}, "error: unknown option '--bogus'"},
        {{"--find", "a", "/x", "-z"}, "error: unknown option '-z'"},
        {{"--help", "--bogus"}, "error: unknown option '--bogus'"},
        {{"--findx", "a"}, "error: unknown option '--findx'"},
        {{"--find", "a", "--find=b"}, "error: --find given twice"},
        {{"--pattern=*.c", "--find", "a", "--pattern", "*.h"}, "error: --pattern given twice"},
        {{"--find", "a", "-0", "--columns"}, "error: -0 and --columns do not go together"},
        {{"--columns", "--find", "a", "-0"}, "error: -0 and --columns do not go together"},
    };
    for (const auto& c : cases) {
        const ParsedFindOptions parsed = parseFindOptions(c.arguments);
        EXPECT_EQ(parsed.options ? describe(*parsed.options) : QByteArray("error: " + parsed.error),
                  QByteArray(c.expected))
            << c.arguments.join(' ').constData();
    }
    // The message quotes the argument escaped: a file's name that a glob passed on would
    // otherwise drive the terminal.
    const FindResult refused = find({"--\x1b]0;title\x07", "--find", "a"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "kestrelfind: unknown option '--\\x1b]0;title\\x07'\n"
                           "Try 'kestrelfind --help'.\n");
}

TEST(FindOptions, AnyListHoldingTheFindersOwnOptionsIsForTheFinder)
{
    const struct {
        QList<QByteArray> arguments;
        bool wanted;
    } cases[] = {
        {{"--find", "a"}, true},
        {{"--match-case", "--find", "a", "/d"}, true},
        {{"--find=a"}, true},
        {{"-h"}, true},
        {{"--help"}, true},
        {{"--version"}, true},
        {{"--pattern", "*.txt", "."}, true}, // --find forgotten: the finder's error, no window
        {{"--pattern=*.txt"}, true},
        {{"-0", "abc"}, true},
        {{"--columns"}, true},
        {{"--no-subfolders"}, true},
        {{}, false},
        {{"-session", "1234"}, false},
        {{"-platform", "offscreen"}, false},
        {{"--", "--find"}, false},
        {{"--findings"}, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(findOptionsWanted(c.arguments), c.wanted) << c.arguments.join(' ').constData();
}

TEST(PathHelpers, GetFilenameSplitsFolderNameAndLastExtension)
{
    const struct {
        const char* path;
        const char* parts; // drive|folder|name|extension
    } cases[] = {
        {"/a/b.txt", "|/a/|b|.txt"},
        {"archive.tar.gz", "||archive.tar|.gz"},
        {".profile", "|||.profile"},
        {"file.", "||file|"},
        {"/dir.d/plain", "|/dir.d/|plain|"}, // a dot in the folder is no extension
        {"/x/Grüße.ТЕКСТ", "|/x/|Grüße|.ТЕКСТ"},
    };
    for (const auto& c : cases) {
        QStringList parts;
        for (const PathPart part :
             {PathPart::Drive, PathPart::Folder, PathPart::Name, PathPart::Extension})
            parts.append(GetFilename(QString::fromUtf8(c.path), part));
        EXPECT_EQ(parts.join(u'|'), QString::fromUtf8(c.parts)) << c.path;
    }
}

TEST(RowTextTest, SizeIsKilobytesRoundedHalfToEvenWithLocaleGrouping)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {{500, "0 KB"},         {1500, "2 KB"},
                 {2500, "2 KB"},        {2501, "3 KB"},
                 {1234567, "1,235 KB"}, {Q_INT64_C(5000000000000), "5,000,000,000 KB"}};
    for (const auto& c : cases)
        EXPECT_EQ(sizeText(c.bytes), QString::fromUtf8(c.text)) << c.bytes;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(sizeText(1234567), u"1.235 KB"_qs);
    QLocale::setDefault(QLocale::c());
}

TEST(PathHelpers, TrimnullAndTrailingSeparator)
{
    EXPECT_EQ(trimnull(QString::fromUtf8("ab\0cd", 5)), u"ab"_qs);
    EXPECT_EQ(trimnull(u"abc"_qs), u"abc"_qs);
    EXPECT_EQ(AddTrailingBackslash(u"/tmp"_qs), u"/tmp/"_qs);
    EXPECT_EQ(AddTrailingBackslash(u"/"_qs), u"/"_qs);
    EXPECT_EQ(AddTrailingBackslash(QByteArray("/a\xff")), QByteArray("/a\xff/"));
}

} // namespace
