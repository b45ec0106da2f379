#include "search/SearchEngine.h"

#include "StuckWalk.h"
#include "WalkFixture.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class SearchEngineTest : public ::testing::Test {
protected:
    /// Waits until `spy` has `count` signals; false when it never gets there.
    static bool waitFor(QSignalSpy& spy, int count)
    {
        for (int i = 0; i < 200 && spy.count() < count; ++i)
            spy.wait(100);
        return spy.count() >= count;
    }

    /// The paths of every row delivered, in order.
    QList<QByteArray> paths() const
    {
        QList<QByteArray> paths;
        for (const ResultRows& batch : taken)
            paths += pathsOf(batch);
        return paths;
    }

    SearchEngine engine;
    QSignalSpy rows{&engine, &SearchEngine::rowsFound};
    QSignalSpy finished{&engine, &SearchEngine::walkFinished};
    std::vector<ResultRows> taken; ///< every batch, as the window takes them
    QMetaObject::Connection taking = QObject::connect(
        &engine, &SearchEngine::rowsFound, [this] { taken.push_back(engine.takeRows()); });
};

// A large batch reaches the window in slices; each walk's end comes after its rows.
TEST_F(SearchEngineTest, DeliversEveryMatchInSlicesThenTheEndOfEachWalkInOrder)
{
    const ByteTree one;
    const ByteTree two;
    one.grid("many", 1, "f", 9000);
    two.grid("dir", 2, "f", 5);
    two.file("F-upper");     // the live Match Case leaves it out
    QList<qsizetype> endsAt; // the rows delivered at each end
    QObject::connect(&engine, &SearchEngine::walkFinished, [&] { endsAt.append(paths().size()); });
    engine.setSearchText(u"f"_qs);
    engine.setMatchCase(true);
    engine.beginRun();
    engine.walk(allFilesIn(one.root()));
    engine.walk(allFilesIn(two.root()));
    ASSERT_TRUE(waitFor(finished, 2));
    const QList<QByteArray> first = walkFor(allFilesIn(one.root()), u"f"_qs, true).paths();
    EXPECT_EQ(paths(), first + walkFor(allFilesIn(two.root()), u"f"_qs, true).paths());
    EXPECT_EQ(paths().size(), 9000 + 10);
    EXPECT_GE(taken.size(), 3u);
    for (const ResultRows& batch : taken)
        EXPECT_LE(batch.size(), 4096u);
    ASSERT_EQ(endsAt.size(), 2);
    EXPECT_GE(endsAt[0], first.size());
    EXPECT_EQ(endsAt[1], paths().size());
}

TEST_F(SearchEngineTest, ANewRunDeliversNothingMoreOfTheOldOne)
{
    const ByteTree big;
    big.grid("dir", 40, "f", 40);
    const ByteTree small;
    small.grid("dir", 1, "f", 3);
    // Replaced before the window's thread had a chance to receive anything, then mid-walk.
    for (const bool underWay : {false, true}) {
        SCOPED_TRACE(underWay ? "under way" : "not begun");
        engine.beginRun();
        for (int i = 0; i < 30; ++i)
            engine.walk(allFilesIn(big.root()));
        if (underWay) {
            ASSERT_TRUE(rows.wait(5000));
        }
        engine.beginRun();
        const qsizetype before = paths().size();
        const int ended = int(finished.count()); // walks of the old run that ended before
        engine.walk(allFilesIn(small.root()));
        ASSERT_TRUE(waitFor(finished, ended + 1));
        finished.wait(200); // lets anything stale of the old run arrive
        EXPECT_EQ(finished.count(), ended + 1);
        const QList<QByteArray> after = paths().mid(before);
        EXPECT_EQ(after.size(), 4); // the folder and its three files
        EXPECT_TRUE(std::all_of(after.begin(), after.end(),
                                [&](auto& p) { return p.startsWith(small.root()); }));
    }
}

TEST_F(SearchEngineTest, DestroyingTheEngineMidWalkReturnsPromptly)
{
    const ByteTree tree;
    tree.chain(400); // each step is cheap to make, and walking it takes a while
    const bool abandonedBefore = SearchEngine::walksAbandoned(); // by a test before this one
    auto doomed = std::make_unique<SearchEngine>();
    QSignalSpy started(doomed.get(), &SearchEngine::rowsFound);
    doomed->beginRun();
    for (int i = 0; i < 200; ++i)
        doomed->walk(allFilesIn(tree.root()));
    started.wait(2000); // the worker is under way
    doomed.reset();     // joins the worker; a hang here would time the test out
    EXPECT_EQ(SearchEngine::walksAbandoned(), abandonedBefore); // stopped at its next entry
}

TEST(SearchEngineStuckTest, AnEngineWhoseWalkIsStuckGoesWithoutIt)
{
    const ByteTree tree;
    tree.grid("dir", 2, "f", 3);
    const StuckWalk stuck;
    auto engine = std::make_unique<SearchEngine>();
    engine->setRowPreparation(stuck.preparation());
    engine->beginRun();
    engine->walk(allFilesIn(tree.root()));
    ASSERT_TRUE(stuck.waitUntilStuck());
    engine.reset(); // a hang here would time the test out
    EXPECT_TRUE(SearchEngine::walksAbandoned());
    // Woken, the walk ends on its own and touches nothing of the engine that went.
    stuck.release();
    QTest::qWait(300);
}

} // namespace
