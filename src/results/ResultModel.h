#pragma once

#include "LateRowChanges.h"
#include "RowSpans.h"
#include "SortIndex.h"
#include "search/ResultRow.h"

#include <QAbstractTableModel>
#include <QByteArray>
#include <QList>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

class modExtractIcon;
class NameKeyPreparation;
class RowPreparation;

/// The rows of the result list, always kept in the order of the current sort column (the
/// order itself is a `SortIndex`). A batch of new rows is sorted and merged in, announcing
/// where rows were inserted so that views keep their selection and scroll position. Rows
/// stay where they were stored; sorts and merges move only a list of row numbers. Texts are
/// derived from the rows when they are shown.
class ResultModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    /// The six columns, in model order.
    enum Column {
        Name = ResultColumn::Name,
        Size = ResultColumn::Size,
        FileType = ResultColumn::FileType,
        Date = ResultColumn::Date,
        Location = ResultColumn::Location,
        Url = ResultColumn::Url,
        ColumnCount = ResultColumn::Count
    };
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
    /// Rows are selectable, enabled and can be dragged; no children. Names are editable only
    /// while setNameEditable(true) is in force, so that only the Rename command opens an
    /// editor.
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// The end of an edit of a Name cell: reports nameEdited and leaves the row as it is (the
    /// rename decides what the row becomes). Returns false for any other cell or role.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    /// Makes Name cells editable while an editor is being opened.
    void setNameEditable(bool on) { m_nameEditable = on; }
    /// Where a column header's accessible description comes from (the view that draws the
    /// sort arrow knows what it says); call headerDataChanged() when it changes.
    void setHeaderDescriber(std::function<QString(int section)> describe)
    {
        m_describeHeader = std::move(describe);
    }
    /// Same as `sortBy`.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    /// Orders all rows by `column` (0…5) in `order` and keeps them so; -1 keeps the order in
    /// which rows arrive. Views keep their selection.
    void sortBy(int column, Qt::SortOrder order);
    /// The sort column (0…5), or -1 when rows stay in arrival order.
    int sortColumn() const;
    /// The sort direction.
    Qt::SortOrder sortOrder() const;

    /// What the walking threads should make for each row before it comes here (the Name
    /// sort keys, while they are wanted); hand it to the search engine.
    std::shared_ptr<const RowPreparation> rowPreparation() const;

    /// Removes every row.
    void clear();
    /// Sorts `batch` and merges it into the rows, announcing the inserted rows.
    void addRows(ResultRows batch);
    /// Sorts the rows of all `batches` and merges them in at once.
    void addBatches(RowBatches batches);
    /// Removes the rows at `rows` (any order; repeats and rows out of range are ignored).
    /// Many scattered rows go as one layout change, so a large list updates its views once.
    /// Returns the number removed.
    int removeListRows(std::vector<int> rows);
    /// Removes every row whose full path is one of `paths`, and the rows inside those that
    /// are folders (what was inside went with them); returns the number removed.
    int removePaths(const QList<QByteArray>& paths);
    /// A row whose full path is `path`, or -1. Which one, when places that overlap listed a
    /// path twice, is not said.
    int rowOfPath(const QByteArray& path) const;
    /// The folder `from` is now `to` (renamed): the rows inside it name their new place and
    /// take their place in the sort order. Returns the number of rows changed.
    int moveFolder(const QByteArray& from, const QByteArray& to);
    /// Replaces the row at `row` by `updated` (a renamed item: new path, name, type, icon)
    /// and moves it to its place in the sort order. Returns its new row, or -1 when `row` is
    /// out of range.
    int replaceRow(int row, ResultRow updated);

    /// Whether names show their extension; changing it rewrites every row's Name at once.
    void setShowExtensions(bool on);
    bool showExtensions() const { return m_showExtensions; }
    /// Whether rows show icons; with it off no icon is resolved.
    void setShowIcons(bool on);
    bool showIcons() const { return m_showIcons; }

    /// The row at `row` (0 ≤ row < rowCount()).
    const ResultRow& row(int row) const;
    /// The full path bytes of the row at `row`; empty when out of range.
    QByteArray path(int row) const;
    /// The header caption of `column` (0…5).
    static QString columnCaption(int column);
    /// Bytes held by the rows, their order and the sort keys (not counting texts shared with
    /// the walk).
    size_t memoryUsage() const;

Q_SIGNALS:
    /// Rows are about to be merged in or removed as one layout change, in which views can
    /// not tell which rows arrived or went.
    void rowsAboutToShift();
    /// That change is done: `shift` says where rows arrived or went.
    void rowsShifted(const RowShift& shift);
    /// An in-place edit of the name of the row holding `path` ended with `text`.
    void nameEdited(const QByteArray& path, const QString& text);

private:
    class Rows;
    size_t viewRows() const;
    /// Merges `merge` in one pass, announced as one layout change.
    void mergeAsLayoutChange(const SortIndex::Merge& merge);
    /// Removes the ascending list rows `rows`, announced as one layout change.
    void removeAsLayoutChange(const std::vector<size_t>& rows);
    /// Moves persistent indexes from view row r to `newRow(r)` (-1: the row is gone).
    template<typename NewRow> void movePersistent(NewRow newRow);
    QString cellText(const ResultRow& row, int column) const;
    /// Tells the walking threads whether rows should come with Name keys.
    void updateWanted();

    /// In arrival order, in blocks: rows never move once stored, and a growing list never
    /// copies them or holds twice the room it needs. Removed rows stay, emptied.
    std::deque<ResultRow> m_rows;
    std::unique_ptr<Rows> m_source;
    std::unique_ptr<SortIndex> m_index;
    LateRowChanges m_lateChanges; // renames and removals that rows still arriving must follow
    std::shared_ptr<NameKeyPreparation> m_preparation;
    modExtractIcon* m_icons = nullptr;
    bool m_showExtensions = false;
    bool m_showIcons = true;
    bool m_nameEditable = false;
    std::function<QString(int section)> m_describeHeader;
};
