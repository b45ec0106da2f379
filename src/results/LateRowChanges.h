#pragma once

#include "search/ResultRow.h"

#include <QByteArray>

#include <vector>

/// What the user did to listed folders while a search still sent rows: a folder renamed, an
/// item removed. A walk that was inside such a folder goes on naming the old place; its later
/// rows are moved or dropped as the listed rows were, so that no row names a place that is
/// gone.
class LateRowChanges final {
public:
    /// The folder `from` is now `to`.
    void folderMoved(const QByteArray& from, const QByteArray& to);
    /// The item at `path` is gone, with all it held.
    void removed(const QByteArray& path);
    /// Forgets every change: a new search lists what is there now.
    void clear() { m_changes.clear(); }
    bool empty() const { return m_changes.empty(); }
    /// Applies the changes, in the order they were made, to a row that arrives now; false when
    /// the row names an item that is gone (or one listed already under its new name).
    bool apply(ResultRow& row) const;

private:
    struct Change {
        QByteArray prefix; ///< the folder changed, ending in '/'
        QByteArray to;     ///< its new place, ending in '/'; empty when it was removed
    };
    std::vector<Change> m_changes;
};
