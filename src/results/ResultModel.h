#pragma once

#include "CollationKeys.h"
#include "search/ResultRow.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>

#include <deque>
#include <memory>
#include <vector>

class modExtractIcon;

/// The rows of the result list, always kept in the order of the current sort column. A batch
/// of new rows is sorted and merged in, announcing where rows were inserted so that views
/// keep their selection and scroll position. Rows stay where they were stored; sorts and
/// merges move only a list of row numbers. Texts are derived from the rows when they are
/// shown; the current sort column has a stored key per row, and Name keys, once made, stay.
class ResultModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    /// The six columns, in model order.
    enum Column { Name, Size, FileType, Date, Location, Url, ColumnCount };
    /// Roles beyond Qt's own.
    enum Role {
        PathRole = Qt::UserRole + 1, ///< QByteArray: the row's full path, exact bytes
        SortValueRole,               ///< the raw value the column sorts by
        FolderRole,                  ///< bool: the row is a folder
    };

    /// A model whose rows take their icons from `icons` (none when null).
    explicit ResultModel(modExtractIcon* icons = nullptr, QObject* parent = nullptr);
    ~ResultModel() override;
    Q_DISABLE_COPY_MOVE(ResultModel)

    /// The index of a cell; invalid out of range or under a valid parent. Views ask for it
    /// once per row on every layout, so it skips the generic checks' virtual calls.
    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    /// Number of rows; 0 under any valid parent.
    int rowCount(const QModelIndex& parent = {}) const override;
    /// Six columns; 0 under any valid parent.
    int columnCount(const QModelIndex& parent = {}) const override;
    /// Cell texts, icons, tooltips, accessible texts, raw sort values and the path.
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    /// "Name", "Size", "File Type", "Date", "Location", "URL", left-aligned.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    /// Rows are selectable, enabled and can be dragged; no children.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Same as `sortBy`.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    /// Orders all rows by `column` (0…5) in `order` and keeps them so; -1 keeps the order in
    /// which rows arrive. Views keep their selection.
    void sortBy(int column, Qt::SortOrder order);
    /// The sort column (0…5), or -1 when rows stay in arrival order.
    int sortColumn() const { return m_sortColumn; }
    /// The sort direction.
    Qt::SortOrder sortOrder() const { return m_order; }

    /// Removes every row.
    void clear();
    /// Sorts `batch` and merges it into the rows, announcing the inserted rows.
    void addRows(ResultRows batch);

    /// Whether names show their extension; changing it rewrites every row's Name at once.
    void setShowExtensions(bool on);
    bool showExtensions() const { return m_showExtensions; }
    /// Whether rows show icons; with it off no icon is resolved.
    void setShowIcons(bool on);
    bool showIcons() const { return m_showIcons; }

    /// The row at `row` (0 ≤ row < rowCount()).
    const ResultRow& row(int row) const { return m_rows[m_view[viewSlot(size_t(row))]]; }
    /// The full path bytes of the row at `row`; empty when out of range.
    QByteArray path(int row) const;
    /// The header caption of `column` (0…5).
    static QString columnCaption(int column);
    /// Bytes held by the rows, their order and the sort keys (not counting texts shared with
    /// the walk).
    size_t memoryUsage() const;

private:
    struct SortItem;
    /// Where view row `row` is in `m_view`: past the gap a merge leaves open while it runs.
    size_t viewSlot(size_t row) const { return row < m_gapAt ? row : row + m_gapLen; }
    size_t viewRows() const { return m_view.size() - m_gapLen; }
    bool textColumn() const;
    /// The key of a repeated text (type, folder, address) of the current column.
    quint32 keyFor(const ResultRow& row);
    /// Appends the Name keys of the stored rows from `first` on.
    void addNameKeys(size_t first);
    /// Appends the current text column's keys of the stored rows from `first` on.
    void addTextKeys(size_t first);
    /// Orders the stored rows a and b ascending by the current column: <0, 0 or >0.
    int compare(quint32 a, quint32 b) const;
    /// Sort items of the stored rows [first, first + count) for the current column.
    std::vector<SortItem> itemsFor(size_t first, size_t count) const;
    /// Sorts `items` by the current column and direction.
    void sortItems(std::vector<SortItem>& items) const;
    /// Merges sorted new `items` before the old rows at `position` in one pass, announced as
    /// one layout change.
    void mergeAsLayoutChange(const std::vector<SortItem>& items,
                             const std::vector<size_t>& position);
    /// Moves persistent indexes from view row r to `newRow(r)`.
    template<typename NewRow> void movePersistent(NewRow newRow);
    void resetKeys();
    QString cellText(const ResultRow& row, int column) const;

    /// In arrival order, in blocks: rows never move once stored, and a growing list never
    /// copies them or holds twice the room it needs.
    std::deque<ResultRow> m_rows;
    std::vector<quint32> m_view; ///< stored row of each view row: sorts and merges move these
    /// While a merge announces its runs of new rows one by one, `m_view` holds the rows placed
    /// so far, a gap of `m_gapLen` slots at `m_gapAt`, then the old rows still to come.
    size_t m_gapAt = 0;
    size_t m_gapLen = 0;
    std::vector<quint32> m_nameKeys; ///< per stored row once Name was sorted: kept for later
    CollationKeys m_names;
    std::vector<quint32> m_keys; ///< per stored row while type, location or URL is sorted
    CollationKeys m_collation;
    QHash<QString, quint32> m_textKeys;      ///< keys of repeated texts (types, URLs)
    QHash<QByteArray, quint32> m_folderKeys; ///< keys of folders, by their bytes
    modExtractIcon* m_icons = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_showExtensions = false;
    bool m_showIcons = true;
};
