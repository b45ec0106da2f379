#include "results/ResultModel.h"
#include "RowFactory.h"
#include "TempHome.h"
#include "results/CollationKeys.h"
#include "results/RowPacer.h"
#include "results/RowSpans.h"
#include "results/SortIndex.h"
#include "results/modExtractIcon.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

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

TEST(ResultModel, SortsByTheColumnsValue)
{
    // Names: numbers by value, any case. Size: bytes, folders first. Date: time, none first.
    // Equal types, folders and "n/a" (among the addresses) go as the Name column orders them.
    const std::tuple<int, Qt::SortOrder, const char*> cases[] = {
        {ResultModel::Name, Qt::AscendingOrder, "apple file1 File2 file10 news Zeta"},
        {ResultModel::Size, Qt::AscendingOrder, "Zeta news apple file10 file1 File2"},
        {ResultModel::Date, Qt::AscendingOrder, "news apple Zeta File2 file10 file1"},
        {ResultModel::Date, Qt::DescendingOrder, "file1 file10 File2 Zeta apple news"},
        {ResultModel::FileType, Qt::AscendingOrder, "file1 Zeta apple news File2 file10"},
        {ResultModel::Location, Qt::AscendingOrder, "file1 File2 apple file10 news Zeta"},
        {ResultModel::Url, Qt::AscendingOrder, "apple news file1 File2 file10 Zeta"}};
    ResultModel model;
    model.addRows(mixedRows());
    for (const auto& [c, order, expected] : cases) {
        model.sortBy(c, order);
        EXPECT_EQ(column(model, ResultModel::Name).join(u' ').toStdString(), expected) << c;
    }
}

// Texts that differ only in case (two folders on Linux) keep their rows together, as do
// folder names that show alike but are other bytes.
TEST(ResultModel, TextsEqualButForCaseOrBytesKeepTheirRowsTogether)
{
    ResultModel model;
    model.addRows({makeRow("/h/Docs/a"), makeRow("/h/docs/b"), makeRow("/h/Docs/c"),
                   makeRow("/h/docs/d"), makeRow("/h/caf\xe9/e"), makeRow("/h/caf\xe8/f"),
                   makeRow("/h/caf\xe9/g"), makeRow("/x/h", 0, 0, u"Zed"_qs),
                   makeRow("/x/i", 0, 0, u"zed"_qs), makeRow("/x/j", 0, 0, u"Zed"_qs)});
    model.sortBy(ResultModel::Location, Qt::AscendingOrder);
    const QString names = column(model, ResultModel::Name).join(QString());
    EXPECT_TRUE(names.contains(u"ac") && names.contains(u"bd")) << names.toStdString();
    EXPECT_TRUE(names.contains(u"eg")) << names.toStdString();
    model.sortBy(ResultModel::FileType, Qt::AscendingOrder);
    const QString types = column(model, ResultModel::Name).join(QString()).right(3);
    EXPECT_TRUE(types == u"hji" || types == u"ihj") << types.toStdString();
}

TEST(ResultModel, BatchesRemovalsRenamesAndColumnSwitchesGiveTheOrderOfOneSort)
{
    // One model lives through column switches, uneven batches, removals and renames; after each
    // step its order must equal a fresh model's whole sort of the same live rows, given in the
    // order they arrived, as ties go by it. Every other batch comes with the Name keys made on a
    // walking thread: every sorted column wants them, as they break its ties.
    const quint32 seed = QRandomGenerator::global()->generate();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    QRandomGenerator random(seed);
    ResultRows all = randomRows(random, 3020);
    const ResultRows renames(all.end() - 20, all.end());
    all.resize(3000);
    ResultRows live; // in the order they arrived
    ResultModel merged;
    const auto tester = checked(&merged);
    const std::pair<int, Qt::SortOrder> steps[] = {
        {ResultModel::Size, Qt::AscendingOrder},     {ResultModel::Name, Qt::AscendingOrder},
        {ResultModel::Size, Qt::DescendingOrder},    {ResultModel::FileType, Qt::AscendingOrder},
        {ResultModel::Name, Qt::DescendingOrder},    {ResultModel::Date, Qt::DescendingOrder},
        {ResultModel::Location, Qt::AscendingOrder}, {ResultModel::Url, Qt::DescendingOrder},
        {ResultModel::Name, Qt::AscendingOrder},     {ResultModel::Url, Qt::AscendingOrder}};
    auto at = all.begin();
    auto renamedTo = renames.begin();
    for (const auto& [c, order] : steps) {
        SCOPED_TRACE(testing::Message() << "column " << c << " order " << order);
        merged.sortBy(c, order);
        // The first batch is small enough to be announced as inserted rows.
        for (int batch = 0; batch < 3 && at != all.end(); ++batch) {
            const qint64 size = batch == 0 ? 1 + at->size % 4 : 1 + at->size % 400;
            const auto next = at + std::min<std::ptrdiff_t>(all.end() - at, size);
            ResultRows rows(std::exchange(at, next), next);
            live.insert(live.end(), rows.begin(), rows.end());
            if (batch != 1) {
                rows = prepared(merged, std::move(rows));
                EXPECT_NE(rows.front().nameKey.bytes(), nullptr);
            }
            merged.addRows(std::move(rows));
        }
        // Every ninth row goes, as after a Delete, in one change; paths named twice, of no row
        // or none at all change nothing, and rows emptied before are skipped.
        const int first = int(random.bounded(9));
        QList<QByteArray> gone;
        for (int r = first; r < merged.rowCount(); r += 9)
            gone.append(merged.path(r));
        const QPersistentModelIndex kept(merged.index(first + 1, 2));
        const QByteArray keptPath = merged.path(first + 1);
        QSignalSpy layouts(&merged, &QAbstractItemModel::layoutChanged);
        QSignalSpy removals(&merged, &QAbstractItemModel::rowsRemoved);
        // (Few rows may have come yet: a list of one path has no second to name twice.)
        const QList<QByteArray> twice = gone.first(std::min<qsizetype>(2, gone.size()));
        EXPECT_EQ(merged.removePaths(gone + twice + QList<QByteArray>{{}, "/t/x", "/t/f1.gone"}),
                  gone.size());
        EXPECT_TRUE(gone.size() < 10 || (layouts.size() == 1 && removals.isEmpty()));
        EXPECT_TRUE(merged.path(kept.row()) == keptPath && kept.column() == 2);
        std::erase_if(live, [&](const ResultRow& row) { return gone.contains(row.path()); });
        const int renamed = int(random.bounded(merged.rowCount()));
        *std::find_if(live.begin(), live.end(), [&](const ResultRow& row) {
            return row.hasPath(merged.path(renamed));
        }) = *renamedTo;
        merged.replaceRow(renamed, *renamedTo++);

        ResultModel whole;
        whole.addRows(ResultRows(live));
        whole.sortBy(c, order);
        ASSERT_EQ(paths(merged), paths(whole));
        // A row is found by its path where the list shows it; a removed one nowhere.
        for (int r = 0; r < merged.rowCount(); ++r)
            ASSERT_EQ(merged.rowOfPath(merged.path(r)), r) << merged.path(r).toStdString();
        for (const QByteArray& path : gone)
            EXPECT_EQ(merged.rowOfPath(path), -1) << path.toStdString();
    }
}

TEST(ResultModel, PersistentIndexesFollowTheirRowsAndRemovedOnesGo)
{
    ResultModel model;
    const auto tester = checked(&model);
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    model.addRows({makeRow("/a/b"), makeRow("/a/d"), makeRow("/a/f"), makeRow("/a/h")});
    const QPersistentModelIndex d(model.index(1, 2)), h(model.index(3, 0));
    const auto followed = [&] {
        return model.path(d.row()) == "/a/d" && d.column() == 2 && model.path(h.row()) == "/a/h";
    };
    model.addRows({makeRow("/a/c"), makeRow("/a/e"), makeRow("/a/ee")}); // inserted in two runs
    EXPECT_TRUE(followed());
    model.addRows({makeRow("/a/a"), makeRow("/a/dd"), makeRow("/a/g"), makeRow("/a/i"),
                   makeRow("/a/cc"), makeRow("/a/0")}); // five runs: one layout change
    EXPECT_TRUE(followed());
    model.sortBy(ResultModel::Name, Qt::DescendingOrder); // a flip
    EXPECT_TRUE(followed());
    model.sortBy(ResultModel::Size, Qt::AscendingOrder); // a whole sort
    EXPECT_TRUE(followed());
    // Few runs go as removed rows, the last first; rows out of range are left out.
    const QPersistentModelIndex gone(model.index(2, 0));
    EXPECT_EQ(model.removeListRows({0, 2, 99, -1, 2}), 2);
    EXPECT_FALSE(gone.isValid());
    EXPECT_TRUE(followed());
    EXPECT_EQ(model.rowCount(), 11);
}

// A folder that went (to the trash, or moved away) took what was inside it.
TEST(ResultModel, RemovingAFolderRemovesTheRowsInsideIt)
{
    ResultModel model;
    const auto tester = checked(&model);
    model.addRows({makeFolder("/h/dir"), makeRow("/h/dir/a.txt"), makeFolder("/h/dir/sub"),
                   makeRow("/h/dir/sub/b.txt"), makeRow("/h/dir2/c.txt"), makeRow("/h/dir.txt"),
                   makeRow("/h/other/dir/d.txt")});
    EXPECT_EQ(model.removePaths({"/h/dir"}), 4);
    EXPECT_EQ(paths(model),
              (QList<QByteArray>{"/h/dir2/c.txt", "/h/dir.txt", "/h/other/dir/d.txt"}));
    EXPECT_EQ(model.removePaths({"/h/other/dir/"}), 1); // a folder named with its slash
    EXPECT_EQ(model.removePaths({"/h"}), 2);
    EXPECT_EQ(model.rowCount(), 0);
}

// A renamed folder: the rows inside it name the new place, and a Location order follows.
TEST(ResultModel, RowsInsideARenamedFolderNameItsNewPlace)
{
    ResultModel model;
    const auto tester = checked(&model);
    model.addRows({makeRow("/h/a/x.txt"), makeRow("/h/dir/sub/y.txt"), makeRow("/h/dir/z.txt"),
                   makeRow("/h/dir2/w.txt"), makeRow("/h/m/v.txt")});
    model.sortBy(ResultModel::Location, Qt::AscendingOrder);
    const QPersistentModelIndex z(model.index(model.rowOfPath("/h/dir/z.txt"), 0));
    EXPECT_EQ(model.moveFolder("/h/dir", "/h/zed"), 2);
    EXPECT_EQ(paths(model), (QList<QByteArray>{"/h/a/x.txt", "/h/dir2/w.txt", "/h/m/v.txt",
                                               "/h/zed/z.txt", "/h/zed/sub/y.txt"}));
    EXPECT_EQ(model.path(z.row()), "/h/zed/z.txt");
    EXPECT_EQ(column(model, ResultModel::Location).last(), u"/h/zed/sub/"_qs);

    // Not sorted by location: the rows stay where they are and show their new folder.
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    const QList<QByteArray> before = paths(model);
    EXPECT_EQ(model.moveFolder("/h/zed/", "/h/q"), 2);
    EXPECT_EQ(model.rowOfPath("/h/q/z.txt"), int(before.indexOf("/h/zed/z.txt")));
    EXPECT_EQ(model.moveFolder("/h/none", "/h/other"), 0);
}

// A folder renamed or removed while the search still walks inside it: the rows found there
// afterwards name its new place, or none, as the listed ones do. A new search starts afresh.
TEST(ResultModel, RowsArrivingAfterARenameOrARemovalFollowIt)
{
    ResultModel model;
    const auto tester = checked(&model);
    model.addRows({makeRow("/h/big/a")});
    model.moveFolder("/h/big", "/h/moved");
    model.addRows({makeRow("/h/big/b"), makeRow("/h/big/sub/c"), makeFolder("/h/big"),
                   makeRow("/h/bigger/d"), makeRow("/h/other/e")});
    model.removePaths({"/h/moved/sub"});
    model.addRows({makeRow("/h/big/sub/f"), makeRow("/h/moved/sub/g"), makeRow("/h/big/h")});
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    EXPECT_EQ(paths(model), (QList<QByteArray>{"/h/moved/a", "/h/moved/b", "/h/bigger/d",
                                               "/h/other/e", "/h/moved/h"}))
        << "the renamed folder's own row comes again only from places that overlap";

    model.clear();
    model.addRows({makeRow("/h/big/i")});
    EXPECT_EQ(paths(model), QList<QByteArray>{"/h/big/i"});
}

TEST(ResultModel, ARenamedRowTakesItsNewTextsAndPlace)
{
    ResultModel model;
    const auto tester = checked(&model);
    model.addRows({makeRow("/p/alpha.txt"), makeRow("/p/beta.txt"), makeRow("/p/gamma.txt")});
    model.sortBy(ResultModel::FileType, Qt::AscendingOrder); // keys of both kinds exist
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    const QPersistentModelIndex current(model.index(0, 0));
    const int row = model.replaceRow(
        model.rowOfPath("/p/alpha.txt"),
        makeRow("/p/zeta.md", 5, utcMs(2020, 1, 1), QStringLiteral("Markdown document")));
    EXPECT_EQ(row, 2);
    EXPECT_EQ(current.row(), 2) << "the selection and current row go with it";
    EXPECT_EQ(column(model, ResultModel::Name), (QStringList{"beta", "gamma", "zeta"}));
    EXPECT_EQ(model.data(model.index(2, ResultModel::FileType)).toString(), u"Markdown document");
    model.sortBy(ResultModel::FileType, Qt::AscendingOrder);
    EXPECT_EQ(paths(model).first(), "/p/zeta.md"); // "Markdown document" before "Text"
    EXPECT_EQ(model.replaceRow(7, makeRow("/p/x")), -1);
}

TEST(ResultModel, ShowExtensionsOnAnEmptyListAndWhileRowsArrive)
{
    ResultModel model;
    const auto tester = checked(&model);
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
    EXPECT_EQ(model.data(model.index(3, 0), ResultModel::PathRole).toByteArray(), "/h/.profile");
}

TEST(ResultModel, ShowsRowTextsEvenOfADeletedFile)
{
    TempHome home;
    const QString file = home.write(QStringLiteral("gone.txt"), "data");
    modExtractIcon icons;
    ResultModel model(&icons);
    model.addRows({makeRow("/h/a.url", 2500, ResultRow::NoTime, QStringLiteral("Internet Shortcut"),
                           QString()),
                   makeFolder("/h/sub"), makeRow(QFile::encodeName(file), 4, utcMs(2020, 5, 5))});
    ASSERT_TRUE(QFile::remove(file));
    model.sortBy(ResultModel::Size, Qt::AscendingOrder);
    EXPECT_EQ(column(model, ResultModel::Name), (QStringList{"sub", "gone", "a"}));
    EXPECT_EQ(column(model, ResultModel::Size),
              (QStringList{"", "0 KB", "2 KB"})); // halves to even
    EXPECT_FALSE(column(model, ResultModel::Date)[1].isEmpty());
    EXPECT_EQ(column(model, ResultModel::Date)[2], u""); // no time known
    EXPECT_EQ(column(model, ResultModel::Url)[2], u"");  // unreadable
    EXPECT_EQ(column(model, ResultModel::Location)[2], u"/h/");
    EXPECT_FALSE(model.data(model.index(1, 0), Qt::DecorationRole).value<QIcon>().isNull());
    const QString description =
        model.data(model.index(2, ResultModel::Name), Qt::AccessibleDescriptionRole).toString();
    EXPECT_TRUE(description.contains(u"Size: 2 KB")) << description.toStdString();
    // What a row does not have is left out, not read as an empty "Size: ".
    const QString folder =
        model.data(model.index(0, ResultModel::Name), Qt::AccessibleDescriptionRole).toString();
    EXPECT_TRUE(folder.startsWith(u"File Type: "_qs)) << folder.toStdString();
    EXPECT_FALSE(description.contains(u"Date"_qs)) << description.toStdString();
}

TEST(ResultModel, OddNamesShowOnOneLineAndKeepTheirBytes)
{
    ResultModel model;
    model.sortBy(ResultModel::Name, Qt::AscendingOrder);
    model.addRows({makeRow("/h/two\nlines.txt"), makeRow("/h/bad\xff\xfe.txt"),
                   makeRow("/h/line\xe2\x80\xa8separator.txt")});
    // Line breaks show as the mark the status bar and the menus use too.
    const QString names = column(model, ResultModel::Name).join(u'|');
    EXPECT_EQ(names, u"bad\uFFFD\uFFFD|line\u23CEseparator|two\u23CElines"_qs);
    EXPECT_EQ(paths(model),
              (QList<QByteArray>{"/h/bad\xff\xfe.txt", "/h/line\xe2\x80\xa8separator.txt",
                                 "/h/two\nlines.txt"}));
}

TEST(ResultModel, IconsOnlyWhileShownAndEachLoadedOnce)
{
    modExtractIcon icons;
    ResultModel model(&icons);
    model.addRows({makeRow("/a/x.txt"), makeRow("/a/y.TXT"), makeFolder("/a/dir")});
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
    EXPECT_EQ(icons.cacheSize(), 2); // text, whatever the case, and folder
    model.setShowIcons(false);
    model.setShowIcons(true);
    decorations();
    EXPECT_EQ(icons.loads(), loads) << "off and on again loads nothing twice";
    EXPECT_FALSE(model.data(model.index(0, 0), Qt::DecorationRole).value<QIcon>().isNull());
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

// The list's order without Qt: plain rows, the sort index and row spans.
struct PlainRow {
    std::string folder;
    std::string name;
};

// UTF-16 of the tests' texts: ASCII and two-byte UTF-8 sequences.
std::u16string wide(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0xC0 && i + 1 < text.size())
            out.push_back(char16_t((byte & 0x1F) << 6 | (text[++i] & 0x3F)));
        else
            out.push_back(char16_t(byte));
    }
    return out;
}

// Stored rows as a vector, read by the index as it reads the model's rows; only Name and
// Location are sorted here.
class PlainRows final : public SortRows {
public:
    std::vector<PlainRow> rows;

    void add(PlainRow row) { rows.push_back(std::move(row)); }
    std::string_view name(uint32_t row) const override { return rows[row].name; }
    uint64_t number(int, uint32_t) const override { return 0; }
    std::string_view textId(int, uint32_t row) const override { return rows[row].folder; }
    void text(int column, uint32_t row, std::u16string& out) const override
    {
        out = wide(column == ResultColumn::Name ? rows[row].name : rows[row].folder);
    }
};

// The stored rows in list order.
std::vector<uint32_t> listed(const SortIndex& index)
{
    std::vector<uint32_t> out;
    for (size_t i = 0; i < index.size(); ++i)
        out.push_back(index.at(i));
    return out;
}

TEST(SortIndex, NameOrderIsTheCollationThenTheBytesThenTheArrival)
{
    // Names that are prefixes of each other, equal but for case or accents, canonically equal
    // (composed and decomposed), numbers of different lengths; the same names in many folders. The
    // reference compares plain collation keys, then bytes, then arrival, so it does not share the
    // index's way of breaking ties.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    const char* const parts[] = {"a",  "A",    "b",    "1",        "2",
                                 "10", "file", "File", "e",        "\xc3\xa9" /* é */,
                                 "-",  "s",    "E",    "e\xcc\x81" /* e and a combining acute */};
    PlainRows rows;
    SortIndex index(rows, "en_US");
    index.sortBy(ResultColumn::Name, false);
    for (int batch = 0; batch < 6; ++batch) {
        const size_t first = rows.rows.size();
        const size_t count = 1 + random() % 200;
        for (size_t i = 0; i < count; ++i) {
            std::string name;
            for (unsigned n = 1 + random() % 3; n > 0; --n)
                name += parts[random() % std::size(parts)];
            rows.add({"/f" + std::to_string(random() % 9) + '/', name});
        }
        index.addStored(first, count);
        index.merge(index.planMerge(first, count));
    }
    CollationKeys plain("en_US");
    std::vector<uint32_t> keys;
    for (const PlainRow& row : rows.rows)
        keys.push_back(plain.add(wide(row.name)));
    std::vector<uint32_t> expected(rows.rows.size());
    for (uint32_t i = 0; i < expected.size(); ++i)
        expected[i] = i;
    std::sort(expected.begin(), expected.end(), [&](uint32_t a, uint32_t b) {
        if (const int c = std::strcmp(plain.key(keys[a]), plain.key(keys[b])))
            return c < 0;
        if (rows.rows[a].name != rows.rows[b].name)
            return rows.rows[a].name < rows.rows[b].name; // as unsigned bytes
        return a < b;
    });
    EXPECT_EQ(listed(index), expected);
    index.sortBy(ResultColumn::Name, true);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(listed(index), expected);
}

TEST(SortIndex, ThousandsOfFoldersSortByValueWholeAndInBatches)
{
    // Enough distinct folders to grow the text table many times; a whole sort ranks every
    // folder, a small batch only its own. Four threads make the Name keys of the big batch.
    PlainRows rows;
    SortIndex index(rows, "en_US", 4);
    // Built by appending: GCC 12 warns wrongly about "literal" + std::string.
    auto folderOf = [](uint32_t i) {
        return std::string("/t/f").append(std::to_string(i * 7919 % 3000)).append("/");
    };
    for (uint32_t i = 0; i < 30000; ++i)
        rows.add({folderOf(i), std::string("n").append(std::to_string(i % 17))});
    index.addStored(0, rows.rows.size());
    index.append(0, rows.rows.size());
    index.sortBy(ResultColumn::Name, false);
    index.sortBy(ResultColumn::Location, false);
    for (uint32_t i = 30000; i < 30040; ++i)
        rows.add({folderOf(i) + "x/", "m"});
    index.addStored(30000, 40);
    index.merge(index.planMerge(30000, 40));
    ASSERT_EQ(index.size(), rows.rows.size());
    // Folders by the value of their number ("f9" before "f10"), "fN/x/" right after "fN/".
    auto place = [&](size_t at) {
        const std::string& folder = rows.rows[index.at(at)].folder;
        return std::make_pair(std::stoi(folder.substr(4)), folder.size());
    };
    for (size_t at = 1; at < index.size(); ++at)
        ASSERT_LE(place(at - 1), place(at)) << "at list row " << at;
}

TEST(RowSpans, FollowTheirRowsThroughMergesAndRemovals)
{
    using Spans = std::vector<RowSpan>;
    const struct {
        Spans spans;
        RowShift shift;
        Spans expected;
    } cases[] = {
        // All of 0..9 selected; new rows before row 0, inside (before 5, twice) and after.
        {{{0, 9}}, {{0, 5, 5, 10}, {}}, {{1, 5}, {8, 12}}},
        {{{2, 3}, {6, 6}}, {{4}, {}}, {{2, 3}, {7, 7}}},
        // Removed rows drop out; what is left closes up and joins.
        {{{0, 9}}, {{}, {0, 4, 9}}, {{0, 6}}},
        {{{1, 2}, {4, 5}}, {{}, {3}}, {{1, 4}}},
        {{{3, 3}}, {{}, {3}}, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shiftSpans(c.spans, c.shift), c.expected);
    EXPECT_EQ(normalizeSpans({{5, 6}, {0, 2}, {3, 4}, {8, 9}, {9, 9}}), (Spans{{0, 6}, {8, 9}}));
}

// The tests' data folders are private; the type and icon lookups still need the system's
// MIME database and icon themes, so these are linked (read-only) into the private folder.
class SystemTypes final : public ::testing::Environment {
public:
    void SetUp() override
    {
        const QString first =
            qEnvironmentVariable("XDG_DATA_DIRS").split(u':', Qt::SkipEmptyParts).value(0);
        ASSERT_FALSE(first.isEmpty());
        ASSERT_TRUE(QDir().mkpath(first));
        for (const char* name : {"mime", "icons"}) {
            const QString link = first + u'/' + QLatin1String(name);
            const QString target = u"/usr/share/" + QLatin1String(name);
            if (!QFile::exists(link) && QFile::exists(target))
                QFile::link(target, link);
        }
    }
};

const auto* const systemTypes = ::testing::AddGlobalTestEnvironment(new SystemTypes);

} // namespace
