#include "ResultModel.h"

#include "platform/DisplayText.h"
#include "results/NameKeyPreparation.h"
#include "results/modExtractIcon.h"
#include "search/AsciiText.h"
#include "search/PathHelpers.h"
#include "search/RowText.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <limits>

namespace {

// A merge that places new rows in at most this many places announces each run as inserted
// rows, and a removal of at most this many runs each run as removed rows; more places are
// one layout change.
constexpr size_t MaxRuns = 4;

std::string_view bytesOf(QByteArrayView bytes)
{
    return {bytes.data(), size_t(bytes.size())};
}

std::string_view bytesOf(const QString& text)
{
    return {reinterpret_cast<const char*>(text.constData()), size_t(text.size()) * 2};
}

void assign(std::u16string& out, const QString& text)
{
    out.assign(reinterpret_cast<const char16_t*>(text.constData()), size_t(text.size()));
}

// The ICU name of the user's locale; the root order for the C locale.
std::string collationLocale()
{
    const QLocale locale;
    return locale.language() == QLocale::C ? std::string() : locale.name().toStdString();
}

} // namespace

/// The stored rows as the sort index reads them.
class ResultModel::Rows final : public SortRows {
public:
    explicit Rows(const std::deque<ResultRow>& rows)
        : m_rows(rows)
    {}

    std::string_view name(uint32_t row) const override { return bytesOf(m_rows[row].name()); }

    uint64_t number(int column, uint32_t row) const override
    {
        const ResultRow& r = m_rows[row];
        if (column == Size) // folders first
            return r.folder ? 0 : uint64_t(std::max<qint64>(r.size, 0)) + 1;
        return uint64_t(r.mtime) ^ (uint64_t(1) << 63); // a missing time is the least
    }

    std::string_view textId(int column, uint32_t row) const override
    {
        const ResultRow& r = m_rows[row];
        if (column == Location)
            return bytesOf(r.folderPath());
        return bytesOf(column == FileType ? r.typeName : r.url);
    }

    const char* nameKey(uint32_t row) const override { return m_rows[row].nameKey.bytes(); }

    void text(int column, uint32_t row, std::u16string& out) const override
    {
        const ResultRow& r = m_rows[row];
        switch (column) {
        case Name:
            nameSortText(r, out); // as the walking threads make it
            break;
        case Location:
            assign(out, displayText(r.folderPath()));
            break;
        case FileType:
            assign(out, r.typeName);
            break;
        default:
            assign(out, r.url);
            break;
        }
    }

private:
    const std::deque<ResultRow>& m_rows;
};

ResultModel::ResultModel(modExtractIcon* icons, QObject* parent)
    : QAbstractTableModel(parent)
    , m_source(std::make_unique<Rows>(m_rows))
    , m_index(std::make_unique<SortIndex>(*m_source, collationLocale(), workThreadCount()))
    , m_preparation(std::make_shared<NameKeyPreparation>(collationLocale()))
    , m_icons(icons)
{
    updateWanted();
}

std::shared_ptr<const RowPreparation> ResultModel::rowPreparation() const
{
    return m_preparation;
}

void ResultModel::updateWanted()
{
    m_preparation->setWanted(m_index->wantsNameKeys());
}

ResultModel::~ResultModel() = default;

size_t ResultModel::viewRows() const
{
    return m_index->size();
}

int ResultModel::sortColumn() const
{
    return m_index->column();
}

Qt::SortOrder ResultModel::sortOrder() const
{
    return m_index->descending() ? Qt::DescendingOrder : Qt::AscendingOrder;
}

const ResultRow& ResultModel::row(int row) const
{
    return m_rows[m_index->at(size_t(row))];
}

QModelIndex ResultModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || size_t(row) >= viewRows() || column < 0 ||
        column >= ColumnCount)
        return {};
    return createIndex(row, column);
}

int ResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(viewRows());
}

int ResultModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString ResultModel::columnCaption(int column)
{
    switch (column) {
    case Name:
        return QStringLiteral("Name");
    case Size:
        return QStringLiteral("Size");
    case FileType:
        return QStringLiteral("File Type");
    case Date:
        return QStringLiteral("Date");
    case Location:
        return QStringLiteral("Location");
    case Url:
        return QStringLiteral("URL");
    default:
        return {};
    }
}

QString ResultModel::cellText(const ResultRow& row, int column) const
{
    // Names may hold line breaks and other control characters: shown raw they would break
    // the row's line, so they show as everywhere else in the window.
    switch (column) {
    case Name:
        return oneLine(RowText::name(row, m_showExtensions));
    case Size:
        return RowText::size(row);
    case FileType:
        return row.typeName;
    case Date:
        return FileDateText(row.mtime);
    case Location:
        return oneLine(RowText::location(row));
    case Url:
        return oneLine(row.url);
    default:
        return {};
    }
}

QVariant ResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const ResultRow& r = row(index.row());
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::AccessibleTextRole:
        return cellText(r, column);
    case Qt::AccessibleDescriptionRole:
        if (column != Name)
            return columnCaption(column);
        {
            // In the List and Large Icons views only the Name is shown; the rest of the row
            // is read out from here.
            // A column with nothing in it (a folder's size) is left out, not read as blank.
            QStringList parts;
            for (int c = Size; c < ColumnCount; ++c) {
                if (const QString text = cellText(r, c); !text.isEmpty())
                    parts << columnCaption(c) + u": " + text;
            }
            return parts.join(u", ");
        }
    case Qt::ToolTipRole:
        return column == Name || column == Location ? plainToolTip(oneLine(RowText::fullPath(r)))
                                                    : QVariant();
    case Qt::DecorationRole:
        if (column == Name && m_showIcons && m_icons)
            return m_icons->iconFor(r);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case PathRole:
        return r.path();
    case FolderRole:
        return r.folder;
    case SortValueRole:
        switch (column) {
        case Name:
            return displayText(r.name());
        case Size:
            return r.folder ? qint64(-1) : r.size;
        case FileType:
            return r.typeName;
        case Date:
            if (r.mtime == ResultRow::NoTime)
                return {};
            return QDateTime::fromMSecsSinceEpoch(r.mtime, Qt::UTC);
        case Location:
            return RowText::location(r);
        case Url:
            return r.url;
        }
        return {};
    default:
        return {};
    }
}

QVariant ResultModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return {};
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return columnCaption(section);
    if (role == Qt::AccessibleDescriptionRole && m_describeHeader)
        return m_describeHeader(section);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    const Qt::ItemFlags editable =
        m_nameEditable && index.column() == Name ? Qt::ItemIsEditable : Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren | editable;
}

bool ResultModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || index.column() != Name ||
        index.row() >= rowCount())
        return false;
    // An edit left as it was opened renames nothing. With extensions hidden, ".profile" shows
    // as "": that unchanged empty text is no request for a name.
    const QString edited = value.toString();
    if (edited == data(index, Qt::EditRole).toString())
        return false;
    Q_EMIT nameEdited(path(index.row()), edited);
    return false;
}

QByteArray ResultModel::path(int row) const
{
    return row >= 0 && size_t(row) < viewRows() ? m_rows[m_index->at(size_t(row))].path()
                                                : QByteArray();
}

size_t ResultModel::memoryUsage() const
{
    size_t bytes = m_rows.size() * sizeof(ResultRow) + m_index->bytes();
    const QByteArray* lastLocation = nullptr;
    for (const ResultRow& r : m_rows) {
        bytes += size_t(r.fileName.capacity()) + 24; // the name's own block and its header
        // A folder's string is counted once for the rows after each other that share it.
        if (!lastLocation || !lastLocation->isSharedWith(r.location))
            bytes += size_t(r.location.capacity()) + 24;
        lastLocation = &r.location;
    }
    return bytes;
}

template<typename NewRow> void ResultModel::movePersistent(NewRow newRow)
{
    const QModelIndexList from = persistentIndexList();
    if (from.isEmpty())
        return;
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const qint64 row = qint64(newRow(size_t(index.row())));
        to.append(row < 0 ? QModelIndex() : this->index(int(row), index.column()));
    }
    changePersistentIndexList(from, to);
}

void ResultModel::sort(int column, Qt::SortOrder order)
{
    sortBy(column, order);
}

void ResultModel::sortBy(int column, Qt::SortOrder order)
{
    const bool descending = order == Qt::DescendingOrder;
    const SortIndex::Moved moves = m_index->sortMoves(column, descending);
    if (moves == SortIndex::Moved::None) {
        m_index->sortBy(column, descending);
        updateWanted();
        return;
    }
    const size_t n = viewRows();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<uint32_t> oldOrder;
    const bool persistent = !persistentIndexList().isEmpty();
    m_index->sortBy(column, descending, persistent ? &oldOrder : nullptr);
    if (moves == SortIndex::Moved::Reversed) {
        movePersistent([n](size_t row) { return qint64(n - 1 - row); });
    } else if (persistent) {
        const std::vector<uint32_t> newRow = m_index->listRows(); // by stored row
        movePersistent([&](size_t row) { return qint64(newRow[oldOrder[row]]); });
    }
    updateWanted();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::clear()
{
    m_lateChanges.clear();
    if (m_rows.empty())
        return;
    beginResetModel();
    std::deque<ResultRow>().swap(m_rows);
    m_index->clear();
    updateWanted();
    endResetModel();
}

void ResultModel::addRows(ResultRows batch)
{
    RowBatches batches;
    batches.push_back(std::move(batch));
    addBatches(std::move(batches));
}

void ResultModel::addBatches(RowBatches batches)
{
    if (!m_lateChanges.empty()) {
        for (ResultRows& batch : batches) {
            size_t kept = 0;
            for (size_t i = 0; i < batch.size(); ++i) {
                if (!m_lateChanges.apply(batch[i]))
                    continue;
                if (kept != i)
                    batch[kept] = std::move(batch[i]);
                ++kept;
            }
            batch.resize(kept);
        }
    }
    size_t m = 0;
    for (const ResultRows& batch : batches)
        m += batch.size();
    if (m == 0)
        return;
    const size_t n = viewRows();
    if (n + m > size_t(std::numeric_limits<int>::max()) ||
        m_rows.size() + m > size_t(std::numeric_limits<uint32_t>::max()))
        return; // beyond what a view can address; never reached by a real search

    // The rows are stored at once; the views learn of them below, with the order.
    const size_t first = m_rows.size();
    for (ResultRows& batch : batches) {
        m_rows.insert(m_rows.end(), std::make_move_iterator(batch.begin()),
                      std::make_move_iterator(batch.end()));
        ResultRows().swap(batch);
    }
    m_index->addStored(first, m);
    // The index holds its own copy of keys made on the walking threads.
    for (size_t i = first; i < first + m; ++i)
        m_rows[i].nameKey.reset();

    if (m_index->column() < 0) {
        beginInsertRows({}, int(n), int(n + m - 1));
        m_index->append(first, m);
        endInsertRows();
        return;
    }
    const SortIndex::Merge merge = m_index->planMerge(first, m);
    // A few runs are announced as inserted rows. More go as one layout change: the Details
    // view lays out every row after either, but each insert also splits the selection's
    // ranges, and a selection split into thousands of ranges makes every later insert and
    // paint slow (with all rows selected, measured 2.6 s a batch against 0.1 s).
    if (merge.runs > MaxRuns) {
        mergeAsLayoutChange(merge);
        return;
    }
    m_index->mergeInRuns(
        merge,
        [this](size_t at, size_t count) { beginInsertRows({}, int(at), int(at + count - 1)); },
        [this] { endInsertRows(); });
}

void ResultModel::mergeAsLayoutChange(const SortIndex::Merge& merge)
{
    Q_EMIT rowsAboutToShift();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_index->merge(merge);
    const std::vector<size_t>& before = merge.before;
    movePersistent([&](size_t old) {
        return qint64(old) + std::upper_bound(before.begin(), before.end(), old) - before.begin();
    });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT rowsShifted(RowShift{before, {}});
}

int ResultModel::removeListRows(std::vector<int> rows)
{
    const int n = rowCount();
    rows.erase(std::remove_if(rows.begin(), rows.end(), [n](int r) { return r < 0 || r >= n; }),
               rows.end());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return 0;
    std::vector<uint32_t> stored;
    stored.reserve(rows.size());
    for (const int r : rows)
        stored.push_back(m_index->at(size_t(r)));
    if (rows.size() == size_t(n)) {
        clear();
        return n;
    }
    size_t runs = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        runs += (i == 0 || rows[i] != rows[i - 1] + 1) ? 1 : 0;
    if (runs > MaxRuns) {
        removeAsLayoutChange(std::vector<size_t>(rows.begin(), rows.end()));
    } else {
        // Last run first, so the rows of the runs before keep their numbers.
        for (size_t end = rows.size(); end > 0;) {
            size_t begin = end - 1;
            while (begin > 0 && rows[begin - 1] + 1 == rows[begin])
                --begin;
            beginRemoveRows({}, rows[begin], rows[end - 1]);
            m_index->removeRange(size_t(rows[begin]), end - begin);
            endRemoveRows();
            end = begin;
        }
    }
    for (const uint32_t s : stored)
        m_rows[s] = ResultRow(); // its bytes go; its number stays unused
    return int(rows.size());
}

void ResultModel::removeAsLayoutChange(const std::vector<size_t>& rows)
{
    Q_EMIT rowsAboutToShift();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_index->remove(rows);
    movePersistent([&](size_t old) {
        const auto at = std::lower_bound(rows.begin(), rows.end(), old);
        return at != rows.end() && *at == old ? qint64(-1) : qint64(old) - (at - rows.begin());
    });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT rowsShifted(RowShift{{}, rows});
}

int ResultModel::removePaths(const QList<QByteArray>& paths)
{
    // Wanted names by folder: rows keep their folder and name apart, and the rows of one
    // folder share one location string, so each folder is looked up once per run of its rows.
    QHash<QByteArray, QSet<QByteArray>> wanted;
    QSet<QByteArray> folders; // each path as a folder, ending in '/': rows inside it go too
    for (const QByteArray& path : paths) {
        if (path.isEmpty())
            continue;
        const qsizetype slash = path.lastIndexOf('/') + 1;
        wanted[path.first(slash)].insert(path.sliced(slash));
        folders.insert(AddTrailingBackslash(path));
        m_lateChanges.removed(path);
    }
    if (wanted.isEmpty())
        return 0;
    const auto inRemovedFolder = [&folders](const QByteArray& location) {
        for (qsizetype end = location.size(); end > 1;
             end = location.lastIndexOf('/', end - 2) + 1) {
            if (folders.contains(location.first(end)))
                return true;
        }
        return false;
    };
    // The rows are looked up in the order they were stored, which is mostly the order of
    // their bytes in memory; in list order each lookup would miss the cache. Removed rows
    // hold no name.
    std::vector<bool> doomed(m_rows.size());
    size_t found = 0;
    const char* lastLocation = nullptr;
    const QSet<QByteArray>* names = nullptr;
    bool inside = false;
    for (size_t s = 0; s < m_rows.size(); ++s) {
        const ResultRow& row = m_rows[s];
        if (row.fileName.isEmpty())
            continue;
        if (row.location.constData() != lastLocation) {
            lastLocation = row.location.constData();
            const auto folder = wanted.constFind(row.location);
            names = folder == wanted.cend() ? nullptr : &folder.value();
            inside = inRemovedFolder(row.location);
        }
        if (inside || (names && names->contains(row.fileName))) {
            doomed[s] = true;
            ++found;
        }
    }
    return found == 0 ? 0 : removeListRows(m_index->listRowsOf(doomed));
}

int ResultModel::rowOfPath(const QByteArray& path) const
{
    // The rows in the order they are stored, not in list order: list order would jump through
    // memory at every row, ten times slower on a million rows. Removed rows are stored
    // emptied, so they never match.
    for (size_t s = 0, n = m_rows.size(); s < n; ++s) {
        if (m_rows[s].hasPath(path)) {
            if (const int row = m_index->listRowOf(s); row >= 0)
                return row;
        }
    }
    return -1;
}

int ResultModel::moveFolder(const QByteArray& from, const QByteArray& to)
{
    const QByteArray oldPrefix = AddTrailingBackslash(from);
    const QByteArray newPrefix = AddTrailingBackslash(to);
    if (from.isEmpty() || to.isEmpty() || oldPrefix == newPrefix)
        return 0;
    m_lateChanges.folderMoved(from, to);
    // The rows of one folder share one location string, and so do they after the change.
    int changed = 0;
    const char* lastOld = nullptr;
    QByteArray lastNew;
    for (ResultRow& row : m_rows) {
        if (row.fileName.isEmpty() || !row.location.startsWith(oldPrefix))
            continue;
        if (row.location.constData() != lastOld) {
            lastOld = row.location.constData();
            lastNew = newPrefix + row.location.sliced(oldPrefix.size());
        }
        row.location = lastNew;
        ++changed;
    }
    if (changed == 0)
        return 0;
    const int column = m_index->column();
    if (column != Location) {
        Q_EMIT dataChanged(index(0, Location), index(rowCount() - 1, Location));
        return changed;
    }
    // Sorted by location: the whole order is made again with the new texts.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const size_t n = viewRows();
    std::vector<uint32_t> oldOrder;
    m_index->sortAgain(&oldOrder);
    if (oldOrder.size() == n) {
        const std::vector<uint32_t> newRow = m_index->listRows(); // by stored row
        movePersistent([&](size_t row) { return qint64(newRow[oldOrder[row]]); });
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    return changed;
}

int ResultModel::replaceRow(int row, ResultRow updated)
{
    if (row < 0 || row >= rowCount())
        return -1;
    const auto from = size_t(row);
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    updated.nameKey.reset(); // the index makes the key of the new name itself
    m_rows[m_index->at(from)] = std::move(updated);
    const size_t to = m_index->replace(from);
    movePersistent([from, to](size_t r) {
        if (r == from)
            return qint64(to);
        if (from < to && r > from && r <= to)
            return qint64(r) - 1;
        if (to < from && r >= to && r < from)
            return qint64(r) + 1;
        return qint64(r);
    });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    Q_EMIT dataChanged(index(int(to), 0), index(int(to), ColumnCount - 1));
    return int(to);
}

void ResultModel::setShowExtensions(bool on)
{
    if (on == m_showExtensions)
        return;
    m_showExtensions = on;
    if (viewRows() > 0) {
        Q_EMIT dataChanged(index(0, Name), index(rowCount() - 1, Name),
                           {Qt::DisplayRole, Qt::AccessibleTextRole});
    }
}

void ResultModel::setShowIcons(bool on)
{
    if (on == m_showIcons)
        return;
    m_showIcons = on;
    if (viewRows() > 0)
        Q_EMIT dataChanged(index(0, Name), index(rowCount() - 1, Name), {Qt::DecorationRole});
}
