#include "search/ParallelWalk.h"

#include "WalkFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <mutex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

/// One line per match: the path, as the command line prints it.
void lineOf(const FoundEntry& entry, std::string& out)
{
    out += QByteArray(entry.folder + entry.name + '\n').toStdString();
}

struct Walked {
    FolderWalker::Outcome outcome{};
    std::string out;
    quint64 count = 0;
    int writes = 0;
    QList<std::pair<QByteArray, int>> skipped; // sorted
};

/// Walks with `threads` threads; writing fails after `failAfter` writes when not negative.
Walked parallel(const SearchRequest& request, const QString& text, int threads, int failAfter = -1,
                ByteFormat format = lineOf)
{
    LiveQuery query;
    query.setSearchText(text);
    Walked result;
    std::mutex mutex;
    ParallelWalk walk(
        query, std::move(format),
        [&](std::string_view bytes) {
            if (failAfter >= 0 && result.writes >= failAfter)
                return false;
            ++result.writes;
            result.out.append(bytes);
            return true;
        },
        false, threads,
        [&](QByteArrayView path, int error) {
            const std::lock_guard lock(mutex);
            result.skipped.append({path.toByteArray(), error});
        });
    result.outcome = walk.walk(request);
    result.count = walk.count();
    std::sort(result.skipped.begin(), result.skipped.end());
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
        tree->make({"top1/mid-7/m-deep/big/", "top0/m-closed/", "top0/m-closed/m-hidden", longName,
                    "top2/mid-3/m-bad\xff\xfe/", "top2/mid-3/m-bad\xff\xfe/m-\xc3(inner"});
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
    // Near the longest name a folder can hold, and not UTF-8.
    static inline const QByteArray longName = "top2/mid-3/m-bad\xff\xfe" + QByteArray(240, 'n');
};

TEST_P(ParallelWalkTest, BytesAndRowsComeInTheOrderAndWithTheBytesOfOneThreadUntilAWriteFails)
{
    for (const bool subfolders : {true, false}) {
        SCOPED_TRACE(testing::Message() << "subfolders " << subfolders);
        const SearchRequest request = allFilesIn(tree->root(), subfolders);
        const CollectingSink one = walkFor(request, u"M-"_qs);
        std::string lines;
        for (const QByteArray& path : one.paths())
            lines += path.toStdString() + '\n';
        const Walked walked = parallel(request, u"M-"_qs, GetParam());
        EXPECT_EQ(walked.outcome, FolderWalker::Outcome::Finished);
        EXPECT_EQ(walked.count, one.rows.size());
        EXPECT_TRUE(walked.out == lines);
        const RowsWalked rows = rowWalk(request, u"M-"_qs, GetParam());
        EXPECT_EQ(rows.outcome, FolderWalker::Outcome::Finished);
        EXPECT_EQ(rowTexts(rows.rows), rowTexts(one.rows));
        // Rows of one folder share its string rather than holding copies.
        for (size_t i = 1; i < rows.rows.size(); ++i) {
            const QByteArray &location = rows.rows[i].location, &before = rows.rows[i - 1].location;
            EXPECT_TRUE(location != before || location.isSharedWith(before));
        }
    }
    // Names that are not UTF-8 keep their exact bytes, in the name and in the location.
    QList<QByteArray> odd = pathsOf(rowWalk(allFilesIn(tree->root()), u"m-"_qs, GetParam()).rows);
    odd.removeIf([](const QByteArray& path) { return !path.contains('\xff'); });
    std::sort(odd.begin(), odd.end());
    EXPECT_EQ(odd, (QList<QByteArray>{tree->path("top2/mid-3/m-bad\xff\xfe"),
                                      tree->path("top2/mid-3/m-bad\xff\xfe/m-\xc3(inner"),
                                      tree->path(longName)}));
    // A failed write stops every thread: nothing more is written.
    const Walked failed = parallel(allFilesIn(tree->root()), u"m-"_qs, GetParam(), 1);
    EXPECT_EQ(failed.outcome, FolderWalker::Outcome::Stopped);
    EXPECT_EQ(failed.writes, 1);
}

TEST_P(ParallelWalkTest, AStopOrACancelEndsEveryThreadWithRowsInOrderUpToIt)
{
    const SearchRequest request = allFilesIn(tree->root());
    const QList<QByteArray> all = walkFor(request, u"m-"_qs).paths();
    // By `stop`, or by the request's own token (cancelled from outside the threads' view,
    // while other threads may have walked later subtrees whole).
    const std::pair<int, bool> cases[] = {{5, false}, {300, false}, {2000, false},
                                          {5, true},  {300, true},  {2000, true}};
    for (const auto& [after, cancel] : cases) {
        SCOPED_TRACE(testing::Message() << "after " << after << " cancel " << cancel);
        SearchRequest cancellable = allFilesIn(tree->root()); // a token of its own
        std::atomic<int> asked{0};
        const RowsWalked stopped = rowWalk(cancellable, u"m-"_qs, GetParam(), [&] {
            if (!cancel)
                return ++asked > after;
            if (++asked == after)
                cancellable.Cancel.cancel();
            return false;
        });
        EXPECT_EQ(stopped.outcome, FolderWalker::Outcome::Stopped);
        ASSERT_LT(stopped.rows.size(), size_t(all.size()));
        EXPECT_EQ(pathsOf(stopped.rows), all.first(qsizetype(stopped.rows.size())));
    }
}

TEST_P(ParallelWalkTest, ASlowWalkHandsRowsOnInSeveralBatchesInOrder)
{
    const SearchRequest request = allFilesIn(tree->root());
    const QList<QByteArray> all = walkFor(request, u"m-"_qs).paths();
    const RowsWalked slow = rowWalk(request, u"m-"_qs, GetParam(), [] {
        std::this_thread::sleep_for(std::chrono::microseconds(30)); // over 0.1 s in all
        return false;
    });
    EXPECT_GE(slow.batches, 2);
    EXPECT_EQ(pathsOf(slow.rows), all);
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

TEST(ParallelWalk, AFolderReplacedByALinkAfterItWasListedIsSkippedAndNamed)
{
    // After it was listed, the folder to be entered next (at the report of a match of the top
    // folder) or the folder above it (at the report of a match inside) is replaced by a link to
    // a tree outside: nothing behind the link is listed, and the rest is.
    const struct {
        const char* trigger;
        const char* skipped;
        QList<QByteArray> found; // relative, sorted
    } cases[] = {{"m-top", "a/", {"m-top", "z/m-last"}},
                 {"a/m-inside", "a/b/", {"a/m-inside", "m-top", "z/m-last"}}};
    for (const auto& c : cases) {
        for (const int threads : {0, 1, 2}) { // 0: a single FolderWalker
            SCOPED_TRACE(testing::Message() << c.trigger << ", threads " << threads);
            const ByteTree tree;
            const ByteTree outside;
            tree.make({"a/", "a/b/", "a/b/m-inner", "a/m-inside", "m-top", "z/", "z/m-last"});
            outside.make({"b/", "b/m-secret", "m-secret"});
            const auto swap = [&](const QByteArray& path) {
                if (path == tree.path(c.trigger)) {
                    const QByteArray a = tree.path("a");
                    EXPECT_EQ(rename(a.constData(), QByteArray(a + "-moved").constData()), 0);
                    EXPECT_EQ(symlink(outside.root().constData(), a.constData()), 0);
                }
            };
            Walked walked;
            if (threads > 0) {
                walked = parallel(allFilesIn(tree.root()), u"m-"_qs, threads, -1,
                                  [&](const FoundEntry& entry, std::string& line) {
                                      swap(QByteArray(entry.folder + entry.name));
                                      lineOf(entry, line);
                                  });
            } else {
                LiveQuery query;
                query.setSearchText(u"m-"_qs);
                CollectingSink sink;
                sink.onFound = [&] {
                    swap(sink.rows.back().path());
                };
                walked.outcome = sink.walk(query, allFilesIn(tree.root()));
                for (const QByteArray& path : sink.paths())
                    walked.out += path.toStdString() + '\n';
                walked.skipped = sink.skipped;
            }
            EXPECT_EQ(walked.outcome, FolderWalker::Outcome::Finished);
            QList<QByteArray> found = QByteArray::fromStdString(walked.out)
                                          .replace(tree.root(), "")
                                          .chopped(1)
                                          .split('\n');
            std::sort(found.begin(), found.end());
            EXPECT_EQ(found, c.found);
            ASSERT_EQ(walked.skipped.size(), 1);
            EXPECT_EQ(walked.skipped[0].first, tree.path(c.skipped));
            EXPECT_TRUE(walked.skipped[0].second == ELOOP || walked.skipped[0].second == ENOTDIR);
        }
    }
}

} // namespace
