#include "ResultList.h"

#include "LargeIconView.h"
#include "ResultModel.h"
#include "SortArrowHeader.h"
#include "SortState.h"
#include "results/modExtractIcon.h"
#include "search/PathHelpers.h"
#include "search/RowText.h"

#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPersistentModelIndex>
#include <QScrollBar>
#include <QStackedLayout>
#include <QTimer>
#include <QTreeView>

#include <algorithm>

namespace {

/// The Details view, whose drags the list may run itself.
class ResultTreeView final : public QTreeView {
public:
    using QTreeView::QTreeView;
    std::function<void()> dragStarter;

protected:
    void startDrag(Qt::DropActions supportedActions) override
    {
        if (dragStarter)
            dragStarter();
        else
            QTreeView::startDrag(supportedActions);
    }
    // Hidden behind the List or Large Icons view, it shares their selection: the tree's own
    // handling would tell a screen reader of focus and selection in cells nobody sees, before
    // the shown view tells of its item. Repainting is not needed either until it shows.
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override
    {
        if (isVisible())
            QTreeView::currentChanged(current, previous);
        else
            QAbstractItemView::currentChanged(current, previous);
    }
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override
    {
        if (isVisible())
            QTreeView::selectionChanged(selected, deselected);
        else
            QAbstractItemView::selectionChanged(selected, deselected);
    }
};

// Initial column widths in twips: Name, Size, File Type, Date, Location, URL.
constexpr int InitialWidths[ResultModel::ColumnCount] = {3000, 1440, 2000, 1000, 4000, 3000};
constexpr int SmallIcon = 16;
constexpr int LargeIcon = 32;

} // namespace

ResultList::ResultList(QWidget* parent)
    : QWidget(parent)
    , m_icons(std::make_unique<modExtractIcon>())
{
    setObjectName(QStringLiteral("ListView1"));
    setAccessibleName(QStringLiteral("Results"));

    m_model = new ResultModel(m_icons.get(), this);
    // Each column header says whether the list is sorted by it, as its arrow shows.
    m_model->setHeaderDescriber([this](int section) {
        if (section != m_arrowColumn - 1)
            return QString();
        return m_arrowUp ? QStringLiteral("Sorted ascending") : QStringLiteral("Sorted descending");
    });
    m_selection = new QItemSelectionModel(m_model, this);
    m_details = new ResultTreeView(this);
    m_iconView = new ResultIconView(this);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_iconView)}) {
        view->setAccessibleName(QStringLiteral("Results"));
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setDragEnabled(true);
        view->setAcceptDrops(true);
        view->setDropIndicatorShown(false);
        view->setDragDropMode(QAbstractItemView::DragDrop);
        view->setDefaultDropAction(Qt::CopyAction);
        view->setMouseTracking(true);
        watch(view);
    }
    attach(m_details, true); // before the set-up: the header has sections only with a model
    keepSelectionOnShifts();
    setUpDetails();
    setUpIconView();

    m_stack = new QStackedLayout(this);
    m_stack->setContentsMargins(0, 0, 0, 0);
    m_stack->addWidget(m_details);
    m_stack->addWidget(m_iconView);
    m_stack->setCurrentWidget(m_details);
    setFocusProxy(m_details);

    // Whatever changes the row under a resting pointer: a large delete and a sort come as a
    // layout change, the last rows gone as a reset.
    connect(m_model, &QAbstractItemModel::dataChanged, this, &ResultList::refreshHoverText);
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ResultList::refreshHoverText);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &ResultList::refreshHoverText);
    connect(m_model, &QAbstractItemModel::modelReset, this, &ResultList::refreshHoverText);
    // Scrolling moves other rows under a resting pointer too.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_iconView)}) {
        for (QScrollBar* bar : {view->verticalScrollBar(), view->horizontalScrollBar()})
            connect(bar, &QScrollBar::valueChanged, this, &ResultList::refreshHoverText);
    }
}

ResultList::~ResultList()
{
    // The views go before the model and the icon cache they draw from, and tell nothing on
    // their way out.
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_iconView)}) {
        view->removeEventFilter(this);
        view->viewport()->removeEventFilter(this);
        view->disconnect(this);
    }
    delete m_details;
    m_details = nullptr;
    delete m_iconView;
    m_iconView = nullptr;
}

void ResultList::attach(QAbstractItemView* view, bool on)
{
    // The hidden List / Large Icons view lets go of the model: it would lay out a million
    // rows again on every merge. When it comes back it lays out once.
    if (on == (view->model() == m_model))
        return;
    QItemSelectionModel* own = view->selectionModel();
    view->setModel(on ? m_model : nullptr);
    QItemSelectionModel* made = view->selectionModel();
    if (on)
        view->setSelectionModel(m_selection);
    if (own != m_selection)
        delete own;
    if (on && made != m_selection)
        delete made;
}

void ResultList::keepSelectionOnShifts()
{
    // When rows arrive in many places (or go) as one layout change, the selection model
    // cannot tell which rows are new: a Select All's whole-table range would grow over them.
    // So the selection is set aside as row spans and put back where those rows went.
    connect(m_model, &ResultModel::rowsAboutToShift, this, [this] {
        m_keptSpans.clear();
        for (const QItemSelectionRange& range : m_selection->selection())
            m_keptSpans.push_back({size_t(range.top()), size_t(range.bottom())});
        m_keptSpans = normalizeSpans(std::move(m_keptSpans));
        if (m_keptSpans.empty())
            return;
        const QSignalBlocker quiet(m_selection); // the same rows stay selected
        m_selection->select(QItemSelection(), QItemSelectionModel::Clear);
    });
    connect(m_model, &ResultModel::rowsShifted, this, [this](const RowShift& shift) {
        if (m_keptSpans.empty())
            return;
        QItemSelection kept;
        for (const RowSpan& span : shiftSpans(m_keptSpans, shift)) {
            kept.append(
                QItemSelectionRange(m_model->index(int(span.first), 0),
                                    m_model->index(int(span.last), ResultModel::ColumnCount - 1)));
        }
        m_keptSpans.clear();
        {
            const QSignalBlocker quiet(m_selection);
            m_selection->select(kept, QItemSelectionModel::Select);
        }
        currentView()->viewport()->update();
    });
}

void ResultList::setUpDetails()
{
    m_details->setRootIsDecorated(false);
    m_details->setItemsExpandable(false);
    m_details->setUniformRowHeights(true);
    m_details->setAllColumnsShowFocus(true);
    m_details->setSortingEnabled(false); // header clicks go through the window's rules
    m_details->setIconSize(QSize(SmallIcon, SmallIcon));
    m_header = new SortArrowHeader(m_details);
    m_details->setHeader(m_header);
    QHeaderView* h = m_header;
    h->setObjectName(QStringLiteral("ListView1Header"));
    h->setAccessibleName(QStringLiteral("Column headers"));
    h->setSectionsMovable(true);
    h->setSectionsClickable(true);
    h->setStretchLastSection(false);
    h->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < ResultModel::ColumnCount; ++c)
        setColumnWidthTwips(c + 1, InitialWidths[c]);
    connect(h, &QHeaderView::sectionClicked, this,
            [this](int logical) { Q_EMIT columnClicked(logical + 1); });
}

void ResultList::setUpIconView()
{
    m_iconView->setUniformItemSizes(true);
    m_iconView->setResizeMode(QListView::Adjust);
    m_iconView->setWrapping(true);
    m_iconView->setMovement(QListView::Static);
    m_iconView->setViewMode(QListView::ListMode);
    m_iconView->setFlow(QListView::TopToBottom);
    m_iconView->setIconSize(QSize(SmallIcon, SmallIcon));
    keepDragAndDrop();
}

void ResultList::keepDragAndDrop()
{
    // QListView ties dragging and dropping to moving its items, and turns both off with a
    // static layout or a new view mode; here rows are dragged out as files and folder rows
    // take drops in every view.
    m_iconView->setDragEnabled(true);
    m_iconView->viewport()->setAcceptDrops(true);
}

void ResultList::watch(QAbstractItemView* view)
{
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
    // Enter on the current row, a double-click (or the desktop's single click) on a row.
    connect(view, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (!index.isValid() || m_lastButton == 2)
            return;
        if (m_keyActivation)
            Q_EMIT launchRequested();
        else
            Q_EMIT mouseLaunchRequested();
    });
}

bool ResultList::editCurrentName()
{
    QAbstractItemView* view = currentView();
    const QModelIndex current = m_selection->currentIndex();
    if (!current.isValid())
        return false;
    const QModelIndex name = m_model->index(current.row(), ResultModel::Name);
    m_selection->setCurrentIndex(name,
                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollTo(name);
    // Names are editable only while this opens the editor: a click never starts one.
    m_model->setNameEditable(true);
    view->edit(name);
    m_model->setNameEditable(false);
    return true;
}

void ResultList::cancelNameEdit()
{
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_iconView)}) {
        // Closed as Escape closes it: the typed name is not handed on. The only line edits
        // in a view's viewport are its name editors.
        for (QLineEdit* editor : view->viewport()->findChildren<QLineEdit*>())
            Q_EMIT view->itemDelegate()->closeEditor(editor,
                                                     QAbstractItemDelegate::RevertModelCache);
    }
}

void ResultList::setDragStarter(std::function<void()> starter)
{
    static_cast<ResultTreeView*>(m_details)->dragStarter = starter;
    m_iconView->dragStarter = std::move(starter);
}

QListView* ResultList::iconView() const
{
    return m_iconView;
}

SortArrowHeader* ResultList::header() const
{
    return m_header;
}

QAbstractItemView* ResultList::currentView() const
{
    return m_viewMode == Details ? static_cast<QAbstractItemView*>(m_details)
                                 : static_cast<QAbstractItemView*>(m_iconView);
}

void ResultList::setViewMode(int index)
{
    if (index < Details || index > LargeIcons)
        return;
    const bool hadFocus = currentView()->hasFocus();
    m_viewMode = index;
    m_hoverView = nullptr; // the other view is under the pointer now
    if (index == List) {
        m_iconView->setViewMode(QListView::ListMode);
        m_iconView->setFlow(QListView::TopToBottom);
        m_iconView->setWrapping(true);
        m_iconView->setIconSize(QSize(SmallIcon, SmallIcon));
        // Items share one size (a million rows are not measured one by one): a column wide
        // enough for most names, rather than whatever the first row needed.
        const QFontMetrics metrics = fontMetrics();
        m_iconView->setGridSize(QSize(SmallIcon + 12 + metrics.averageCharWidth() * 32,
                                      std::max(SmallIcon, metrics.height()) + 4));
        m_iconView->setWordWrap(false);
        m_iconView->setLargeIcons(nullptr);
    } else if (index == LargeIcons) {
        // A desktop's cell: the icon and two lines of name under it.
        const QSize cell(LargeIcon * 3,
                         LargeIcon + LargeIconDelegate::CellLines * fontMetrics().height() + 8);
        if (!m_largeIcons)
            m_largeIcons = new LargeIconDelegate(cell, QSize(LargeIcon, LargeIcon), m_iconView);
        m_largeIcons->setSizes(cell, QSize(LargeIcon, LargeIcon));
        m_iconView->setViewMode(QListView::IconMode);
        m_iconView->setMovement(QListView::Static);
        m_iconView->setFlow(QListView::LeftToRight);
        m_iconView->setWrapping(true);
        m_iconView->setIconSize(QSize(LargeIcon, LargeIcon));
        m_iconView->setGridSize(cell);
        m_iconView->setWordWrap(true);
        m_iconView->setLargeIcons(m_largeIcons);
    }
    m_iconView->setUniformItemSizes(true);
    keepDragAndDrop();
    QAbstractItemView* view = currentView();
    attach(view, true);
    m_stack->setCurrentWidget(view);
    if (view == m_details)
        attach(m_iconView, false); // the Details view stays attached: its header keeps state
    setFocusProxy(view);
    if (hadFocus)
        view->setFocus(Qt::OtherFocusReason);
    if (const QModelIndex current = m_selection->currentIndex(); current.isValid()) {
        // A click in Details makes the clicked cell current; the icon views show column 0
        // only, and without it there would be no focus frame and nothing for a screen reader.
        if (view == m_iconView && current.column() != 0)
            m_selection->setCurrentIndex(current.siblingAtColumn(0), QItemSelectionModel::NoUpdate);
        view->scrollTo(current);
    }
}

void ResultList::applySort(const SortState& state)
{
    m_model->sortBy(state.listSortKey(),
                    state.listAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    m_arrowColumn = state.arrowColumn();
    m_arrowUp = state.arrowUp();
    showArrow();
    refreshHoverText();
}

namespace {

/// The row shown first (top left) in `view`, or an invalid index for an empty view. Icons
/// stand apart by their spacing, so a few points near the corner are tried.
QModelIndex firstShown(const QAbstractItemView* view)
{
    for (int at = 0; at <= 32; at += 4) {
        if (const QModelIndex index = view->indexAt(QPoint(at, at)); index.isValid())
            return index;
    }
    return {};
}

} // namespace

void ResultList::addBatches(RowBatches batches)
{
    // Rows sorted in between the shown ones move them. While the user points at a row (the
    // pointer moved over the list lately), that row stays under the pointer, so that a click
    // lands where it was aimed; while the list is scrolled, its top row stays in place. A
    // pointer merely resting over the list since before the search moves nothing.
    QAbstractItemView* view = currentView();
    QPersistentModelIndex anchor;
    // The row aimed at when the pointer last moved: in the List view an icon may have moved
    // along its column since, and what drifted under the pointer was never aimed at.
    if (m_hoverView == view && m_pointing.isValid() && m_pointing.elapsed() < PointingMs)
        anchor = m_aimed.isValid() ? m_aimed : QPersistentModelIndex(view->indexAt(m_hoverPos));
    const bool scrolled =
        view->verticalScrollBar()->value() > view->verticalScrollBar()->minimum() ||
        view->horizontalScrollBar()->value() > view->horizontalScrollBar()->minimum();
    if (!anchor.isValid() && scrolled)
        anchor = firstShown(view);
    const int anchorRow = anchor.row();
    const QPoint anchorAt = anchor.isValid() ? view->visualRect(anchor).topLeft() : QPoint();
    m_model->addBatches(std::move(batches));
    if (!anchor.isValid() || anchor.row() == anchorRow)
        return;
    const QRect now = view->visualRect(anchor); // lays the view out
    const QPoint moved = now.topLeft() - anchorAt;
    // The scroll bars count rows (Details) or columns of icons (List) when scrolling by
    // item, else pixels; Large Icons always scroll by pixels. In the List view an icon keeps
    // its column but may still move along it.
    const bool freeIcons = view == m_iconView && m_iconView->viewMode() == QListView::IconMode;
    const QSize cell = view == m_details ? now.size() : m_iconView->gridSize();
    const auto scroll = [freeIcons](QScrollBar* bar, int pixels, int cellPixels, bool perItem) {
        if (pixels != 0 && cellPixels > 0)
            bar->setValue(bar->value() + (perItem && !freeIcons ? pixels / cellPixels : pixels));
    };
    scroll(view->horizontalScrollBar(), moved.x(), cell.width(),
           view->horizontalScrollMode() == QAbstractItemView::ScrollPerItem);
    scroll(view->verticalScrollBar(), moved.y(), cell.height(),
           view->verticalScrollMode() == QAbstractItemView::ScrollPerItem);
}

void ResultList::showArrow()
{
    const bool shown = m_arrowColumn >= 1 && m_arrowColumn <= ResultModel::ColumnCount;
    m_header->setArrow(shown ? m_arrowColumn - 1 : -1, m_arrowUp);
    // The arrow is drawn by hand: a screen reader hears what it says from the list and the
    // header themselves.
    const QString said = shown ? u"Sorted by " + ResultModel::columnCaption(m_arrowColumn - 1) +
                                     (m_arrowUp ? u", ascending" : u", descending")
                               : QString();
    for (QWidget* w : {static_cast<QWidget*>(m_header), static_cast<QWidget*>(m_details),
                       static_cast<QWidget*>(m_iconView)})
        w->setAccessibleDescription(said);
    Q_EMIT m_model->headerDataChanged(Qt::Horizontal, 0, ResultModel::ColumnCount - 1);
}

QList<QByteArray> ResultList::GetSelectedFiles() const
{
    std::vector<int> rows;
    for (const QItemSelectionRange& range : m_selection->selection()) {
        for (int r = range.top(); r <= range.bottom(); ++r)
            rows.push_back(r);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<QByteArray> files;
    files.reserve(qsizetype(std::max<size_t>(rows.size(), 1)));
    for (const int r : rows)
        files.append(m_model->path(r));
    if (files.isEmpty())
        files.append(QByteArray());
    return files;
}

void ResultList::selectAll()
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const QItemSelection all(m_model->index(0, 0),
                             m_model->index(rows - 1, ResultModel::ColumnCount - 1));
    m_selection->select(all, QItemSelectionModel::ClearAndSelect);
}

int ResultList::columnWidthTwips(int column) const
{
    if (column < 1 || column > ResultModel::ColumnCount)
        return 0;
    return qRound(m_details->header()->sectionSize(column - 1) * 1440.0 / logicalDpiX());
}

void ResultList::setColumnWidthTwips(int column, int twips)
{
    if (column < 1 || column > ResultModel::ColumnCount || twips < 1)
        return;
    const int pixels = std::max(1, qRound(twips * logicalDpiX() / 1440.0));
    m_details->header()->resizeSection(column - 1, pixels);
}

int ResultList::columnPosition(int column) const
{
    if (column < 1 || column > ResultModel::ColumnCount)
        return 0;
    return m_details->header()->visualIndex(column - 1) + 1;
}

void ResultList::setColumnPosition(int column, int position)
{
    if (column < 1 || column > ResultModel::ColumnCount || position < 1 ||
        position > ResultModel::ColumnCount)
        return;
    QHeaderView* h = m_details->header();
    h->moveSection(h->visualIndex(column - 1), position - 1);
}

QAbstractItemView* ResultList::viewOf(QObject* watched) const
{
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_details),
                                    static_cast<QAbstractItemView*>(m_iconView)}) {
        if (view && (watched == view || watched == view->viewport()))
            return view;
    }
    return nullptr;
}

void ResultList::setFocusState(bool hasFocus)
{
    if (hasFocus == m_hasFocus)
        return;
    m_hasFocus = hasFocus;
    Q_EMIT listHasFocusChanged(hasFocus);
}

QString ResultList::hoverText(const QPoint& viewportPos, QAbstractItemView* view) const
{
    const QModelIndex index = view->indexAt(viewportPos);
    if (!index.isValid())
        return {};
    const ResultRow& row = m_model->row(index.row());
    // Only "n/a" stands for "no address": a shortcut whose address is empty shows it as it
    // is. An empty text is not null, so the window tells it from a blank part of the list.
    if (row.url == u"n/a")
        return RowText::fullPath(row);
    return row.url.isNull() ? QStringLiteral("") : row.url;
}

void ResultList::pointerAt(QAbstractItemView* view, const QPoint& viewportPos,
                           Qt::MouseButtons buttons)
{
    m_hoverView = view;
    m_hoverPos = viewportPos;
    if (buttons == Qt::NoButton && m_model->rowCount() > 0)
        Q_EMIT hoverTextChanged(hoverText(viewportPos, view));
}

void ResultList::dragAt(QAbstractItemView* view, const QPoint& viewportPos)
{
    m_hoverView = view;
    if (!view)
        return;
    m_pointing.start();
    m_aimed = view->indexAt(viewportPos);
    m_hoverPos = viewportPos;
}

void ResultList::refreshHoverText()
{
    if (!m_hoverView || m_hoverRefreshPending)
        return;
    // Once for a burst of changes (a delete removes many runs of rows).
    m_hoverRefreshPending = true;
    QTimer::singleShot(0, this, [this] {
        m_hoverRefreshPending = false;
        if (m_hoverView != currentView())
            return;
        // The last rows gone: the pointer rests on a blank list, not on the removed row.
        Q_EMIT hoverTextChanged(m_model->rowCount() > 0 ? hoverText(m_hoverPos, m_hoverView)
                                                        : QString());
    });
}

bool ResultList::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* view = viewOf(watched);
    if (!view)
        return QWidget::eventFilter(watched, event);
    const bool onViewport = watched == view->viewport();
    switch (event->type()) {
    case QEvent::FocusIn:
        if (!onViewport)
            setFocusState(true);
        break;
    case QEvent::FocusOut:
        if (!onViewport)
            setFocusState(m_details->hasFocus() || m_iconView->hasFocus());
        break;
    case QEvent::KeyPress: {
        m_keyActivation = true;
        // Shift+F10 is the popup's other key on Linux desktops too; Qt only knows the Menu key.
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F10 && key->modifiers() == Qt::ShiftModifier) {
            QContextMenuEvent menu(QContextMenuEvent::Keyboard, QPoint(), QPoint());
            return eventFilter(watched, &menu);
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        m_keyActivation = false;
        if (onViewport) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            m_lastButton = mouse->button() == Qt::RightButton ? 2 : 1;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (onViewport) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (view->indexAt(mouse->position().toPoint()).isValid()) {
                // A row click: the popup when the right button was pressed.
                if (m_lastButton == 2)
                    Q_EMIT popupRequested(mouse->globalPosition().toPoint());
                m_lastButton = 0;
            }
        }
        break;
    case QEvent::MouseMove:
        if (onViewport) {
            m_pointing.start(); // the user moves it: aiming, unlike a view shown under it
            const auto* mouse = static_cast<QMouseEvent*>(event);
            m_aimed = view->indexAt(mouse->position().toPoint());
            pointerAt(view, mouse->position().toPoint(), mouse->buttons());
        }
        break;
    case QEvent::Enter:
        // Also when a dialog closes over a resting pointer: the rows under it may have changed.
        if (onViewport) {
            const auto* enter = static_cast<QEnterEvent*>(event);
            pointerAt(view, enter->position().toPoint(), QGuiApplication::mouseButtons());
        }
        break;
    case QEvent::Leave:
        if (onViewport)
            m_hoverView = nullptr;
        break;
    case QEvent::ContextMenu: {
        const auto* menu = static_cast<QContextMenuEvent*>(event);
        if (menu->reason() != QContextMenuEvent::Keyboard)
            return true; // the mouse's popup comes with the row click
        const QModelIndex current = m_selection->currentIndex();
        if (m_model->rowCount() > 0 && current.isValid()) {
            const QRect rect = view->visualRect(current);
            Q_EMIT popupRequested(view->viewport()->mapToGlobal(rect.center()));
        }
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
