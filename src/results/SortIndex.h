#pragma once

#include "CollationKeys.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

/// The columns of the result list, in list order.
namespace ResultColumn {
enum : int { Name, Size, FileType, Date, Location, Url, Count };
}

/// What the sort index reads of the stored rows, numbered in the order they were stored:
/// bytes, numbers and UTF-16 texts. A removed row stays numbered; it is only never read.
class SortRows {
public:
    virtual ~SortRows() = default;
    /// The row's name bytes: they end its Name key, so that only equal names have equal keys.
    virtual std::string_view name(uint32_t row) const = 0;
    /// The value Size or Date sorts by, ascending.
    virtual uint64_t number(int column, uint32_t row) const = 0;
    /// Bytes equal exactly for rows whose FileType, Location or Url text is equal.
    virtual std::string_view textId(int column, uint32_t row) const = 0;
    /// The text of Name, FileType, Location or Url as shown, written to `out`. For Name it is
    /// called from several threads at once.
    virtual void text(int column, uint32_t row, std::u16string& out) const = 0;
    /// The row's Name key when it came made (NUL-terminated, by `CollationKeys::write` for
    /// the index's locale), or null. Read once, when the row is added.
    virtual const char* nameKey(uint32_t /*row*/) const { return nullptr; }
};

/// The order of the result list: which stored row each list row shows, kept sorted by one
/// column in one direction; rows equal in it go as the Name column orders them, then by the
/// order they were stored in (the walk's), all reversed with the direction. Sort keys are kept per
/// stored row (Name keys, once made, for good), batches are sorted and merged in, rows are removed
/// and re-placed after a change. Plain C++: no Qt types; the model over it announces each change to
/// the views.
class SortIndex final {
public:
    /// Where a batch goes: its stored rows in sorted order and, for each, how many old list
    /// rows come before it.
    struct Merge {
        std::vector<uint32_t> rows;
        std::vector<size_t> before;
        size_t runs = 0; ///< the number of places the batch goes into
    };

    /// An empty index over `rows`, whose texts it compares in the ICU locale `locale`; large
    /// sorts and key making use up to `threads` threads.
    explicit SortIndex(const SortRows& rows, const std::string& locale = {}, int threads = 1);
    ~SortIndex();
    SortIndex(const SortIndex&) = delete;
    SortIndex& operator=(const SortIndex&) = delete;

    /// The number of list rows.
    size_t size() const { return m_view.size() - m_gapLen; }
    /// The stored row shown at list row `row` (< size()).
    uint32_t at(size_t row) const { return m_view[row < m_gapAt ? row : row + m_gapLen]; }
    /// Whether rows added now need Name keys: a column is sorted (Name keys break its ties),
    /// or the keys are kept.
    bool wantsNameKeys() const { return m_column >= 0 || !m_nameKeys.empty(); }
    /// The sort column (ResultColumn), or -1 for arrival order.
    int column() const { return m_column; }
    /// Whether the order is descending.
    bool descending() const { return m_descending; }

    /// How a sort moves the list rows.
    enum class Moved { None, Reversed, Sorted };
    /// What `sortBy(column, descending)` would do to the list rows.
    Moved sortMoves(int column, bool descending) const;
    /// Orders the list by `column` (-1: rows to come stay in arrival order) and direction;
    /// `oldOrder`, when given, receives the order before a Sorted move.
    Moved sortBy(int column, bool descending, std::vector<uint32_t>* oldOrder = nullptr);
    /// Orders the list again by its column after the texts of rows changed (their keys are
    /// made anew); `oldOrder`, when given, receives the order before.
    void sortAgain(std::vector<uint32_t>* oldOrder = nullptr);
    /// The list row of every stored row (those of removed rows are unspecified).
    std::vector<uint32_t> listRows() const;

    /// Makes the keys of the stored rows [first, first + count), which just arrived (Name
    /// keys that came with the rows are taken as they are).
    void addStored(size_t first, size_t count);
    /// Appends stored rows [first, first + count) in arrival order (no sort column).
    void append(size_t first, size_t count);
    /// Where stored rows [first, first + count) go in the sorted list.
    Merge planMerge(size_t first, size_t count) const;
    /// Puts `merge`'s rows in place at once.
    void merge(const Merge& merge);
    /// Puts `merge`'s rows in place one run at a time: `beginRun(listRow, count)` is called
    /// before each run is placed and `endRun()` after, with the list consistent at each call.
    void mergeInRuns(const Merge& merge, const std::function<void(size_t, size_t)>& beginRun,
                     const std::function<void()>& endRun);

    /// Removes list rows [first, first + count).
    void removeRange(size_t first, size_t count);
    /// Removes the list rows `rows` (ascending, no repeats) in one pass.
    void remove(const std::vector<size_t>& rows);
    /// The list rows (ascending) that show a stored row marked in `stored` (indexed by
    /// stored row; rows beyond its end count as unmarked), found in one pass.
    std::vector<int> listRowsOf(const std::vector<bool>& stored) const;
    /// The list row that shows stored row `stored`, or -1 when none does.
    int listRowOf(size_t stored) const;
    /// The list row where list row `row` goes after its stored row's data changed: its keys
    /// are made again. Moves it there and returns it.
    size_t replace(size_t row);
    /// Forgets every row and key; the sort column and direction stay.
    void clear();
    /// Bytes held by the order and the keys.
    size_t bytes() const;

private:
    struct Item;
    bool textColumn() const;
    uint32_t keyFor(uint32_t row, std::string_view id);
    void addNameKeys(size_t first, size_t count);
    void addTextKeys(size_t first, size_t count);
    void resetKeys();
    /// The keys of the sort column made for every row, and the rows sorted by them when
    /// `reorder`; `oldOrder` as for sortBy.
    void makeKeysAndSort(bool reorder, std::vector<uint32_t>* oldOrder);
    int compare(uint32_t a, uint32_t b) const;
    int compareTie(uint32_t a, uint32_t b) const;
    const char* textKey(uint32_t row) const { return m_texts.key(m_textKeys[m_keys[row]]); }
    std::vector<uint64_t> ranks(const std::vector<uint32_t>& rows) const;
    std::vector<Item> itemsFor(const std::vector<uint32_t>& rows) const;
    void sortItems(std::vector<Item>& items) const;
    size_t placeOf(uint32_t stored) const;

    /// Distinct byte strings, numbered 0, 1, 2... in the order first seen. Open addressing
    /// over one byte arena: a million lookups cost no allocation and few cache misses.
    class IdTable final {
    public:
        /// The number of `id`; `added` tells whether it was new.
        uint32_t insert(std::string_view id, bool& added);
        /// How many distinct ids are held.
        size_t size() const { return m_starts.size() - 1; }
        /// Forgets every id.
        void clear();

    private:
        std::string_view at(uint32_t number) const;
        void grow();

        std::vector<uint64_t> m_slots;     ///< hash bits << 32 | number + 1; 0 is empty
        std::vector<uint32_t> m_starts{0}; ///< where each id's bytes begin, then the end
        std::string m_bytes;
    };

    const SortRows& m_rows;
    std::vector<uint32_t> m_view; ///< the stored row of each list row
    /// While a merge announces its runs one by one, `m_view` holds the rows placed so far, a
    /// gap of `m_gapLen` slots at `m_gapAt`, then the old rows still to come.
    size_t m_gapAt = 0;
    size_t m_gapLen = 0;
    std::vector<uint32_t> m_nameKeys; ///< per stored row once Name was sorted: kept for later
    CollationKeys m_names;
    std::vector<uint32_t> m_keys; ///< per stored row: its text's number while type, location
                                  ///< or URL is sorted
    CollationKeys m_texts;
    /// The repeated texts of the current column, numbered by their identifying bytes.
    IdTable m_textIds;
    std::vector<uint32_t> m_textKeys; ///< the collation key of each text number
    size_t m_stored = 0;              ///< rows stored so far, removed ones included
    std::vector<bool> m_gone;         ///< per stored row: removed from the list
    int m_threads = 1;
    int m_column = -1;
    bool m_descending = false;
};
