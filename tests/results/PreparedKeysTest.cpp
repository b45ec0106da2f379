#include "RowFactory.h"
#include "results/ResultModel.h"
#include "results/RowPacer.h"

#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(PreparedKeys, TheDeliveredKeyDecidesTheOrderAndARowWithoutOneGetsItsOwn)
{
    ResultModel model;
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    ResultRows keyOf = prepared(model, {makeRow("/k/zzz")});
    ResultRow early = makeRow("/k/aaa");
    early.nameKey = keyOf.front().nameKey; // sorts as "zzz" would
    model.addRows({early, makeRow("/k/mmm")});
    EXPECT_EQ(paths(model), (QList<QByteArray>{"/k/mmm", "/k/aaa"}));
}

// The pacer, with the rows it hands on counted hand-over by hand-over.
struct PacedList {
    std::vector<size_t> batches;
    RowPacer pacer{[this](RowBatches handed) {
                       size_t rows = 0;
                       for (const ResultRows& batch : handed)
                           rows += batch.size();
                       batches.push_back(rows);
                   },
                   std::chrono::milliseconds(60)};
};

TEST(RowPacer, BatchesWithinTheIntervalWaitAndGoTogether)
{
    PacedList list;
    list.pacer.add({makeRow("/p/1")});
    EXPECT_EQ(list.batches, std::vector<size_t>{1}) << "the first batch goes at once";
    list.pacer.add({makeRow("/p/2"), makeRow("/p/3")});
    list.pacer.add({makeRow("/p/4")});
    EXPECT_EQ(list.pacer.waiting(), 3u);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list.batches.size() == 2; }, 5000));
    EXPECT_EQ(list.batches, (std::vector<size_t>{1, 3}));
    EXPECT_EQ(list.pacer.waiting(), 0u);
}

TEST(RowPacer, TheEndOfAWalkShowsItsLastRowsWithoutWaiting)
{
    PacedList list;
    list.pacer.add({makeRow("/p/1")});
    list.pacer.add({makeRow("/p/2")});
    list.pacer.flush();
    EXPECT_EQ(list.batches, (std::vector<size_t>{1, 1}));
    QTest::qWait(100); // the interval's timer was stopped: nothing is shown twice
    EXPECT_EQ(list.batches.size(), 2u);

    list.pacer.add({makeRow("/p/3")}); // a quiet interval passed: shown at once
    list.pacer.add({makeRow("/p/4")});
    EXPECT_EQ(list.pacer.waiting(), 1u);
    list.pacer.drop(); // a new search forgets what waited and shows its first rows at once
    list.pacer.add({makeRow("/q/1"), makeRow("/q/2")});
    EXPECT_EQ(list.batches, (std::vector<size_t>{1, 1, 1, 2}));
}

} // namespace
