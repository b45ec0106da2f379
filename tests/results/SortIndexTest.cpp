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

} // namespace
