// The list's order without Qt: plain rows, the sort index and row spans.
#include "results/SortIndex.h"
#include "results/CollationKeys.h"
#include "results/RowSpans.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct PlainRow {
    std::string folder;
    std::string name;
    uint64_t size = 0;
    uint64_t time = 0;
    std::u16string type;
    std::u16string url;
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

// Stored rows as a vector: the index reads them as the model's rows would be read.
class PlainRows final : public SortRows {
public:
    std::vector<PlainRow> rows;
    mutable std::vector<std::string> paths; // stable storage for path views

    uint32_t add(PlainRow row)
    {
        rows.push_back(std::move(row));
        paths.push_back(rows.back().folder + rows.back().name);
        return uint32_t(rows.size() - 1);
    }
    void set(uint32_t at, PlainRow row)
    {
        rows[at] = std::move(row);
        paths[at] = rows[at].folder + rows[at].name;
    }

    std::string_view name(uint32_t row) const override { return rows[row].name; }
    uint64_t number(int column, uint32_t row) const override
    {
        return column == ResultColumn::Size ? rows[row].size : rows[row].time;
    }
    std::string_view textId(int column, uint32_t row) const override
    {
        const PlainRow& r = rows[row];
        if (column == ResultColumn::Location)
            return r.folder;
        const std::u16string& text = column == ResultColumn::FileType ? r.type : r.url;
        return {reinterpret_cast<const char*>(text.data()), text.size() * 2};
    }
    void text(int column, uint32_t row, std::u16string& out) const override
    {
        const PlainRow& r = rows[row];
        switch (column) {
        case ResultColumn::Name:
            out = wide(r.name);
            break;
        case ResultColumn::Location:
            out = wide(r.folder);
            break;
        case ResultColumn::FileType:
            out = r.type;
            break;
        default:
            out = r.url;
        }
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

std::vector<std::string> order(const SortIndex& index, const PlainRows& rows)
{
    std::vector<std::string> out;
    for (const uint32_t stored : listed(index))
        out.push_back(rows.paths[stored]);
    return out;
}

// All rows at once, then sorted: the reference the merges are held to.
void addAllAndSort(SortIndex& index, const PlainRows& rows, int column, bool descending)
{
    index.addStored(0, rows.rows.size());
    index.append(0, rows.rows.size());
    index.sortBy(column, descending);
}

PlainRow randomRow(std::mt19937& random, int i)
{
    auto pick = [&](int n) {
        return int(random() % unsigned(n));
    };
    PlainRow row;
    row.folder = "/t/f" + std::to_string(pick(30)) + '/';
    // Shared long prefixes make ties be decided past the first 16 bytes.
    const std::string stem = i % 5 ? (i % 3 ? "Doc" : "doc") : "IMG_20230101_1200";
    row.name = stem + std::to_string(pick(400)) + (i % 4 ? ".txt" : ".PDF");
    row.size = uint64_t(pick(9) ? pick(100000) : 0);
    row.time = uint64_t(pick(50) ? pick(20) * 1000 : 0);
    row.type = i % 2 ? u"Text" : u"PDF document";
    row.url = i % 7 ? u"n/a" : u"http://x/";
    return row;
}

TEST(SortIndex, BatchesRemovalsAndRenamesGiveTheOrderOfOneSort)
{
    // One index lives through column switches, batches, removals and renames; after each step
    // its order must equal a fresh index's whole sort of the same live rows.
    const unsigned seed = std::random_device{}();
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    PlainRows rows;
    SortIndex index(rows, "en_US");
    const std::pair<int, bool> steps[] = {
        {ResultColumn::Name, false},     {ResultColumn::Size, false}, {ResultColumn::Size, true},
        {ResultColumn::FileType, false}, {ResultColumn::Name, true},  {ResultColumn::Date, true},
        {ResultColumn::Location, false}, {ResultColumn::Url, true},   {ResultColumn::Name, false},
        {ResultColumn::Url, false}};
    int made = 0;
    for (const auto& [column, descending] : steps) {
        SCOPED_TRACE(testing::Message() << "column " << column << " descending " << descending);
        index.sortBy(column, descending);
        for (int batch = 0; batch < 3; ++batch) {
            const size_t first = rows.rows.size();
            const size_t count = 1 + random() % 300;
            for (size_t i = 0; i < count; ++i)
                rows.add(randomRow(random, made++));
            index.addStored(first, count);
            const SortIndex::Merge merge = index.planMerge(first, count);
            if (batch == 0)
                index.mergeInRuns(
                    merge, [](size_t, size_t) {}, [] {});
            else
                index.merge(merge);
        }
        std::vector<size_t> gone; // every ninth row goes, as after a Delete
        for (size_t r = random() % 9; r < index.size(); r += 9)
            gone.push_back(r);
        index.remove(gone);
        const size_t renamed = random() % index.size();
        PlainRow row = randomRow(random, made++);
        rows.set(index.at(renamed), row);
        index.replace(renamed);

        // The reference holds the live rows in the order they arrived, as ties go by it.
        std::vector<uint32_t> arrived = listed(index);
        std::sort(arrived.begin(), arrived.end());
        PlainRows live;
        for (const uint32_t stored : arrived)
            live.add(rows.rows[stored]);
        SortIndex whole(live, "en_US");
        addAllAndSort(whole, live, column, descending);
        ASSERT_EQ(order(index, rows), order(whole, live));
    }
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
            rows.add({"/f" + std::to_string(random() % 9) + '/', name, 0, 0, u"", u""});
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
        rows.add({folderOf(i), std::string("n").append(std::to_string(i % 17)), 0, 0, u"", u""});
    addAllAndSort(index, rows, ResultColumn::Name, false);
    index.sortBy(ResultColumn::Location, false);
    for (uint32_t i = 30000; i < 30040; ++i)
        rows.add({folderOf(i) + "x/", "m", 0, 0, u"", u""});
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

} // namespace
