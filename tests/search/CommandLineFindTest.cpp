#include "search/CommandLineFind.h"

#include "TempHome.h"
#include "WalkFixture.h"
#include "search/SearchPlaces.h"

#include <QFile>
#include <QMap>
#include <QTemporaryFile>
#include <gtest/gtest.h>

#include <csignal>

namespace {

/// Runs the finder with its output and messages captured in files.
struct FindResult {
    int status = -1;
    QByteArray out;
    QByteArray err;
    bool storedAsked = false;
};

FindResult find(const QList<QByteArray>& arguments,
                const CommandLineFind::StoredSearch& stored = {})
{
    QTemporaryFile out, err;
    EXPECT_TRUE(out.open() && err.open());
    FindResult result;
    result.status = CommandLineFind::run(arguments, out.handle(), err.handle(), [&] {
        result.storedAsked = true;
        return stored;
    });
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
                   "top-report.txt", "other.bin", "bad\xff-report"});
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
        {{"report", root},
         {"Projects/Report.doc", "Projects/report.txt", "Projects/tab\there\\and", "bad\xff-report",
          "line-report", "top-report.txt"}},
        {{"-0", "line-report", root}, {"Projects/tab\there\\and\nline-report"}},
        {{"report", root, "--no-subfolders"}, {"bad\xff-report", "top-report.txt"}},
        {{"--pattern", "*.TXT", "report", root}, {"Projects/report.txt", "top-report.txt"}},
        {{"--match-case", "Report", root}, {"Projects/Report.doc"}},
        {{"--", "-report", root},
         {"Projects/tab\there\\and", "bad\xff-report", "line-report", "top-report.txt"}},
    };
    for (const auto& c : cases) {
        const char terminator = c.arguments.contains("-0") ? '\0' : '\n';
        const FindResult result = find(c.arguments);
        EXPECT_TRUE(result.status == 0 && result.err.isEmpty() && !result.storedAsked);
        ASSERT_TRUE(result.out.endsWith(terminator)) << c.arguments.first().constData();
        QList<QByteArray> paths = result.out.chopped(1).split(terminator);
        for (QByteArray& path : paths)
            path.replace(root, "");
        std::sort(paths.begin(), paths.end());
        EXPECT_EQ(paths, c.expected) << c.arguments.first().constData();
    }
}

TEST_F(CommandLineFindTest, ColumnsAreTabSeparatedAndEscaped)
{
    const FindResult result = find({"--columns", "--match-case", "report", root});
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4); // report.txt, the awkward one, top-report.txt, bad…-report
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
}

TEST_F(CommandLineFindTest, ExitStatusTellsFoundNothingOrError)
{
    const struct {
        QList<QByteArray> arguments;
        int status;
        bool message;
    } cases[] = {
        {{"zzz-nothing", root}, 1, false},
        {{"report", root, "--pattern", ""}, 1, false},
        {{"report", root, tree.path("gone")}, 2, true},
        {{"report", ""}, 2, true}, // an empty folder is not the root
        {{"report", "--bogus", root}, 2, true},
        {{}, 2, true},
        {{"report", root, "--pattern"}, 2, true},
        {{"--help"}, 0, false},
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
    const FindResult result = find({"REPORT"}, stored);
    EXPECT_TRUE(result.storedAsked);
    EXPECT_EQ(result.out, tree.path("Projects/Report.doc") + '\n');
    // Command-line options still apply on top of it.
    EXPECT_EQ(find({"REPORT", "--match-case"}, stored).status, 1);
}

TEST_F(CommandLineFindTest, AClosedPipeEndsTheSearchQuietly)
{
    for (int i = 0; i < 3000; ++i)
        tree.file("many-" + QByteArray::number(i) + "-report-with-a-long-name-to-fill-pipes");
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[0]); // nobody reads
    QTemporaryFile err;
    ASSERT_TRUE(err.open());
    EXPECT_EQ(CommandLineFind::run({"report", tree.root()}, fds[1], err.handle(), {}), 0);
    close(fds[1]);
    EXPECT_EQ(err.readAll(), QByteArray());
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

} // namespace
