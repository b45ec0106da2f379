#include "SortState.h"

void SortState::ListView1_ColumnClick(int c)
{
    const bool replay = ApplyingStoredSort;
    ApplyingStoredSort = false;
    if (c < 1 || c > 6)
        return; // a stored column out of range: keep the current sort

    // Clicking the sorted column again reverses it; Date reverses below on every click.
    if (c == SortColumn && c != DateColumn)
        SortAscending = !SortAscending;
    SortColumn = c;

    m_listKey = c - 1;
    if (!replay)
        m_listAscending = SortAscending;

    if (c == DateColumn && !replay) {
        // Every click on Date reverses the remembered direction, also when Date was not the
        // sort column: after an ascending Name sort the first Date click gives newest first.
        SortAscending = !SortAscending;
        m_listAscending = !m_listAscending;
    }

    if (!replay) {
        m_arrowColumn = c;
        m_arrowUp = SortAscending;
    }
}
