#include "LateRowChanges.h"

#include "search/PathHelpers.h"

void LateRowChanges::folderMoved(const QByteArray& from, const QByteArray& to)
{
    if (!from.isEmpty() && !to.isEmpty() && AddTrailingBackslash(from) != AddTrailingBackslash(to))
        m_changes.push_back({AddTrailingBackslash(from), AddTrailingBackslash(to)});
}

void LateRowChanges::removed(const QByteArray& path)
{
    if (!path.isEmpty())
        m_changes.push_back({AddTrailingBackslash(path), {}});
}

bool LateRowChanges::apply(ResultRow& row) const
{
    for (const Change& change : m_changes) {
        // The changed item itself has its row already, under its new name or none.
        if (row.location.size() + row.fileName.size() + 1 == change.prefix.size() &&
            change.prefix.startsWith(row.location) &&
            QByteArrayView(change.prefix).sliced(row.location.size()).chopped(1) == row.fileName)
            return false;
        if (!row.location.startsWith(change.prefix))
            continue;
        if (change.to.isEmpty())
            return false;
        row.location = change.to + row.location.sliced(change.prefix.size());
    }
    return true;
}
