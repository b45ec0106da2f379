#include "search/CommandLineFind.h"

#include "TempHome.h"
#include "WalkFixture.h"
#include "platform/SpecialFolders.h"
#include "search/SearchPlaces.h"

#include <QFile>
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
    QTemporaryFile out;
    QTemporaryFile err;
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
        tree.dir("Projects");
        tree.file("Projects/report.txt", "12345");
        tree.file("Projects/Report.doc");
        tree.file("Projects/tab\there\\and\nline-report");
        tree.file("top-report.txt");
        tree.file("other.bin");
        tree.file("bad\xff-report");
    }
    ByteTree tree;
};

TEST_F(CommandLineFindTest, PrintsEveryMatchAsRawBytesOneALine)
{
    const FindResult result = find({"report", tree.root()});
    EXPECT_EQ(result.status, 0);
    EXPECT_TRUE(result.err.isEmpty());
    EXPECT_FALSE(result.storedAsked);
    QList<QByteArray> lines = result.out.split('\n');
    EXPECT_EQ(lines.takeLast(), QByteArray()); // the output ends with a line break
    EXPECT_TRUE(lines.contains(tree.path("Projects/report.txt")));
    EXPECT_TRUE(lines.contains(tree.path("Projects/Report.doc")));
    EXPECT_TRUE(lines.contains(tree.path("top-report.txt")));
    EXPECT_TRUE(lines.contains(tree.path("bad\xff-report")));
    EXPECT_FALSE(result.out.contains("other.bin"));
}

TEST_F(CommandLineFindTest, NulTerminatedOutputKeepsLineBreaksInNames)
{
    const FindResult result = find({"-0", "line-report", tree.root()});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, tree.path("Projects/tab\there\\and\nline-report") + '\0');
}

TEST_F(CommandLineFindTest, ColumnsAreTabSeparatedAndEscaped)
{
    const FindResult result = find({"--columns", "--match-case", "report", tree.root()});
    EXPECT_EQ(result.status, 0);
    const QList<QByteArray> lines = result.out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 4); // report.txt, the awkward one, top-report.txt, bad…-report
    for (const QByteArray& line : lines)
        EXPECT_EQ(line.count('\t'), 6) << line.constData();
    const QByteArray escapedPath =
        CommandLineFind::escapeColumn(tree.path("Projects/tab\there\\and\nline-report"));
    EXPECT_TRUE(escapedPath.contains("tab\\there\\\\and\\nline-report"));
    bool sawAwkward = false;
    bool sawReport = false;
    for (const QByteArray& line : lines) {
        const QList<QByteArray> columns = line.split('\t');
        if (columns.at(6) == escapedPath) {
            sawAwkward = true;
            EXPECT_EQ(columns.at(0), "tab\\there\\\\and\\nline-report");
            EXPECT_EQ(columns.at(4), tree.path("Projects/"));
        }
        if (columns.at(0) == "report.txt") {
            sawReport = true;
            EXPECT_EQ(columns.at(1), "0 KB");
            EXPECT_FALSE(columns.at(2).isEmpty());
            EXPECT_FALSE(columns.at(3).isEmpty());
            EXPECT_EQ(columns.at(5), "n/a");
        }
    }
    EXPECT_TRUE(sawAwkward);
    EXPECT_TRUE(sawReport);
}

TEST_F(CommandLineFindTest, OptionsNarrowTheSearch)
{
    EXPECT_EQ(find({"report", tree.root(), "--no-subfolders"}).out.count('\n'), 2);
    const FindResult pattern = find({"--pattern", "*.TXT", "report", tree.root()});
    EXPECT_EQ(pattern.out,
              tree.path("top-report.txt") + '\n' + tree.path("Projects/report.txt") + '\n');
    EXPECT_EQ(find({"--match-case", "Report", tree.root()}).out,
              tree.path("Projects/Report.doc") + '\n');
    EXPECT_EQ(find({"--", "-report", tree.root()}).status, 0); // a text starting with '-'
}

struct StatusCase {
    QList<QByteArray> arguments;
    int status;
    bool message;
};

class ExitStatus : public CommandLineFindTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(ExitStatus, TellsFoundNothingOrError)
{
    QList<QByteArray> arguments;
    for (const QByteArray& arg : GetParam().arguments)
        arguments.append(arg == "ROOT" ? tree.root() : arg == "MISSING" ? tree.path("gone") : arg);
    const FindResult result = find(arguments);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(!result.err.isEmpty(), GetParam().message) << result.err.constData();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExitStatus,
    ::testing::Values(StatusCase{{"report", "ROOT"}, 0, false},
                      StatusCase{{"zzz-nothing", "ROOT"}, 1, false},
                      StatusCase{{"report", "ROOT", "MISSING"}, 2, true},
                      StatusCase{{"report", "--bogus", "ROOT"}, 2, true}, StatusCase{{}, 2, true},
                      StatusCase{{"report", "ROOT", "--pattern"}, 2, true},
                      StatusCase{{"--help"}, 0, false},
                      StatusCase{{"report", "ROOT", "--pattern", ""}, 1, false}));

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
    const int status = CommandLineFind::run({"report", tree.root()}, fds[1], err.handle(),
                                            [] { return CommandLineFind::StoredSearch(); });
    close(fds[1]);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(err.readAll(), QByteArray());
}

TEST(SearchPlaces, AlternateFoldersFirstThenTickedBoxesInRunOrder)
{
    const TempHome home;
    const QString favorites = home.mkdir(u"Favorites"_qs);
    const QString start = home.mkdir(u".local/share/applications"_qs);
    const QString recent = home.mkdir(u".local/share/RecentDocuments"_qs);
    SearchScope scope;
    scope.boxes.fill(0);
    scope.boxes[size_t(FolderBox::Favorites)] = 1;
    scope.boxes[size_t(FolderBox::StartMenuPrograms)] = 1;
    scope.boxes[size_t(FolderBox::RecentDocs)] = 2; // a grey tick is not a tick
    scope.altFolders = {AltFolder{u"/alt/one"_qs, true}, AltFolder{u"/alt/off"_qs, false},
                        AltFolder{QString(), true}, AltFolder{u"/alt/two"_qs, true}};
    EXPECT_EQ(searchFolders(scope),
              (QList<QByteArray>{"/alt/one", "/alt/two", QFile::encodeName(start),
                                 QFile::encodeName(favorites)}));
    scope.boxes[size_t(FolderBox::RecentDocs)] = 1;
    scope.altFolders.clear();
    // Recent Documents is searched before Favorites, whatever the order on screen.
    EXPECT_EQ(searchFolders(scope),
              (QList<QByteArray>{QFile::encodeName(start), QFile::encodeName(recent),
                                 QFile::encodeName(favorites)}));
}

TEST(SearchPlaces, RunOrderListsEveryBoxWithItsFolderNumbers)
{
    const auto& order = specialFolderRunOrder();
    ASSERT_EQ(order.size(), 8u);
    EXPECT_EQ(order[0].csidls, (std::vector<int>{16, 25}));
    EXPECT_EQ(order[1].csidls, (std::vector<int>{11, 22}));
    EXPECT_EQ(order[2].csidls, (std::vector<int>{5, 46}));
    EXPECT_EQ(order[3].csidls, (std::vector<int>{8}));
    EXPECT_EQ(order[4].csidls, (std::vector<int>{6, 31}));
    EXPECT_EQ(order[5].csidls, (std::vector<int>{9}));
    EXPECT_EQ(order[6].csidls, (std::vector<int>{26, 35, 28}));
    EXPECT_EQ(order[7].csidls, (std::vector<int>{32}));
    EXPECT_EQ(order[3].caption, u"Recent Documents"_qs);
}

} // namespace
