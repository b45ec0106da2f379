#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QPersistentModelIndex>
#include <QPoint>
#include <QWidget>

#include "RowSpans.h"
#include "search/ResultRow.h"

#include <functional>
#include <memory>
#include <vector>

class QAbstractItemView;
class QHeaderView;
class QItemSelectionModel;
class QListView;
class LargeIconDelegate;
class ResultIconView;
class QStackedLayout;
class QTreeView;
class ResultModel;
class SortArrowHeader;
class SortState;
class modExtractIcon;

/// The result list `ListView1`: one model and one selection shown as Details (a table with
/// the six columns), List (small icons in columns) or Large Icons. It reports what the user
/// does (header clicks, launch, popup, the row under the pointer) as signals; the window
/// decides what they mean.
class ResultList final : public QWidget {
    Q_OBJECT
public:
    /// The view modes, as the View menu numbers them.
    enum ViewMode { Details = 0, List = 1, LargeIcons = 2 };

    explicit ResultList(QWidget* parent = nullptr);
    ~ResultList() override;
    Q_DISABLE_COPY_MOVE(ResultList)

    /// The rows.
    ResultModel* model() const { return m_model; }
    /// The selection shared by all views.
    QItemSelectionModel* selectionModel() const { return m_selection; }
    /// The icon cache the rows draw from.
    modExtractIcon* icons() const { return m_icons.get(); }
    /// The Details view.
    QTreeView* detailsView() const { return m_details; }
    /// The List / Large Icons view.
    QListView* iconView() const;
    /// The column header of the Details view, which draws the sort arrow.
    SortArrowHeader* header() const;
    /// The view now shown.
    QAbstractItemView* currentView() const;

    /// Shows 0 Details, 1 List or 2 Large Icons; any other index leaves the view as it is.
    void setViewMode(int index);
    /// The mode now shown.
    int viewMode() const { return m_viewMode; }

    /// Applies `state`: the rows are ordered by its list key and direction, and the header
    /// shows its arrow (none before a user's click).
    void applySort(const SortState& state);

    /// Adds found rows to the model in the list's order. The row the user points at (the
    /// pointer moved over the list in the last two seconds) stays under the pointer, else a
    /// scrolled list's top row stays in place: rows sorted in above would push what the user
    /// looks at (and is about to click) down.
    void addBatches(RowBatches batches);
    /// A drag moved to `viewportPos` over `view` (nullptr: it left the list). A drag aims at
    /// a row as the pointer does, so that the row stays under it while rows arrive.
    void dragAt(QAbstractItemView* view, const QPoint& viewportPos);

    /// The full paths of the selected rows in list order; exactly one empty path when none
    /// is selected.
    QList<QByteArray> GetSelectedFiles() const;
    /// Selects every row (one range, whatever the count).
    void selectAll();
    /// Opens the in-place editor on the Name of the current row (made current and the only
    /// selected row); false without a current row. The edit ends in ResultModel::nameEdited.
    bool editCurrentName();
    /// Closes an open name editor without renaming anything.
    void cancelNameEdit();
    /// Rows dragged with the mouse are handed to `starter` (which runs the drag) instead of
    /// the views' own drag.
    void setDragStarter(std::function<void()> starter);

    /// True while one of the views has the keyboard focus.
    bool ListHasFocus() const { return m_hasFocus; }
    /// 2 after a right button press on the list, 1 after another button, 0 once a row click
    /// was handled.
    int LastListButton() const { return m_lastButton; }
    /// Sets LastListButton (the popup's Launch clears it).
    void setLastListButton(int button) { m_lastButton = button; }

    /// Width of column 1…6 in twips (0 for another number).
    int columnWidthTwips(int column) const;
    /// Sets the width of column 1…6 in twips; other columns and widths below 1 are ignored.
    void setColumnWidthTwips(int column, int twips);
    /// Display position (1…6, left to right) of column 1…6 (0 for another number).
    int columnPosition(int column) const;
    /// Moves column 1…6 to display position 1…6; values out of range are ignored.
    void setColumnPosition(int column, int position);

Q_SIGNALS:
    /// The user clicked the header of column 1…6.
    void columnClicked(int column);
    /// The keyboard focus came to the list (true) or left it (false).
    void listHasFocusChanged(bool hasFocus);
    /// A row was activated with the keyboard (Enter on the current row): the window decides
    /// whether that launches the selection.
    void launchRequested();
    /// A row was activated with the mouse (a double-click, or the desktop's single click):
    /// this launches even while a search runs.
    void mouseLaunchRequested();
    /// A right-click on a row (or the menu key): show the popup menu at `globalPos`.
    void popupRequested(QPoint globalPos);
    /// The pointer moved over the list with no button down: the text for the hint panel, or
    /// a null QString for a blank part of the list (the copyright line).
    void hoverTextChanged(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void keepSelectionOnShifts();
    void setUpDetails();
    void setUpIconView();
    void keepDragAndDrop();
    void watch(QAbstractItemView* view);
    void attach(QAbstractItemView* view, bool on);
    void showArrow();
    void setFocusState(bool hasFocus);
    QString hoverText(const QPoint& viewportPos, QAbstractItemView* view) const;
    /// The pointer is at `viewportPos` over `view` (with `buttons` down): the hint text of
    /// the row there, when no button is down.
    void pointerAt(QAbstractItemView* view, const QPoint& viewportPos, Qt::MouseButtons buttons);
    /// Tells the hint text again, soon, when rows changed under a resting pointer (renamed,
    /// removed, sorted), so that the panel never names a row that is no longer there.
    void refreshHoverText();
    QAbstractItemView* viewOf(QObject* watched) const;

    std::unique_ptr<modExtractIcon> m_icons;
    ResultModel* m_model = nullptr;
    QItemSelectionModel* m_selection = nullptr;
    QTreeView* m_details = nullptr;
    SortArrowHeader* m_header = nullptr;
    ResultIconView* m_iconView = nullptr;
    LargeIconDelegate* m_largeIcons = nullptr;
    std::vector<RowSpan> m_keptSpans; ///< the selection while rows shift
    QStackedLayout* m_stack = nullptr;
    int m_viewMode = Details;
    int m_arrowColumn = 0;
    bool m_arrowUp = true;
    bool m_hasFocus = false;
    int m_lastButton = 0;
    bool m_keyActivation = false;             ///< the last input to a view was a key, not the mouse
    QAbstractItemView* m_hoverView = nullptr; ///< the view under the pointer, if any
    QPoint m_hoverPos;                        ///< where in its viewport the pointer rests
    QElapsedTimer m_pointing;                 ///< since the pointer last moved over a view
    QPersistentModelIndex m_aimed;            ///< the row under it then
    /// How long after its last move the pointer counts as aiming at a row.
    static constexpr qint64 PointingMs = 2000;
    bool m_hoverRefreshPending = false;
};
