#include "ResultModel.h"

#include "results/modExtractIcon.h"
#include "search/PathHelpers.h"
#include "search/RowText.h"

#include <QDateTime>

#include <algorithm>
#include <cstring>
#include <numeric>
#include <thread>

// Three numbers decide nearly every comparison without touching the row: Name takes 16 key
// bytes and 8 name bytes, the other columns their value (or the rank of their text) and 16
// name bytes. Only full ties read the key arena or the rows.
struct ResultModel::SortItem {
    quint64 first;  ///< key bytes 0-7, or rank, size or time
    quint64 second; ///< key bytes 8-15, or name bytes 0-7
    quint64 third;  ///< name bytes 0-7, or name bytes 8-15
    quint32 key;    ///< full Name key offset
    quint32 row;    ///< stored row being ordered
};

namespace {

// A merge that places new rows in at most this many places announces each run as inserted
// rows; more places are one layout change.
constexpr size_t MaxInsertRuns = 4;
// Above this many rows a whole sort uses a second thread.
constexpr size_t ParallelSortRows = 50000;

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

// Eight bytes of a name from byte `from` on as a number in the bytes' order, zero-padded
// (names hold no NUL, so padding sorts a shorter name first as memcmp does).
quint64 namePrefix(const ResultRow& row, qsizetype from)
{
    const QByteArrayView name = row.name();
    unsigned char bytes[8] = {};
    if (name.size() > from)
        std::memcpy(bytes, name.data() + from, size_t(qMin<qsizetype>(name.size() - from, 8)));
    quint64 value = 0;
    for (const unsigned char byte : bytes)
        value = (value << 8) | byte;
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
    const ResultRow& r = row(index.row());
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
    return row >= 0 && size_t(row) < viewRows() ? m_rows[m_view[viewSlot(size_t(row))]].path
                                                : QByteArray();
}

size_t ResultModel::memoryUsage() const
{
    size_t bytes =
        m_rows.size() * sizeof(ResultRow) +
        (m_view.capacity() + m_keys.capacity() + m_nameKeys.capacity()) * sizeof(quint32) +
        m_collation.bytes() + m_names.bytes();
    for (const ResultRow& r : m_rows)
        bytes += size_t(r.path.capacity()) + 24; // the path's own block and its header
    return bytes;
}

bool ResultModel::textColumn() const
{
    return m_sortColumn == FileType || m_sortColumn == Location || m_sortColumn == Url;
}

quint32 ResultModel::keyFor(const ResultRow& row)
{
    if (m_sortColumn == Location) {
        const QByteArrayView folder = row.folderPath();
        const QByteArray probe = QByteArray::fromRawData(folder.data(), folder.size());
        auto it = m_folderKeys.constFind(probe);
        if (it != m_folderKeys.constEnd())
            return it.value();
        const quint32 key = m_collation.add(displayText(folder));
        m_folderKeys.insert(folder.toByteArray(), key);
        return key;
    }
    const QString& text = m_sortColumn == FileType ? row.typeName : row.url;
    auto it = m_textKeys.constFind(text);
    if (it != m_textKeys.constEnd())
        return it.value();
    const quint32 key = m_collation.add(text);
    m_textKeys.insert(text, key);
    return key;
}

void ResultModel::addNameKeys(size_t first)
{
    const std::vector<quint32> keys =
        m_names.addMany(m_rows.size() - first, threadCount(),
                        [this, first](size_t i) { return displayText(m_rows[first + i].name()); });
    m_nameKeys.insert(m_nameKeys.end(), keys.begin(), keys.end());
}

void ResultModel::addTextKeys(size_t first)
{
    if (first == 0)
        m_keys.reserve(m_rows.size());
    for (size_t i = first; i < m_rows.size(); ++i)
        m_keys.push_back(keyFor(m_rows[i]));
}

void ResultModel::resetKeys()
{
    std::vector<quint32>().swap(m_keys);
    m_collation.clear();
    m_textKeys.clear();
    m_folderKeys.clear();
}

int ResultModel::compare(quint32 a, quint32 b) const
{
    const ResultRow& rowA = m_rows[a];
    const ResultRow& rowB = m_rows[b];
    switch (m_sortColumn) {
    case Size:
        if (sizeOrder(rowA) != sizeOrder(rowB))
            return sizeOrder(rowA) < sizeOrder(rowB) ? -1 : 1;
        break;
    case Date:
        if (timeOrder(rowA) != timeOrder(rowB))
            return timeOrder(rowA) < timeOrder(rowB) ? -1 : 1;
        break;
    case Name:
        if (m_nameKeys[a] != m_nameKeys[b]) {
            if (const int c = std::strcmp(m_names.key(m_nameKeys[a]), m_names.key(m_nameKeys[b])))
                return c;
        }
        break;
    case FileType:
    case Location:
    case Url:
        if (m_keys[a] != m_keys[b]) {
            if (const int c = std::strcmp(m_collation.key(m_keys[a]), m_collation.key(m_keys[b])))
                return c;
        }
        break;
    default:
        return 0;
    }
    return compareTie(rowA, rowB);
}

std::vector<ResultModel::SortItem> ResultModel::itemsFor(size_t first, size_t count) const
{
    std::vector<SortItem> items(count);
    // Types, folders and addresses repeat: their few distinct keys are ranked once, so the
    // sort compares numbers only. A small batch ranks only its own keys.
    QHash<quint32, quint64> rank;
    if (textColumn()) {
        std::vector<quint32> distinct;
        const qsizetype known = m_sortColumn == Location ? m_folderKeys.size() : m_textKeys.size();
        if (count < size_t(known) * 4) {
            distinct.assign(m_keys.begin() + std::ptrdiff_t(first),
                            m_keys.begin() + std::ptrdiff_t(first + count));
            std::sort(distinct.begin(), distinct.end());
            distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        } else if (m_sortColumn == Location) {
            distinct.assign(m_folderKeys.cbegin(), m_folderKeys.cend());
        } else {
            distinct.assign(m_textKeys.cbegin(), m_textKeys.cend());
        }
        std::sort(distinct.begin(), distinct.end(), [this](quint32 a, quint32 b) {
            return std::strcmp(m_collation.key(a), m_collation.key(b)) < 0;
        });
        rank.reserve(qsizetype(distinct.size()));
        quint64 next = 0;
        for (size_t i = 0; i < distinct.size(); ++i) {
            if (i > 0 &&
                std::strcmp(m_collation.key(distinct[i - 1]), m_collation.key(distinct[i])) != 0)
                ++next; // texts with equal keys share a rank
            rank.insert(distinct[i], next);
        }
    }
    quint32 lastKey = std::numeric_limits<quint32>::max(); // never an offset: the arena is smaller
    quint64 lastRank = 0;
    for (size_t i = 0; i < count; ++i) {
        const size_t stored = first + i;
        const ResultRow& row = m_rows[stored];
        SortItem& item = items[i];
        item.row = quint32(stored);
        item.key = 0;
        if (m_sortColumn == Name) {
            item.key = m_nameKeys[stored];
            item.first = m_names.prefix(item.key);
            item.second = m_names.prefix(item.key, 8);
            item.third = namePrefix(row, 0);
            continue;
        }
        if (m_sortColumn == Size)
            item.first = sizeOrder(row);
        else if (m_sortColumn == Date)
            item.first = timeOrder(row);
        else if (m_keys[stored] == lastKey)
            item.first = lastRank; // rows of one folder arrive together
        else
            item.first = lastRank = rank.value(lastKey = m_keys[stored]);
        item.second = namePrefix(row, 0);
        item.third = namePrefix(row, 8);
    }
    return items;
}

void ResultModel::sortItems(std::vector<SortItem>& items) const
{
    const bool byName = m_sortColumn == Name;
    const bool descending = m_order == Qt::DescendingOrder;
    auto ascending = [&](const SortItem& a, const SortItem& b) {
        if (a.first != b.first)
            return a.first < b.first;
        if (a.second != b.second)
            return a.second < b.second;
        if (byName && a.key != b.key) {
            if (const int c = std::strcmp(m_names.key(a.key), m_names.key(b.key)))
                return c < 0;
        }
        if (a.third != b.third)
            return a.third < b.third;
        return compareTie(m_rows[a.row], m_rows[b.row]) < 0;
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

template<typename NewRow> void ResultModel::movePersistent(NewRow newRow)
{
    const QModelIndexList from = persistentIndexList();
    if (from.isEmpty())
        return;
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(int(newRow(size_t(index.row()))), index.column()));
    changePersistentIndexList(from, to);
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
    const size_t n = m_view.size();
    if (column == m_sortColumn && column >= 0) {
        // Only the direction changes: the order is total, so the new one is the old reversed.
        m_order = order;
        if (n < 2)
            return;
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
        std::reverse(m_view.begin(), m_view.end());
        movePersistent([n](size_t row) { return n - 1 - row; });
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
        return;
    }
    m_sortColumn = column;
    m_order = order;
    resetKeys();
    if (column == Name && m_nameKeys.empty())
        addNameKeys(0);
    else if (textColumn())
        addTextKeys(0);
    if (column < 0 || n < 2)
        return;

    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<SortItem> items = itemsFor(0, m_rows.size());
    sortItems(items);
    std::vector<quint32> oldView(n);
    m_view.swap(oldView);
    for (size_t i = 0; i < n; ++i)
        m_view[i] = items[i].row;
    std::vector<SortItem>().swap(items);
    if (!persistentIndexList().isEmpty()) {
        std::vector<quint32> newRow(m_rows.size()); // by stored row
        for (size_t i = 0; i < n; ++i)
            newRow[m_view[i]] = quint32(i);
        movePersistent([&](size_t row) { return newRow[oldView[row]]; });
    }
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::clear()
{
    if (m_view.empty())
        return;
    beginResetModel();
    std::deque<ResultRow>().swap(m_rows);
    std::vector<quint32>().swap(m_view);
    std::vector<quint32>().swap(m_nameKeys);
    m_names.clear();
    resetKeys();
    endResetModel();
}

void ResultModel::addRows(ResultRows batch)
{
    if (batch.empty())
        return;
    const size_t n = m_view.size();
    const size_t m = batch.size();
    if (n + m > size_t(std::numeric_limits<int>::max()))
        return; // beyond what a view can address; never reached by a real search

    // The rows are stored at once; the views learn of them below, with the order.
    const size_t first = m_rows.size();
    m_rows.insert(m_rows.end(), std::make_move_iterator(batch.begin()),
                  std::make_move_iterator(batch.end()));
    ResultRows().swap(batch);
    // Name keys are the dearest to make: once made they are kept for every later row, so a
    // return to the Name column only sorts.
    if (m_sortColumn == Name || !m_nameKeys.empty())
        addNameKeys(first);
    if (textColumn())
        addTextKeys(first);

    if (m_sortColumn < 0) {
        beginInsertRows({}, int(n), int(n + m - 1));
        for (size_t i = first; i < first + m; ++i)
            m_view.push_back(quint32(i));
        endInsertRows();
        return;
    }

    std::vector<SortItem> items = itemsFor(first, m);
    sortItems(items);
    const bool descending = m_order == Qt::DescendingOrder;

    // Where each new row goes: before the first existing row that sorts after it.
    std::vector<size_t> position(m);
    size_t low = 0;
    for (size_t j = 0; j < m; ++j) {
        size_t lo = low;
        size_t hi = n;
        while (lo < hi) {
            const size_t mid = lo + (hi - lo) / 2;
            int c = compare(m_view[mid], items[j].row);
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
    // A few runs are announced as inserted rows. More go as one layout change: the Details
    // view lays out every row after either, but each insert also splits the selection's
    // ranges, and a selection split into thousands of ranges makes every later insert and
    // paint slow (with all rows selected, measured 2.6 s a batch against 0.1 s).
    if (runs > MaxInsertRuns) {
        mergeAsLayoutChange(items, position);
        return;
    }

    // The old order moves to the back once; each run then moves the old rows before it to
    // the front and fills in after them, so every announcement sees a consistent list and
    // the whole merge moves each number once.
    const size_t total = n + m;
    m_view.resize(total);
    std::move_backward(m_view.begin(), m_view.begin() + std::ptrdiff_t(n), m_view.end());
    m_gapAt = 0;
    m_gapLen = m;
    size_t oldPlaced = 0;
    for (size_t j = 0; j < m;) {
        for (; oldPlaced < position[j]; ++oldPlaced, ++m_gapAt)
            m_view[m_gapAt] = m_view[m_gapAt + m_gapLen];
        size_t end = j;
        while (end < m && position[end] == position[j])
            ++end;
        beginInsertRows({}, int(m_gapAt), int(m_gapAt + (end - j) - 1));
        for (; j < end; ++j, ++m_gapAt, --m_gapLen)
            m_view[m_gapAt] = items[j].row;
        endInsertRows();
    }
    m_gapAt = 0; // the old rows after the last run are in place
}

void ResultModel::mergeAsLayoutChange(const std::vector<SortItem>& items,
                                      const std::vector<size_t>& position)
{
    const size_t n = m_view.size();
    const size_t m = items.size();
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_view.resize(n + m);
    size_t oldIndex = n;
    size_t newIndex = m;
    for (size_t out = n + m; out-- > 0 && newIndex > 0;) {
        if (oldIndex > 0 && position[newIndex - 1] <= oldIndex - 1)
            m_view[out] = m_view[--oldIndex];
        else
            m_view[out] = items[--newIndex].row;
    }
    movePersistent([&](size_t old) {
        return old +
               size_t(std::upper_bound(position.begin(), position.end(), old) - position.begin());
    });
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void ResultModel::setShowExtensions(bool on)
{
    if (on == m_showExtensions)
        return;
    m_showExtensions = on;
    if (!m_view.empty()) {
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
