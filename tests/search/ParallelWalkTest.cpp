#include "search/ParallelWalk.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// One line per match: the path, as the command line prints it.
void lineOf(const FoundEntry& entry, std::string& out)
{
    out += QByteArray(entry.folder + entry.name + '\n').toStdString();
}

/// What a single-threaded walk lists, in its order, one line each.
std::string singleThreaded(const SearchRequest& request, const QString& text)
{
    std::string out;
    for (const QByteArray& path : walkFor(request, text).paths())
        out += path.toStdString() + '\n';
    return out;
}

struct Walked {
    FolderWalker::Outcome outcome{};
    std::string out;
    quint64 count = 0;
    int writes = 0;
};

/// Walks with `threads` threads; writing fails after `failAfter` writes when not negative.
Walked parallel(const SearchRequest& request, const QString& text, int threads, int failAfter = -1)
{
    LiveQuery query;
    query.setSearchText(text);
    Walked result;
    ParallelWalk walk(
        query, lineOf,
        [&](std::string_view bytes) {
            if (failAfter >= 0 && result.writes >= failAfter)
                return false;
            ++result.writes;
            result.out.append(bytes);
            return true;
        },
        false, threads);
    result.outcome = walk.walk(request);
    result.count = walk.count();
    return result;
}

/// A tree wide enough to be cut into many subtrees, with one subtree whose output is large,
/// links, an unreadable folder and awkward names.
class ParallelWalkTest : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite()
    {
        tree = new ByteTree;
        for (int a = 0; a < 3; ++a) {
            const QByteArray top = "top" + QByteArray::number(a);
            tree->make({top + '/', top + "/m-own"});
            for (int b = 0; b < 30; ++b) {
                const QByteArray mid = top + "/mid-" + QByteArray::number(b);
                tree->make({mid + '/', mid + "/m-file", mid + "/other", mid + "/m-deep/",
                            mid + "/m-deep/m-leaf\nline"});
            }
        }
        tree->make({"top1/mid-7/m-deep/big/", "top0/m-closed/", "top0/m-closed/m-hidden"});
        for (int i = 0; i < 3000; ++i)
            tree->file("top1/mid-7/m-deep/big/m-" + QByteArray::number(i) + QByteArray(80, 'p'));
        ASSERT_EQ(symlink("..", tree->path("top2/m-up-link").constData()), 0);
        ASSERT_EQ(chmod(tree->path("top0/m-closed").constData(), 0), 0);
    }
    static void TearDownTestSuite()
    {
        chmod(tree->path("top0/m-closed").constData(), 0755);
        delete tree;
    }
    static inline ByteTree* tree = nullptr;
};

TEST_P(ParallelWalkTest, ListsExactlyWhatOneThreadListsInTheSameOrder)
{
    for (const bool subfolders : {true, false}) {
        const SearchRequest request = allFilesIn(tree->root(), subfolders);
        const std::string expected = singleThreaded(request, u"M-"_qs);
        const Walked walked = parallel(request, u"M-"_qs, GetParam());
        EXPECT_EQ(walked.outcome, FolderWalker::Outcome::Finished);
        EXPECT_EQ(walked.count, quint64(std::count(expected.begin(), expected.end(), '\n')) -
                                    (subfolders ? 3 * 30 : 0)); // the "m-leaf\nline" names
        EXPECT_TRUE(walked.out == expected) << "subfolders " << subfolders;
    }
}

TEST_P(ParallelWalkTest, AFailedWriteStopsEveryThread)
{
    const Walked walked = parallel(allFilesIn(tree->root()), u"m-"_qs, GetParam(), 1);
    EXPECT_EQ(walked.outcome, FolderWalker::Outcome::Stopped);
    EXPECT_EQ(walked.writes, 1);
}

INSTANTIATE_TEST_SUITE_P(Threads, ParallelWalkTest, ::testing::Values(1, 2, 4));

TEST(ParallelWalk, FollowsALinkOnlyWhenItIsTheTopFolder)
{
    const ByteTree tree;
    tree.make({"real/", "real/m-inside"});
    ASSERT_EQ(symlink("real", tree.path("m-link").constData()), 0);
    Walked walked = parallel(allFilesIn(tree.path("m-link")), u"m-"_qs, 2);
    EXPECT_EQ(walked.out, QByteArray(tree.path("m-link/m-inside") + '\n').toStdString());
    // Links below the top are never followed: the shared tree's loop proves that.
    walked = parallel(allFilesIn(tree.path("missing")), u"m-"_qs, 2);
    EXPECT_EQ(walked.outcome, FolderWalker::Outcome::Unreadable);
    EXPECT_EQ(errno, ENOENT); // kept for the message
    EXPECT_EQ(walked.count, 0u);
}

TEST(ParallelWalk, ASubtreeReplacedByALinkIsSkippedAndNamed)
{
    // The top folder is read first, then its subtrees: one is replaced by a link to a tree
    // outside in between, at the report of a match of the top folder.
    for (const int threads : {1, 2}) {
        const ByteTree tree;
        const ByteTree outside;
        tree.make({"a/", "a/m-inner", "m-trigger", "z/", "z/m-last"});
        outside.make({"m-secret"});
        LiveQuery query;
        query.setSearchText(u"m-"_qs);
        std::string out;
        std::mutex mutex;
        QList<std::pair<QByteArray, int>> skipped;
        ParallelWalk walk(
            query,
            [&](const FoundEntry& entry, std::string& line) {
                if (entry.name == QByteArrayView("m-trigger")) {
                    const QByteArray a = tree.path("a");
                    EXPECT_EQ(rename(a.constData(), QByteArray(a + "-moved").constData()), 0);
                    EXPECT_EQ(symlink(outside.root().constData(), a.constData()), 0);
                }
                lineOf(entry, line);
            },
            [&](std::string_view bytes) {
                out.append(bytes);
                return true;
            },
            false, threads,
            [&](QByteArrayView path, int error) {
                const std::lock_guard lock(mutex);
                skipped.append({path.toByteArray(), error});
            });
        EXPECT_EQ(walk.walk(allFilesIn(tree.root())), FolderWalker::Outcome::Finished);
        EXPECT_EQ(out, QByteArray(tree.path("m-trigger\n") + tree.path("z/m-last\n")).toStdString())
            << threads;
        ASSERT_EQ(skipped.size(), 1);
        EXPECT_EQ(skipped[0].first, tree.path("a/"));
        EXPECT_TRUE(skipped[0].second == ELOOP || skipped[0].second == ENOTDIR);
    }
}

} // namespace
