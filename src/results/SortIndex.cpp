#include "SortIndex.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <numeric>
#include <thread>

using namespace ResultColumn;

// Three numbers decide nearly every comparison without reading the row: Name takes 16 bytes
// of its key, the other columns their value (or the rank of their text) and 16 bytes of the
// Name key that breaks their ties. Only full ties read the key arena.
struct SortIndex::Item {
    uint64_t first;  ///< Name key bytes 0-7, or rank, size or time
    uint64_t second; ///< Name key bytes 8-15, or 0-7
    uint64_t third;  ///< unused for Name, or Name key bytes 8-15
    uint32_t key;    ///< full Name key offset
    uint32_t row;    ///< stored row being ordered
};

namespace {

// Above this many rows a whole sort uses a second thread.
constexpr size_t ParallelSortRows = 50000;

// The last word on equal rows: the order they were stored in, which is the walk's.
int compareArrival(uint32_t a, uint32_t b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

std::vector<uint32_t> storedRange(size_t first, size_t count)
{
    std::vector<uint32_t> rows(count);
    for (size_t i = 0; i < count; ++i)
        rows[i] = uint32_t(first + i);
    return rows;
}

} // namespace

SortIndex::SortIndex(const SortRows& rows, const std::string& locale, int threads)
    : m_rows(rows)
    , m_names(locale)
    , m_texts(locale)
    , m_threads(std::max(threads, 1))
{}

SortIndex::~SortIndex() = default;

bool SortIndex::textColumn() const
{
    return m_column == FileType || m_column == Location || m_column == Url;
}

uint32_t SortIndex::IdTable::insert(std::string_view id, bool& added)
{
    if ((size() + 1) * 2 > m_slots.size())
        grow();
    const uint64_t hash = std::hash<std::string_view>{}(id);
    const uint64_t tag = hash >> 32 << 32;
    const size_t mask = m_slots.size() - 1;
    for (size_t pos = size_t(hash) & mask;; pos = (pos + 1) & mask) {
        const uint64_t slot = m_slots[pos];
        if (slot == 0) {
            const auto number = uint32_t(size());
            m_bytes.append(id);
            m_starts.push_back(uint32_t(m_bytes.size()));
            m_slots[pos] = tag | (uint64_t(number) + 1);
            added = true;
            return number;
        }
        const auto number = uint32_t(slot) - 1;
        if ((slot >> 32 << 32) == tag && at(number) == id) {
            added = false;
            return number;
        }
    }
}

std::string_view SortIndex::IdTable::at(uint32_t number) const
{
    return std::string_view(m_bytes).substr(m_starts[number],
                                            m_starts[number + 1] - m_starts[number]);
}

void SortIndex::IdTable::grow()
{
    std::vector<uint64_t> slots(std::max<size_t>(m_slots.size() * 2, 64));
    const size_t mask = slots.size() - 1;
    for (uint32_t number = 0; number < size(); ++number) {
        const uint64_t hash = std::hash<std::string_view>{}(at(number));
        size_t pos = size_t(hash) & mask;
        while (slots[pos] != 0)
            pos = (pos + 1) & mask;
        slots[pos] = (hash >> 32 << 32) | (uint64_t(number) + 1);
    }
    m_slots.swap(slots);
}

void SortIndex::IdTable::clear()
{
    std::vector<uint64_t>().swap(m_slots);
    m_starts.assign(1, 0);
    std::string().swap(m_bytes);
}

namespace {
/// Bytes that differ for texts that differ, none of them NUL: each UTF-16 unit as UTF-8 would
/// write it, U+0000 as two bytes.
std::string tieBytes(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (const char16_t c : text) {
        if (c != 0 && c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}
} // namespace

uint32_t SortIndex::keyFor(uint32_t row, std::string_view id)
{
    bool added = false;
    const uint32_t number = m_textIds.insert(id, added);
    if (added) {
        std::u16string text;
        m_rows.text(m_column, row, text);
        // Texts that differ only in case sort equal: their own bytes go on after the key, so
        // that the rows of "/h/Docs/" and "/h/docs/" never interleave. A folder's path bytes
        // also tell apart names shown alike (not UTF-8); the other ids hold NULs (UTF-16).
        const bool idIsTie = id.find('\0') == std::string_view::npos;
        const std::string own = idIsTie ? std::string() : tieBytes(text);
        m_textKeys.push_back(m_texts.add(text, idIsTie ? id : std::string_view(own)));
    }
    return number;
}

void SortIndex::addNameKeys(size_t first, size_t count)
{
    // Name keys go on with the name's bytes: keys that compare equal belong to equal names,
    // so a merge never reads a row to break a tie between names.
    bool anyMade = false;
    for (size_t i = first; i < first + count && !anyMade; ++i)
        anyMade = m_rows.nameKey(uint32_t(i)) != nullptr;
    if (anyMade) {
        // Keys made on the walking threads are copied; a row without one gets it here.
        std::u16string text;
        for (size_t i = first; i < first + count; ++i) {
            if (const char* key = m_rows.nameKey(uint32_t(i))) {
                m_nameKeys.push_back(m_names.addKey(key));
            } else {
                m_rows.text(Name, uint32_t(i), text);
                m_nameKeys.push_back(m_names.add(text, m_rows.name(uint32_t(i))));
            }
        }
        return;
    }
    const std::vector<uint32_t> keys = m_names.addMany(
        count, m_threads,
        [this, first](size_t i, std::u16string& text) {
            m_rows.text(Name, uint32_t(first + i), text);
        },
        [this, first](size_t i) { return m_rows.name(uint32_t(first + i)); });
    m_nameKeys.insert(m_nameKeys.end(), keys.begin(), keys.end());
}

void SortIndex::addTextKeys(size_t first, size_t count)
{
    if (first == 0)
        m_keys.reserve(count);
    // Rows of one folder arrive together: a row with the text of the one before skips the
    // table.
    std::string_view lastId;
    uint32_t lastNumber = 0;
    for (size_t i = first; i < first + count; ++i) {
        const std::string_view id = m_rows.textId(m_column, uint32_t(i));
        if (i == first || id != lastId)
            lastNumber = keyFor(uint32_t(i), lastId = id);
        m_keys.push_back(lastNumber);
    }
}

void SortIndex::resetKeys()
{
    std::vector<uint32_t>().swap(m_keys);
    m_texts.clear();
    m_textIds.clear();
    std::vector<uint32_t>().swap(m_textKeys);
}

int SortIndex::compareTie(uint32_t a, uint32_t b) const
{
    // As the Name column orders them ("file2" before "file10"), then the order the walk found
    // the rows in, which is the same on every walk of the same folders: equal keys belong to
    // equal names, so equal names in many folders cost no read of the folders.
    if (m_nameKeys[a] != m_nameKeys[b]) {
        if (const int c = std::strcmp(m_names.key(m_nameKeys[a]), m_names.key(m_nameKeys[b])))
            return c;
    }
    return compareArrival(a, b);
}

int SortIndex::compare(uint32_t a, uint32_t b) const
{
    switch (m_column) {
    case Size:
    case Date: {
        const uint64_t x = m_rows.number(m_column, a);
        const uint64_t y = m_rows.number(m_column, b);
        if (x != y)
            return x < y ? -1 : 1;
        break;
    }
    case Name:
        break;
    case FileType:
    case Location:
    case Url:
        if (m_keys[a] != m_keys[b]) {
            if (const int c = std::strcmp(textKey(a), textKey(b)))
                return c;
        }
        break;
    default:
        return 0;
    }
    return compareTie(a, b);
}

std::vector<uint64_t> SortIndex::ranks(const std::vector<uint32_t>& rows) const
{
    // Types, folders and addresses repeat: their few distinct texts are ranked once, so the
    // sort compares numbers only. A small batch ranks only its own texts. Returned as one
    // rank per row of `rows`.
    const size_t known = m_textKeys.size();
    const bool few = rows.size() < known * 4;
    std::vector<uint32_t> distinct;
    if (few) {
        for (const uint32_t row : rows)
            distinct.push_back(m_keys[row]);
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
    } else {
        distinct.resize(known);
        std::iota(distinct.begin(), distinct.end(), 0u);
    }
    const auto keyOf = [this](uint32_t number) {
        return m_texts.key(m_textKeys[number]);
    };
    std::vector<uint32_t> order = distinct;
    std::sort(order.begin(), order.end(),
              [&](uint32_t a, uint32_t b) { return std::strcmp(keyOf(a), keyOf(b)) < 0; });
    // By text number: all of them for a whole sort, else the batch's own, looked up by halves.
    std::vector<uint64_t> rankOf(distinct.size());
    const auto slot = [&](uint32_t number) {
        return few ? size_t(std::lower_bound(distinct.begin(), distinct.end(), number) -
                            distinct.begin())
                   : size_t(number);
    };
    uint64_t next = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && std::strcmp(keyOf(order[i - 1]), keyOf(order[i])) != 0)
            ++next; // texts with equal keys share a rank
        rankOf[slot(order[i])] = next;
    }
    std::vector<uint64_t> result(rows.size());
    uint32_t lastNumber = std::numeric_limits<uint32_t>::max(); // never a text number
    uint64_t lastRank = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint32_t number = m_keys[rows[i]];
        if (number != lastNumber) // rows of one folder arrive together
            lastRank = rankOf[slot(lastNumber = number)];
        result[i] = lastRank;
    }
    return result;
}

std::vector<SortIndex::Item> SortIndex::itemsFor(const std::vector<uint32_t>& rows) const
{
    std::vector<Item> items(rows.size());
    const std::vector<uint64_t> rank = textColumn() ? ranks(rows) : std::vector<uint64_t>();
    for (size_t i = 0; i < rows.size(); ++i) {
        const uint32_t row = rows[i];
        Item& item = items[i];
        item.row = row;
        item.key = m_nameKeys[row];
        if (m_column == Name) {
            item.first = m_names.prefix(item.key);
            item.second = m_names.prefix(item.key, 8);
            item.third = 0;
            continue;
        }
        item.first = rank.empty() ? m_rows.number(m_column, row) : rank[i];
        item.second = m_names.prefix(item.key);
        item.third = m_names.prefix(item.key, 8);
    }
    return items;
}

void SortIndex::sortItems(std::vector<Item>& items) const
{
    auto ascending = [&](const Item& a, const Item& b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.second != b.second)
            return a.second < b.second;
        if (a.third != b.third)
            return a.third < b.third;
        if (a.key != b.key) {
            if (const int c = std::strcmp(m_names.key(a.key), m_names.key(b.key)))
                return c < 0;
        }
        return a.row < b.row; // equal keys, equal names: the walk's order
    };
    auto less = [&](const Item& a, const Item& b) {
        return m_descending ? ascending(b, a) : ascending(a, b);
    };
    if (items.size() < ParallelSortRows || m_threads < 2) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    const auto middle = items.begin() + std::ptrdiff_t(items.size() / 2);
    std::thread helper([&] { std::sort(items.begin(), middle, less); });
    std::sort(middle, items.end(), less);
    helper.join();
    std::inplace_merge(items.begin(), middle, items.end(), less);
}

SortIndex::Moved SortIndex::sortMoves(int column, bool descending) const
{
    if (column < -1 || column >= Count || (column == m_column && descending == m_descending) ||
        column < 0 || size() < 2)
        return Moved::None;
    return column == m_column ? Moved::Reversed : Moved::Sorted;
}

SortIndex::Moved SortIndex::sortBy(int column, bool descending, std::vector<uint32_t>* oldOrder)
{
    if (column < -1 || column >= Count || (column == m_column && descending == m_descending))
        return Moved::None;
    const Moved moved = sortMoves(column, descending);
    if (column == m_column && column >= 0) {
        // Only the direction changes: the order is total, so the new one is the old reversed.
        m_descending = descending;
        std::reverse(m_view.begin(), m_view.end());
        return moved;
    }
    m_column = column;
    m_descending = descending;
    makeKeysAndSort(moved != Moved::None, oldOrder);
    return moved;
}

void SortIndex::sortAgain(std::vector<uint32_t>* oldOrder)
{
    if (m_column >= 0)
        makeKeysAndSort(true, oldOrder);
}

void SortIndex::makeKeysAndSort(bool reorder, std::vector<uint32_t>* oldOrder)
{
    resetKeys();
    // Every sorted column needs Name keys: they break its ties.
    if (m_column >= 0 && m_nameKeys.empty())
        addNameKeys(0, m_stored);
    if (textColumn())
        addTextKeys(0, m_stored);
    if (!reorder)
        return;
    // Items are made in stored order, which reads the rows one after another.
    std::vector<uint32_t> live;
    live.reserve(m_view.size());
    for (uint32_t r = 0; r < m_stored; ++r) {
        if (!m_gone[r])
            live.push_back(r);
    }
    std::vector<Item> items = itemsFor(live);
    std::vector<uint32_t>().swap(live);
    sortItems(items);
    if (oldOrder)
        *oldOrder = m_view;
    for (size_t i = 0; i < items.size(); ++i)
        m_view[i] = items[i].row;
}

std::vector<uint32_t> SortIndex::listRows() const
{
    std::vector<uint32_t> rows(m_stored);
    for (size_t i = 0; i < m_view.size(); ++i)
        rows[m_view[i]] = uint32_t(i);
    return rows;
}

void SortIndex::addStored(size_t first, size_t count)
{
    m_stored = first + count;
    m_gone.resize(m_stored, false);
    // Name keys are the dearest to make: once made they are kept for every later row, so a
    // return to the Name column only sorts.
    if (wantsNameKeys())
        addNameKeys(first, count);
    if (textColumn())
        addTextKeys(first, count);
}

void SortIndex::append(size_t first, size_t count)
{
    for (size_t i = first; i < first + count; ++i)
        m_view.push_back(uint32_t(i));
}

SortIndex::Merge SortIndex::planMerge(size_t first, size_t count) const
{
    std::vector<Item> items = itemsFor(storedRange(first, count));
    sortItems(items);
    Merge merge;
    merge.rows.resize(count);
    merge.before.resize(count);
    // Where each new row goes: before the first old row that sorts after it. The new rows are
    // in order, so each search starts where the one before ended and gallops ahead: a batch
    // spread over a long list costs a few comparisons a row, not a search of the whole list.
    const size_t n = m_view.size();
    size_t low = 0;
    for (size_t j = 0; j < count; ++j) {
        const uint32_t row = items[j].row;
        merge.rows[j] = row;
        const auto after = [&](size_t at) {
            const int c = compare(m_view[at], row);
            return (m_descending ? -c : c) > 0;
        };
        size_t lo = low; // no old row before it sorts after the new one
        size_t hi = lo;
        for (size_t step = 1; hi < n && !after(hi); step *= 2) {
            lo = hi + 1;
            hi = std::min(n, lo + step);
        }
        while (lo < hi) { // the place is in [lo, hi]: hi is n or sorts after
            const size_t mid = lo + (hi - lo) / 2;
            if (after(mid))
                hi = mid;
            else
                lo = mid + 1;
        }
        merge.before[j] = low = lo;
        merge.runs += (j == 0 || merge.before[j] != merge.before[j - 1]) ? 1 : 0;
    }
    return merge;
}

void SortIndex::merge(const Merge& merge)
{
    const size_t n = m_view.size();
    const size_t m = merge.rows.size();
    m_view.resize(n + m);
    size_t oldIndex = n;
    size_t newIndex = m;
    for (size_t out = n + m; out-- > 0 && newIndex > 0;) {
        if (oldIndex > 0 && merge.before[newIndex - 1] <= oldIndex - 1)
            m_view[out] = m_view[--oldIndex];
        else
            m_view[out] = merge.rows[--newIndex];
    }
}

void SortIndex::mergeInRuns(const Merge& merge, const std::function<void(size_t, size_t)>& beginRun,
                            const std::function<void()>& endRun)
{
    // The old order moves to the back once; each run then moves the old rows before it to
    // the front and fills in after them, so every announcement sees a consistent list and
    // the whole merge moves each number once.
    const size_t n = m_view.size();
    const size_t m = merge.rows.size();
    m_view.resize(n + m);
    std::move_backward(m_view.begin(), m_view.begin() + std::ptrdiff_t(n), m_view.end());
    m_gapAt = 0;
    m_gapLen = m;
    size_t oldPlaced = 0;
    for (size_t j = 0; j < m;) {
        for (; oldPlaced < merge.before[j]; ++oldPlaced, ++m_gapAt)
            m_view[m_gapAt] = m_view[m_gapAt + m_gapLen];
        size_t end = j;
        while (end < m && merge.before[end] == merge.before[j])
            ++end;
        beginRun(m_gapAt, end - j);
        for (; j < end; ++j, ++m_gapAt, --m_gapLen)
            m_view[m_gapAt] = merge.rows[j];
        endRun();
    }
    m_gapAt = 0; // the old rows after the last run are in place
}

void SortIndex::removeRange(size_t first, size_t count)
{
    const auto begin = m_view.begin() + std::ptrdiff_t(first);
    for (auto it = begin; it != begin + std::ptrdiff_t(count); ++it)
        m_gone[*it] = true;
    m_view.erase(begin, begin + std::ptrdiff_t(count));
}

void SortIndex::remove(const std::vector<size_t>& rows)
{
    size_t out = rows.empty() ? m_view.size() : rows.front();
    size_t next = 0;
    for (size_t in = out; in < m_view.size(); ++in) {
        if (next < rows.size() && rows[next] == in) {
            m_gone[m_view[in]] = true;
            ++next;
            continue;
        }
        m_view[out++] = m_view[in];
    }
    m_view.resize(out);
}

std::vector<int> SortIndex::listRowsOf(const std::vector<bool>& stored) const
{
    std::vector<int> rows;
    for (size_t row = 0, n = size(); row < n; ++row) {
        const uint32_t s = at(row);
        if (s < stored.size() && stored[s])
            rows.push_back(int(row));
    }
    return rows;
}

int SortIndex::listRowOf(size_t stored) const
{
    // Both sides of the gap, in the order's own memory: a plain scan of 4 bytes a row.
    const auto wanted = uint32_t(stored);
    const auto gap = m_view.begin() + std::ptrdiff_t(m_gapAt);
    if (const auto it = std::find(m_view.begin(), gap, wanted); it != gap)
        return int(it - m_view.begin());
    const auto after = gap + std::ptrdiff_t(m_gapLen);
    if (const auto it = std::find(after, m_view.end(), wanted); it != m_view.end())
        return int(it - after) + int(m_gapAt);
    return -1;
}

size_t SortIndex::placeOf(uint32_t stored) const
{
    size_t lo = 0;
    size_t hi = m_view.size();
    while (lo < hi) {
        const size_t mid = lo + (hi - lo) / 2;
        const int c = compare(m_view[mid], stored);
        if ((m_descending ? -c : c) <= 0)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

size_t SortIndex::replace(size_t row)
{
    const uint32_t stored = m_view[row];
    if (!m_nameKeys.empty()) {
        std::u16string text;
        m_rows.text(Name, stored, text);
        // The old key stays unused in the arena.
        m_nameKeys[stored] = m_names.add(text, m_rows.name(stored));
    }
    if (textColumn())
        m_keys[stored] = keyFor(stored, m_rows.textId(m_column, stored));
    if (m_column < 0)
        return row;
    m_view.erase(m_view.begin() + std::ptrdiff_t(row));
    const size_t place = placeOf(stored);
    m_view.insert(m_view.begin() + std::ptrdiff_t(place), stored);
    return place;
}

void SortIndex::clear()
{
    std::vector<uint32_t>().swap(m_view);
    std::vector<uint32_t>().swap(m_nameKeys);
    m_names.clear();
    resetKeys();
    m_stored = 0;
    std::vector<bool>().swap(m_gone);
}

size_t SortIndex::bytes() const
{
    return (m_view.capacity() + m_keys.capacity() + m_nameKeys.capacity()) * sizeof(uint32_t) +
           m_texts.bytes() + m_names.bytes();
}
