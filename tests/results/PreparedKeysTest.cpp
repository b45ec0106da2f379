#include "RowFactory.h"
#include "results/ResultModel.h"
#include "results/RowPacer.h"
#include "search/RowPreparation.h"

#include <QRandomGenerator>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

namespace {

// Rows as the walking threads deliver them: prepared by the model's step, made on a thread
// of its own.
ResultRows prepared(const ResultModel& model, ResultRows rows)
{
    std::thread walker([&] {
        const std::unique_ptr<RowPreparation::Step> step = model.rowPreparation()->step();
        for (ResultRow& row : rows)
            step->prepare(row);
    });
    walker.join();
    return rows;
}

// Names that collation orders differently from bytes: case, accents, numbers by value.
ResultRows randomRows(quint32 seed, int count)
{
    static const char* const parts[] = {"a", "B", "é", "E", "z",      "Ä",  "10",  "9",
                                        "-", "_", " ", "ß", "Straße", "x2", "X10", "ö"};
    QRandomGenerator random(seed);
    ResultRows rows;
    for (int i = 0; i < count; ++i) {
        QByteArray name;
        for (int p = 0, n = 1 + int(random.bounded(4)); p < n; ++p)
            name += parts[random.bounded(int(std::size(parts)))];
        rows.push_back(makeRow("/r/" + QByteArray::number(random.bounded(5)) + '/' + name));
    }
    return rows;
}

TEST(PreparedKeys, RowsWithKeysMadeOnAWalkingThreadSortAsTheModelSortsThem)
{
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const ResultRows rows = randomRows(seed, 3000);
    ResultModel delivered, made;
    delivered.sortBy(ResultModel::Name, Qt::AscendingOrder);
    made.sortBy(ResultModel::Name, Qt::AscendingOrder);
    for (size_t at = 0; at < rows.size(); at += 500) {
        const ResultRows batch(rows.begin() + qsizetype(at), rows.begin() + qsizetype(at + 500));
        ResultRows withKeys = prepared(delivered, batch);
        ASSERT_NE(withKeys.front().nameKey.bytes(), nullptr);
        delivered.addRows(std::move(withKeys));
        made.addRows(batch);
    }
    EXPECT_EQ(paths(delivered), paths(made));
}

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

TEST(PreparedKeys, ASortColumnChangeDuringARunDecidesWhetherKeysAreMade)
{
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const ResultRows rows = randomRows(seed, 800);
    const auto batch = [&](int i) {
        return ResultRows(rows.begin() + i * 200, rows.begin() + (i + 1) * 200);
    };
    ResultModel model;
    model.sortBy(ResultModel::Size, Qt::AscendingOrder);
    ResultRows first = prepared(model, batch(0));
    EXPECT_EQ(first.front().nameKey.bytes(), nullptr) << "no Name keys while Size is sorted";
    model.addRows(std::move(first));

    model.sortBy(ResultModel::Name, Qt::DescendingOrder); // mid-run: keys from now on
    model.addRows(prepared(model, batch(1)));
    model.addRows(batch(2)); // rows that came without keys
    model.sortBy(ResultModel::Date, Qt::AscendingOrder);
    ResultRows last = prepared(model, batch(3));
    EXPECT_NE(last.front().nameKey.bytes(), nullptr) << "Name keys are kept once made";
    model.addRows(std::move(last));
    model.sortBy(ResultModel::Name, Qt::DescendingOrder);

    ResultModel reference;
    reference.sortBy(ResultModel::Name, Qt::DescendingOrder);
    reference.addRows(rows);
    EXPECT_EQ(paths(model), paths(reference));
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
