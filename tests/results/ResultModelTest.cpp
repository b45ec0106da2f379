#include "results/ResultModel.h"
#include "RowFactory.h"
#include "TempHome.h"
#include "search/ui/modExtractIcon.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

QStringList column(const ResultModel& model, int c)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(); ++r)
        texts << model.data(model.index(r, c)).toString();
    return texts;
}

QList<QByteArray> paths(const ResultModel& model)
{
    QList<QByteArray> list;
    for (int r = 0; r < model.rowCount(); ++r)
        list << model.path(r);
    return list;
}

ResultRows mixedRows()
{
    return {
        makeRow("/d/b/file10.txt", 2500, utcMs(2005, 3, 4)),
        makeRow("/d/a/File2.txt", 100000, utcMs(2004, 12, 1)),
        makeRow("/d/a/file1.txt", 20000, utcMs(2006, 1, 1), QStringLiteral("Document")),
        makeFolder("/d/c/Zeta", utcMs(2003, 1, 1)),
        makeRow("/d/c/news.url", 0, ResultRow::NoTime, QStringLiteral("Internet Shortcut"),
                QStringLiteral("http://b.example/")),
        makeRow("/d/b/apple.url", 10, utcMs(2001, 1, 1), QStringLiteral("Internet Shortcut"),
                QStringLiteral("http://a.example/")),
    };
}

struct SortCase {
    const char* name;
    int column;
    Qt::SortOrder order;
    const char* expected; ///< paths in order, space-separated
};

class ModelSort : public ::testing::TestWithParam<SortCase> {};

TEST_P(ModelSort, OrdersByTheColumnsValue)
{
    const SortCase& c = GetParam();
    const QList<QByteArray> expected = QByteArray(c.expected).split(' ');
    // Sorted first, then filled: the merge must give the same order as a whole sort.
    for (bool sortFirst : {false, true}) {
        ResultModel model;
        if (sortFirst)
            model.sortBy(c.column, c.order);
        for (ResultRow& row : mixedRows())
            model.addRows({row});
        if (!sortFirst)
            model.sortBy(c.column, c.order);
        EXPECT_EQ(paths(model), expected) << "sorted " << (sortFirst ? "before" : "after");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Columns, ModelSort,
    ::testing::Values(
        // Numbers by value and without regard to case: file1, File2, file10.
        SortCase{"Name", ResultModel::Name, Qt::AscendingOrder,
                 "/d/b/apple.url /d/a/file1.txt /d/a/File2.txt /d/b/file10.txt /d/c/news.url "
                 "/d/c/Zeta"},
        // By bytes, not by text ("100 KB" after "20 KB"), folders first.
        SortCase{"Size", ResultModel::Size, Qt::AscendingOrder,
                 "/d/c/Zeta /d/c/news.url /d/b/apple.url /d/b/file10.txt /d/a/file1.txt "
                 "/d/a/File2.txt"},
        // By time, not by the date text; a missing time first.
        SortCase{"Date", ResultModel::Date, Qt::AscendingOrder,
                 "/d/c/news.url /d/b/apple.url /d/c/Zeta /d/a/File2.txt /d/b/file10.txt "
                 "/d/a/file1.txt"},
        SortCase{"DateNewestFirst", ResultModel::Date, Qt::DescendingOrder,
                 "/d/a/file1.txt /d/b/file10.txt /d/a/File2.txt /d/c/Zeta /d/b/apple.url "
                 "/d/c/news.url"},
        // Equal types go by the name bytes.
        SortCase{"FileType", ResultModel::FileType, Qt::AscendingOrder,
                 "/d/a/file1.txt /d/c/Zeta /d/b/apple.url /d/c/news.url /d/a/File2.txt "
                 "/d/b/file10.txt"},
        SortCase{"Location", ResultModel::Location, Qt::AscendingOrder,
                 "/d/a/File2.txt /d/a/file1.txt /d/b/apple.url /d/b/file10.txt /d/c/Zeta "
                 "/d/c/news.url"},
        // "n/a" sorts among the addresses; equal cells by name bytes.
        SortCase{"Url", ResultModel::Url, Qt::AscendingOrder,
                 "/d/b/apple.url /d/c/news.url /d/a/File2.txt /d/c/Zeta /d/a/file1.txt "
                 "/d/b/file10.txt"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResultModel, NamesDifferingOnlyInCaseHaveOneOrderWhateverTheArrival)
{
    // The tie goes by the name's bytes (upper case first), then the path: /x before /y.
    const QList<QByteArray> sorted = {"/x/README", "/x/ReadMe", "/x/readme", "/y/readme"};
    for (int round = 0; round < 4; ++round) {
        QList<QByteArray> arrival = sorted;
        std::rotate(arrival.begin(), arrival.begin() + round, arrival.end());
        ResultModel model;
        model.sortBy(ResultModel::Name, Qt::AscendingOrder);
        for (const QByteArray& p : arrival)
            model.addRows({makeRow(p)});
        EXPECT_EQ(paths(model), sorted) << "round " << round;
    }
}

TEST(ResultModel, BatchesAndColumnSwitchesGiveTheOrderOfOneSort)
{
    // Random rows, delivered in uneven batches while the one model is sorted by each column in
    // turn (each direction flip and return to Name included); names share long prefixes so
    // that ties are decided past the first 16 bytes. The model checks itself after every
    // change, and must always equal a fresh model sorted once.
    auto* random = QRandomGenerator::global();
    ResultRows all;
    for (int i = 0; i < 3000; ++i) {
        const QByteArray folder = "/t/f" + QByteArray::number(random->bounded(40)) + '/';
        const QByteArray stem = i % 5 ? (i % 3 ? "Doc" : "doc") : "IMG_20230101_1200";
        const QByteArray name =
            stem + QByteArray::number(random->bounded(500)) + (i % 4 ? ".txt" : ".PDF");
        all.push_back(makeRow(folder + name, i % 9 ? random->bounded(100000) : 0,
                              i % 50 ? utcMs(2000 + random->bounded(20), 1, 1) : ResultRow::NoTime,
                              i % 2 ? QStringLiteral("Text") : QStringLiteral("PDF document"),
                              i % 7 ? QStringLiteral("n/a") : QStringLiteral("http://x/")));
    }
    ResultModel merged;
    QAbstractItemModelTester tester(&merged,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    const std::pair<int, Qt::SortOrder> steps[] = {
        {ResultModel::Name, Qt::AscendingOrder},     {ResultModel::Size, Qt::AscendingOrder},
        {ResultModel::Size, Qt::DescendingOrder},    {ResultModel::FileType, Qt::AscendingOrder},
        {ResultModel::Name, Qt::DescendingOrder},    {ResultModel::Date, Qt::DescendingOrder},
        {ResultModel::Location, Qt::AscendingOrder}, {ResultModel::Url, Qt::DescendingOrder},
        {ResultModel::Name, Qt::AscendingOrder},     {ResultModel::Url, Qt::AscendingOrder}};
    size_t at = 0;
    for (const auto& [c, order] : steps) {
        SCOPED_TRACE(testing::Message() << "column " << c << " order " << order);
        merged.sortBy(c, order);
        for (int batch = 0; batch < 3 && at < all.size(); ++batch) {
            const size_t count = std::min<size_t>(all.size() - at, 1 + at % 97 * 7);
            merged.addRows(ResultRows(all.begin() + std::ptrdiff_t(at),
                                      all.begin() + std::ptrdiff_t(at + count)));
            at += count;
        }
        ResultModel whole;
        whole.addRows(ResultRows(all.begin(), all.begin() + std::ptrdiff_t(at)));
        whole.sortBy(c, order);
        ASSERT_EQ(paths(merged), paths(whole));
    }
}

TEST(ResultModel, PersistentIndexesFollowTheirRows)
{
    ResultModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    model.addRows({makeRow("/a/b"), makeRow("/a/d"), makeRow("/a/f"), makeRow("/a/h")});
    const QPersistentModelIndex d(model.index(1, 2));
    const QPersistentModelIndex h(model.index(3, 0));
    auto followed = [&] {
        return model.path(d.row()) == "/a/d" && model.path(h.row()) == "/a/h";
    };

    model.addRows({makeRow("/a/c"), makeRow("/a/e"), makeRow("/a/ee")}); // inserted in two runs
    EXPECT_TRUE(followed());
    model.addRows({makeRow("/a/a"), makeRow("/a/dd"), makeRow("/a/g"), makeRow("/a/i"),
                   makeRow("/a/cc"), makeRow("/a/0")}); // five runs: one layout change
    EXPECT_TRUE(followed());
    EXPECT_EQ(d.column(), 2);
    EXPECT_EQ(column(model, ResultModel::Name),
              (QStringList{"0", "a", "b", "c", "cc", "d", "dd", "e", "ee", "f", "g", "h", "i"}));
    model.sortBy(ResultModel::Name, Qt::DescendingOrder); // a flip
    EXPECT_TRUE(followed());
    model.sortBy(ResultModel::Size, Qt::AscendingOrder); // a whole sort
    EXPECT_TRUE(followed());
}

TEST(ResultModel, ShowExtensionsOnAnEmptyListAndWhileRowsArrive)
{
    ResultModel model;
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    model.setShowExtensions(true); // nothing to rewrite
    model.setShowExtensions(false);
    model.addRows({makeRow("/h/report.txt"), makeFolder("/h/My.Folder"),
                   makeRow("/h/archive.tar.gz"), makeRow("/h/.profile"), makeRow("/h/data")});
    EXPECT_EQ(column(model, ResultModel::Name),
              (QStringList{"report", "My", "archive.tar", "", "data"}));
    model.setShowExtensions(true);
    model.addRows({makeRow("/h/late.md")});
    EXPECT_EQ(
        column(model, ResultModel::Name),
        (QStringList{"report.txt", "My.Folder", "archive.tar.gz", ".profile", "data", "late.md"}));
    // The path, the row's identity, never changes.
    EXPECT_EQ(model.data(model.index(3, 0), ResultModel::PathRole).toByteArray(), "/h/.profile");
}

TEST(ResultModel, ShowsRowTexts)
{
    ResultModel model;
    model.setShowExtensions(true);
    model.addRows({makeRow("/h/a.url", 1500, ResultRow::NoTime, QStringLiteral("Internet Shortcut"),
                           QString()),
                   makeFolder("/h/sub")});
    const auto text = [&](int row, int c) {
        return model.data(model.index(row, c)).toString();
    };
    EXPECT_EQ(text(0, ResultModel::Size), u"2 KB"); // rounded up
    EXPECT_EQ(text(0, ResultModel::Date), u"");     // no time known
    EXPECT_EQ(text(0, ResultModel::Url), u"");      // address unreadable
    EXPECT_EQ(text(0, ResultModel::Location), u"/h/");
    EXPECT_EQ(text(1, ResultModel::Size), u"");
    const QString description =
        model.data(model.index(0, ResultModel::Name), Qt::AccessibleDescriptionRole).toString();
    EXPECT_TRUE(description.contains(u"Size: 2 KB")) << description.toStdString();
}

TEST(ResultModel, OddNamesShowOnOneLineAndKeepTheirBytes)
{
    ResultModel model;
    model.setShowExtensions(true);
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    model.addRows({makeRow("/h/two\nlines.txt"), makeRow("/h/bad\xff\xfe.txt")});
    const QString names = column(model, ResultModel::Name).join(u'|');
    EXPECT_FALSE(names.contains(u'\n')) << names.toStdString();
    EXPECT_TRUE(names.contains(QChar(0x240A)));
    const QList<QByteArray> all = paths(model);
    EXPECT_TRUE(all.contains("/h/bad\xff\xfe.txt"));
    EXPECT_TRUE(all.contains("/h/two\nlines.txt"));
}

TEST(ResultModel, RowOfADeletedFileStillShows)
{
    TempHome home;
    const QString file = home.write(QStringLiteral("gone.txt"), "data");
    modExtractIcon icons;
    ResultModel model(&icons);
    model.addRows({makeRow(QFile::encodeName(file), 4, utcMs(2020, 5, 5))});
    ASSERT_TRUE(QFile::remove(file));
    model.setShowExtensions(true);
    EXPECT_EQ(model.data(model.index(0, ResultModel::Name)).toString(), u"gone.txt");
    EXPECT_FALSE(model.data(model.index(0, ResultModel::Date)).toString().isEmpty());
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
    model.sortBy(ResultModel::Size, Qt::AscendingOrder);
    EXPECT_EQ(model.rowCount(), 1);
}

TEST(ResultModel, ClearEmptiesAndKeepsTheSort)
{
    ResultModel model;
    model.sortBy(ResultModel::Size, Qt::DescendingOrder);
    model.addRows(mixedRows());
    model.clear();
    EXPECT_EQ(model.rowCount(), 0);
    model.addRows({makeRow("/a/small", 1), makeRow("/a/big", 9)});
    EXPECT_EQ(paths(model), (QList<QByteArray>{"/a/big", "/a/small"}));
    EXPECT_EQ(model.path(5), QByteArray());
}

TEST(ResultModel, IconsOnlyWhileShownAndEachLoadedOnce)
{
    modExtractIcon icons;
    ResultModel model(&icons);
    model.addRows({makeRow("/a/x.txt"), makeRow("/a/y.txt"), makeFolder("/a/dir")});
    const auto decorations = [&] {
        for (int r = 0; r < model.rowCount(); ++r)
            model.data(model.index(r, 0), Qt::DecorationRole);
    };
    model.setShowIcons(false);
    decorations();
    EXPECT_EQ(icons.loads(), 0) << "no icon resolved while they are off";
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).isValid());
    model.setShowIcons(true);
    decorations();
    const int loads = icons.loads();
    EXPECT_EQ(icons.cacheSize(), 2); // text and folder
    model.setShowIcons(false);
    model.setShowIcons(true);
    decorations();
    EXPECT_EQ(icons.loads(), loads) << "off and on again loads nothing twice";
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
}

} // namespace
