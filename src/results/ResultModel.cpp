#include "ResultModel.h"

#include "search/PathHelpers.h"
#include "search/RowText.h"
#include "search/ui/modExtractIcon.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>

struct ResultModel::SortItem {
    quint64 prefix; ///< the order-deciding number: key prefix or rank, size or time
    quint64 tie;    ///< the first bytes of the name, deciding most ties without the row
    quint32 key;    ///< full key offset (the Name column)
    quint32 row;    ///< index of the row being ordered
};

namespace {

// Above this many rows a whole sort uses a second thread.
constexpr size_t ParallelSortRows = 50000;
// A merge that inserts in at most this many places announces each run of rows; more places
// are announced as one layout change (each insert costs the views a pass over all rows).
constexpr size_t MaxInsertRuns = 4;

const QString NotApplicable = QStringLiteral("n/a");

int threadCount()
{
    return int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
}

int comparePaths(const QByteArray& a, const QByteArray& b)
{
    const qsizetype common = qMin(a.size(), b.size());
    if (const int c = common ? std::memcmp(a.constData(), b.constData(), size_t(common)) : 0)
        return c;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Names may hold line breaks and other control characters; shown raw they would break the
// row's line, so each shows as its visible control picture.
QString visible(QString text)
{
    for (QChar& c : text) {
        if (c.unicode() < 0x20)
            c = QChar(0x2400 + c.unicode());
        else if (c.unicode() == 0x7f)
            c = QChar(0x2421);
    }
    return text;
}

quint64 sizeOrder(const ResultRow& row)
{
    return row.folder ? 0 : quint64(std::max<qint64>(row.size, 0)) + 1; // folders first
}

quint64 timeOrder(const ResultRow& row)
{
    return quint64(row.mtime) ^ (quint64(1) << 63); // a missing time is the least
}

// The first eight bytes of a name as a number in the bytes' order, zero-padded.
quint64 namePrefix(const ResultRow& row)
{
    const QByteArrayView name = row.name();
    quint64 value = 0;
    for (qsizetype i = 0; i < 8; ++i)
        value = (value << 8) | (i < name.size() ? quint8(name[i]) : 0);
    return value;
}

// Rows equal in the sort column go by name bytes, then by path bytes: a fixed order that
// never depends on when rows arrived.
int compareTie(const ResultRow& a, const ResultRow& b)
{
    const QByteArrayView nameA = a.name();
    const QByteArrayView nameB = b.name();
    const qsizetype common = qMin(nameA.size(), nameB.size());
    if (const int c = common ? std::memcmp(nameA.data(), nameB.data(), size_t(common)) : 0)
        return c;
    if (nameA.size() != nameB.size())
        return nameA.size() < nameB.size() ? -1 : 1;
    return comparePaths(a.path, b.path);
}

} // namespace

ResultModel::ResultModel(modExtractIcon* icons, QObject* parent)
    : QAbstractTableModel(parent)
    , m_icons(icons)
{}

ResultModel::~ResultModel() = default;

int ResultModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
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
    switch (column) {
    case Name:
        return visible(RowText::name(row, m_showExtensions));
    case Size:
        return RowText::size(row);
    case FileType:
        return row.typeName;
    case Date:
        return FileDateText(row.mtime);
    case Location:
        return visible(RowText::location(row));
    case Url:
        return visible(row.url);
    default:
        return {};
    }
}

QVariant ResultModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= ColumnCount)
        return {};
    const ResultRow& r = m_rows[size_t(index.row())];
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return cellText(r, column);
    case Qt::AccessibleDescriptionRole:
        if (column != Name)
            return columnCaption(column);
        {
            // In the List and Large Icons views only the Name is shown; the rest of the row
            // is read out from here.
            QStringList parts;
            for (int c = Size; c < ColumnCount; ++c)
                parts << columnCaption(c) + u": " + cellText(r, c);
            return parts.join(u", ");
        }
    case Qt::ToolTipRole:
        return column == Name || column == Location ? visible(RowText::fullPath(r)) : QVariant();
    case Qt::DecorationRole:
        if (column == Name && m_showIcons && m_icons)
            return m_icons->iconFor(r);
        return {};
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case PathRole:
        return r.path;
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
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    return {};
}

Qt::ItemFlags ResultModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled |
           Qt::ItemNeverHasChildren;
}

QByteArray ResultModel::path(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)].path : QByteArray();
}

size_t ResultModel::memoryUsage() const
{
    size_t bytes = m_rows.capacity() * sizeof(ResultRow) + m_keys.capacity() * sizeof(quint32) +
                   m_collation.bytes();
    for (const ResultRow& r : m_rows)
        bytes += size_t(r.path.capacity()) + 24; // the path's own block and its header
    return bytes;
}

bool ResultModel::textColumn() const
{
    return m_sortColumn == Name || m_sortColumn == FileType || m_sortColumn == Location ||
           m_sortColumn == Url;
}

quint32 ResultModel::keyFor(const ResultRow& row)
{
    switch (m_sortColumn) {
    case Name:
        return m_collation.add(displayText(row.name()));
    case Location: {
        const QByteArrayView folder = row.folderPath();
        const QByteArray probe = QByteArray::fromRawData(folder.data(), folder.size());
        auto it = m_folderKeys.constFind(probe);
        if (it != m_folderKeys.constEnd())
            return it.value();
        const quint32 key = m_collation.add(displayText(folder));
        m_folderKeys.insert(folder.toByteArray(), key);
        return key;
    }
    case FileType:
    case Url: {
        const QString& text = m_sortColumn == FileType ? row.typeName : row.url;
        auto it = m_textKeys.constFind(text);
        if (it != m_textKeys.constEnd())
            return it.value();
        const quint32 key = m_collation.add(text);
        m_textKeys.insert(text, key);
        return key;
    }
    default:
        return 0;
    }
}

std::vector<quint32> ResultModel::keysFor(const ResultRows& rows)
{
    if (!textColumn())
        return {};
    if (m_sortColumn == Name) {
        return m_collation.addMany(rows.size(), threadCount(),
                                   [&rows](size_t i) { return displayText(rows[i].name()); });
    }
    std::vector<quint32> keys;
    keys.reserve(rows.size());
    for (const ResultRow& r : rows)
        keys.push_back(keyFor(r));
    return keys;
}

void ResultModel::resetKeys()
{
    std::vector<quint32>().swap(m_keys);
    m_collation.clear();
    m_textKeys.clear();
    m_folderKeys.clear();
}

int ResultModel::compare(const ResultRow& a, quint32 keyA, const ResultRow& b, quint32 keyB) const
{
    switch (m_sortColumn) {
    case Size:
        if (sizeOrder(a) != sizeOrder(b))
            return sizeOrder(a) < sizeOrder(b) ? -1 : 1;
        break;
    case Date:
        if (timeOrder(a) != timeOrder(b))
            return timeOrder(a) < timeOrder(b) ? -1 : 1;
        break;
    case Name:
    case FileType:
    case Location:
    case Url:
        if (keyA != keyB) {
            if (const int c = std::strcmp(m_collation.key(keyA), m_collation.key(keyB)))
                return c;
        }
        break;
    default:
        return 0;
    }
    return compareTie(a, b);
}

std::vector<ResultModel::SortItem> ResultModel::itemsFor(const ResultRows& rows,
                                                         const std::vector<quint32>& keys) const
{
    std::vector<SortItem> items(rows.size());
    const bool text = textColumn();
    // Types, folders and addresses repeat: their few distinct keys are ranked once, so the
    // sort compares numbers only.
    QHash<quint32, quint64> rank;
    if (text && m_sortColumn != Name) {
        std::vector<quint32> distinct(keys.begin(), keys.end());
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        std::sort(distinct.begin(), distinct.end(), [this](quint32 a, quint32 b) {
            return std::strcmp(m_collation.key(a), m_collation.key(b)) < 0;
        });
        quint64 next = 0;
        for (size_t i = 0; i < distinct.size(); ++i) {
            if (i > 0 &&
                std::strcmp(m_collation.key(distinct[i - 1]), m_collation.key(distinct[i])) != 0)
                ++next; // texts with equal keys share a rank
            rank.insert(distinct[i], next);
        }
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        SortItem& item = items[i];
        item.row = quint32(i);
        item.key = m_sortColumn == Name ? keys[i] : 0;
        item.tie = namePrefix(rows[i]);
        if (m_sortColumn == Name)
            item.prefix = m_collation.prefix(item.key);
        else if (text)
            item.prefix = rank.value(keys[i]);
        else if (m_sortColumn == Size)
            item.prefix = sizeOrder(rows[i]);
        else
            item.prefix = timeOrder(rows[i]);
    }
    return items;
}

void ResultModel::sortItems(std::vector<SortItem>& items, const ResultRows& rows) const
{
    const bool byName = m_sortColumn == Name;
    const bool descending = m_order == Qt::DescendingOrder;
    auto ascending = [&](const SortItem& a, const SortItem& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        if (byName && a.key != b.key) {
            if (const int c = std::strcmp(m_collation.key(a.key), m_collation.key(b.key)))
                return c < 0;
        }
        if (a.tie != b.tie)
            return a.tie < b.tie;
        return compareTie(rows[a.row], rows[b.row]) < 0;
    };
    auto less = [&](const SortItem& a, const SortItem& b) {
        return descending ? ascending(b, a) : ascending(a, b);
    };
    if (items.size() < ParallelSortRows || threadCount() < 2) {
        std::sort(items.begin(), items.end(), less);
        return;
    }
    const auto middle = items.begin() + std::ptrdiff_t(items.size() / 2);
    std::thread helper([&] { std::sort(items.begin(), middle, less); });
    std::sort(middle, items.end(), less);
    helper.join();
    std::inplace_merge(items.begin(), middle, items.end(), less);
}

void ResultModel::sort(int column, Qt::SortOrder order)
{
    sortBy(column, order);
}

void ResultModel::sortBy(int column, Qt::SortOrder order)
{
    if (column < -1 || column >= ColumnCount)
        return;
    if (column == m_sortColumn && order == m_order)
        return;
    const bool newKeys = column != m_sortColumn;
    m_sortColumn = column;
    m_order = order;
    if (newKeys) {
        resetKeys();
        m_keys = keysFor(m_rows);
    }
    if (column < 0 || m_rows.size() < 2)
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<SortItem> items = itemsFor(m_rows, m_keys);
    sortItems(items, m_rows);

    ResultRows sorted;
    sorted.reserve(m_rows.size());
    std::vector<quint32> sortedKeys;
    sortedKeys.reserve(m_keys.size());
    std::vector<int> newRow(m_rows.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const quint32 from = items[i].row;
        sorted.push_back(std::move(m_rows[from]));
        if (!m_keys.empty())
            sortedKeys.push_back(m_keys[from]);
        newRow[from] = int(i);
    }
    m_rows.swap(sorted);
    m_keys.swap(sortedKeys);

    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(newRow[size_t(index.row())], index.column()));
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::clear()
{
    if (m_rows.empty())
        return;
    beginResetModel();
    ResultRows().swap(m_rows);
    resetKeys();
    endResetModel();
}

void ResultModel::addRows(ResultRows batch)
{
    if (batch.empty())
        return;
    const size_t n = m_rows.size();
    const size_t m = batch.size();
    if (n + m > size_t(std::numeric_limits<int>::max()))
        return; // beyond what a view can address; never reached by a real search

    if (m_sortColumn < 0) {
        beginInsertRows({}, int(n), int(n + m - 1));
        m_rows.insert(m_rows.end(), std::make_move_iterator(batch.begin()),
                      std::make_move_iterator(batch.end()));
        endInsertRows();
        return;
    }

    const std::vector<quint32> batchKeys = keysFor(batch);
    std::vector<SortItem> items = itemsFor(batch, batchKeys);
    sortItems(items, batch);
    const bool text = textColumn();
    const bool descending = m_order == Qt::DescendingOrder;
    auto keyOf = [&](const std::vector<quint32>& keys, size_t i) {
        return text ? keys[i] : 0u;
    };

    // Where each new row goes: before the first existing row that sorts after it.
    std::vector<size_t> position(m);
    size_t low = 0;
    for (size_t j = 0; j < m; ++j) {
        const ResultRow& row = batch[items[j].row];
        const quint32 key = keyOf(batchKeys, items[j].row);
        size_t lo = low;
        size_t hi = n;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            int c = compare(m_rows[mid], keyOf(m_keys, mid), row, key);
            if (descending)
                c = -c;
            if (c <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        position[j] = low = lo;
    }
    size_t runs = 0;
    for (size_t j = 0; j < m; ++j)
        runs += (j == 0 || position[j] != position[j - 1]) ? 1 : 0;

    if (n == 0 || runs <= MaxInsertRuns) {
        size_t inserted = 0;
        for (size_t j = 0; j < m;) {
            size_t end = j;
            while (end < m && position[end] == position[j])
                ++end;
            const size_t at = position[j] + inserted;
            const size_t count = end - j;
            beginInsertRows({}, int(at), int(at + count - 1));
            ResultRows run;
            run.reserve(count);
            std::vector<quint32> runKeys;
            for (size_t k = j; k < end; ++k) {
                run.push_back(std::move(batch[items[k].row]));
                if (text)
                    runKeys.push_back(batchKeys[items[k].row]);
            }
            m_rows.insert(m_rows.begin() + std::ptrdiff_t(at), std::make_move_iterator(run.begin()),
                          std::make_move_iterator(run.end()));
            if (text)
                m_keys.insert(m_keys.begin() + std::ptrdiff_t(at), runKeys.begin(), runKeys.end());
            endInsertRows();
            inserted += count;
            j = end;
        }
        return;
    }

    // Many places: merge from the back in one pass and announce a layout change.
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_rows.resize(n + m);
    if (text)
        m_keys.resize(n + m);
    size_t oldIndex = n;
    size_t newIndex = m;
    for (size_t out = n + m; out-- > 0 && newIndex > 0;) {
        if (oldIndex > 0 && position[newIndex - 1] <= oldIndex - 1) {
            --oldIndex;
            m_rows[out] = std::move(m_rows[oldIndex]);
            if (text)
                m_keys[out] = m_keys[oldIndex];
        } else {
            --newIndex;
            m_rows[out] = std::move(batch[items[newIndex].row]);
            if (text)
                m_keys[out] = batchKeys[items[newIndex].row];
        }
    }
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from) {
        const auto old = size_t(index.row());
        const auto before =
            size_t(std::upper_bound(position.begin(), position.end(), old) - position.begin());
        to.append(this->index(int(old + before), index.column()));
    }
    changePersistentIndexList(from, to);
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::setShowExtensions(bool on)
{
    if (on == m_showExtensions)
        return;
    m_showExtensions = on;
    if (!m_rows.empty()) {
        Q_EMIT dataChanged(index(0, Name), index(rowCount() - 1, Name),
                           {Qt::DisplayRole, Qt::AccessibleTextRole});
    }
}

void ResultModel::setShowIcons(bool on)
{
    if (on == m_showIcons)
        return;
    m_showIcons = on;
    if (!m_rows.empty())
        Q_EMIT dataChanged(index(0, Name), index(rowCount() - 1, Name), {Qt::DecorationRole});
}
