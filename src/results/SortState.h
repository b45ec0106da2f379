#pragma once

/// The sort state of the result list and the rules of a click on one of its column headers.
/// It holds what the program remembers (`SortColumn`, `SortAscending`), the list's own sort
/// key and direction (which a replayed click leaves alone) and the header arrow (which only a
/// user's click changes). No widgets: the list applies the outcome.
class SortState final {
public:
    int SortColumn = 0;              ///< 1…6: the column last sorted by; 0 before the first sort
    bool SortAscending = true;       ///< the remembered direction
    bool ApplyingStoredSort = false; ///< set just before a replayed click; the click clears it

    /// Runs a header click on column `c` (1…6). A column outside 1…6 changes nothing but
    /// still clears `ApplyingStoredSort`.
    void ListView1_ColumnClick(int c);

    /// The column the list is sorted by, 0-based; -1 while it is not sorted yet.
    int listSortKey() const { return m_listKey; }
    /// The direction the list is sorted in (ascending before any sort).
    bool listAscending() const { return m_listAscending; }
    /// The column (1…6) whose header shows an arrow; 0 when none does.
    int arrowColumn() const { return m_arrowColumn; }
    /// Whether the arrow points up (ascending); meaningful only while `arrowColumn()` is set.
    bool arrowUp() const { return m_arrowUp; }

    /// The Date column, whose clicks always reverse the remembered direction.
    static constexpr int DateColumn = 4;

private:
    int m_listKey = -1;
    bool m_listAscending = true;
    int m_arrowColumn = 0;
    bool m_arrowUp = true;
};
