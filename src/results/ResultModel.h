#pragma once

#include "CollationKeys.h"
#include "search/ResultRow.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QHash>

#include <memory>
#include <vector>

class modExtractIcon;

/// The rows of the result list, always kept in the order of the current sort column. A batch
/// of new rows is sorted and merged in, announcing where rows were inserted so that views
/// keep their selection and scroll position. Texts are derived from the rows when they are
/// shown; only the current sort column has a stored key per row.
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
    const ResultRow& row(int row) const { return m_rows[size_t(row)]; }
    /// The full path bytes of the row at `row`; empty when out of range.
    QByteArray path(int row) const;
    /// The header caption of `column` (0…5).
    static QString columnCaption(int column);
    /// Bytes held by the rows and the sort keys (not counting texts shared with the walk).
    size_t memoryUsage() const;

private:
    struct SortItem;
    bool textColumn() const;
    /// The sort key of a row for the current text column, added to the key arena.
    quint32 keyFor(const ResultRow& row);
    /// Keys of all rows for the current column, computed in parallel where it pays.
    std::vector<quint32> keysFor(const ResultRows& rows);
    /// Orders rows a and b (with their keys) ascending: <0, 0 or >0.
    int compare(const ResultRow& a, quint32 keyA, const ResultRow& b, quint32 keyB) const;
    /// Sorts items of `rows` by the current column and direction.
    void sortItems(std::vector<SortItem>& items, const ResultRows& rows) const;
    std::vector<SortItem> itemsFor(const ResultRows& rows, const std::vector<quint32>& keys) const;
    void resetKeys();
    QString cellText(const ResultRow& row, int column) const;

    ResultRows m_rows;
    std::vector<quint32> m_keys; ///< per row, only while a text column is sorted
    CollationKeys m_collation;
    QHash<QString, quint32> m_textKeys;      ///< keys of repeated texts (types, URLs)
    QHash<QByteArray, quint32> m_folderKeys; ///< keys of folders, by their bytes
    modExtractIcon* m_icons = nullptr;
    int m_sortColumn = -1;
    Qt::SortOrder m_order = Qt::AscendingOrder;
    bool m_showExtensions = false;
    bool m_showIcons = true;
};
