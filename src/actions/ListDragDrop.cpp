#include "ListDragDrop.h"

#include "MClipFileCopy.h"
#include "platform/FileUri.h"
#include "results/DropTargetMark.h"
#include "results/ResultList.h"
#include "results/ResultModel.h"

#include <QDrag>
#include <QDropEvent>
#include <QListView>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

ListDragDrop::ListDragDrop(ResultList& list, std::function<bool()> canDrag, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_canDrag(std::move(canDrag))
{
    const auto all = views();
    for (size_t i = 0; i < all.size(); ++i) {
        all[i]->viewport()->setAcceptDrops(true);
        all[i]->viewport()->installEventFilter(this);
        m_marks[i] = new DropTargetMark(all[i]->viewport());
    }
    list.setDragStarter([this] { startDrag(); });
    for (QAbstractItemView* view : all) {
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &ListDragDrop::reframe);
        connect(view->horizontalScrollBar(), &QScrollBar::valueChanged, this,
                &ListDragDrop::reframe);
    }
    const ResultModel* model = list.model();
    connect(model, &QAbstractItemModel::layoutChanged, this, &ListDragDrop::reframe);
    connect(model, &QAbstractItemModel::rowsInserted, this, &ListDragDrop::reframe);
    connect(model, &QAbstractItemModel::rowsRemoved, this, &ListDragDrop::reframe);
    connect(model, &QAbstractItemModel::modelReset, this, &ListDragDrop::reframe);
    m_recheck = new QTimer(this);
    m_recheck->setInterval(100);
    connect(m_recheck, &QTimer::timeout, this, [this] {
        if (movedAway(m_recheckPath)) {
            m_recheck->stop();
            Q_EMIT targetMovedFiles();
        } else if (--m_rechecksLeft <= 0) {
            m_recheck->stop();
        }
    });
}

ListDragDrop::~ListDragDrop()
{
    m_list.setDragStarter({});
}

Qt::DropAction ListDragDrop::effectFor(Qt::KeyboardModifiers keys, Qt::DropAction proposed)
{
    const Qt::KeyboardModifiers held =
        keys & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (held == Qt::ShiftModifier)
        return Qt::MoveAction;
    if (held == Qt::ControlModifier)
        return Qt::CopyAction;
    if (held == Qt::AltModifier)
        return Qt::IgnoreAction;
    return proposed;
}

QList<QByteArray> ListDragDrop::droppedPaths(const QMimeData& data)
{
    QList<QByteArray> paths;
    // The raw list, not QMimeData::urls(): names that are not UTF-8 keep their bytes.
    for (const QByteArray& line : data.data(QStringLiteral("text/uri-list")).split('\n')) {
        const QByteArray uri = line.trimmed();
        if (uri.isEmpty() || uri.startsWith('#'))
            continue;
        if (const std::optional<QByteArray> path = pathFromFileUri(uri); path && !path->isEmpty())
            paths.append(*path);
    }
    return paths;
}

QModelIndex ListDragDrop::folderIndexAt(QAbstractItemView& view, const QPoint& pos) const
{
    const QModelIndex index = view.indexAt(pos);
    if (!index.isValid())
        return {};
    // Only the icon and name count, as in a file manager; the other cells of the row do not.
    const QModelIndex name = index.siblingAtColumn(ResultModel::Name);
    if (!view.visualRect(name).contains(pos) || !name.data(ResultModel::FolderRole).toBool())
        return {};
    return name;
}

QByteArray ListDragDrop::folderAt(QAbstractItemView& view, const QPoint& pos) const
{
    const QModelIndex name = folderIndexAt(view, pos);
    return name.isValid() ? name.data(ResultModel::PathRole).toByteArray() : QByteArray();
}

void ListDragDrop::frameRow(QAbstractItemView* view, const QModelIndex& row)
{
    if (m_framedView && m_framedView != view)
        markOf(*m_framedView)->frame({});
    m_framedView = row.isValid() ? view : nullptr;
    m_framedRow = row;
    m_framed = row.isValid() ? row.data(ResultModel::PathRole).toByteArray() : QByteArray();
    if (view)
        markOf(*view)->frame(row.isValid() ? view->visualRect(row) : QRect());
}

void ListDragDrop::reframe()
{
    if (!m_framedView)
        return;
    // Rows found while the drag rests move the row, or scroll it back under the pointer: the
    // frame goes with it. A row gone takes the frame, and the drop, with it.
    if (!m_framedRow.isValid()) {
        frameRow(m_framedView, {});
        return;
    }
    markOf(*m_framedView)->frame(m_framedView->visualRect(m_framedRow));
}

DropTargetMark* ListDragDrop::markOf(const QAbstractItemView& view) const
{
    return &view == views()[0] ? m_marks[0] : m_marks[1];
}

void ListDragDrop::startDrag()
{
    if (m_dragging || (m_canDrag && !m_canDrag()))
        return;
    m_selected = m_list.GetSelectedFiles();
    m_selected.removeAll(QByteArray());
    if (m_selected.isEmpty())
        return;
    auto* drag = new QDrag(&m_list);
    drag->setMimeData(fileListMimeData(m_selected));
    m_dragging = true;
    m_droppedHere = false;
    m_recheck->stop();
    const Qt::DropAction effect = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    m_dragging = false;
    // A drop onto our own rows has asked its own question.
    if (!m_droppedHere)
        dragEnded(m_selected, effect);
}

void ListDragDrop::dragEnded(const QList<QByteArray>& paths, Qt::DropAction effect)
{
    m_recheck->stop();
    // A target that moved the files (reporting no effect, or a move) leaves rows that no
    // longer exist.
    if (paths.isEmpty() || (effect != Qt::IgnoreAction && effect != Qt::MoveAction))
        return;
    if (movedAway(paths.first())) {
        Q_EMIT targetMovedFiles();
        return;
    }
    m_recheckPath = paths.first();
    m_rechecksLeft = 20;
    m_recheck->start();
}

bool ListDragDrop::movedAway(const QByteArray& path) const
{
    return !entryExists(path) && m_list.model()->rowOfPath(path) >= 0;
}

std::array<QAbstractItemView*, 2> ListDragDrop::views() const
{
    return {m_list.detailsView(), m_list.iconView()};
}

QAbstractItemView* ListDragDrop::viewOf(QObject* watched) const
{
    for (QAbstractItemView* view : views()) {
        if (watched == view->viewport())
            return view;
    }
    return nullptr;
}

bool ListDragDrop::dragMove(QAbstractItemView& view, QDropEvent& event)
{
    const QPoint pos = event.position().toPoint();
    const int rowHeight = qMax(1, view.visualRect(view.model()->index(0, 0)).height());
    const int height = view.viewport()->height();
    QScrollBar* bar = view.verticalScrollBar();
    bool scrolledUp = false;
    if (pos.y() > height - 2 * rowHeight)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    if (pos.y() < 2 * rowHeight && bar->value() > bar->minimum()) {
        // While the list scrolls up the rows move under the pointer: no drop there. At the
        // top the first rows stay droppable.
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
        scrolledUp = true;
    }
    m_list.dragAt(&view, pos);
    const QModelIndex folder = folderIndexAt(view, pos);
    const Qt::DropAction proposed = scrolledUp ? Qt::IgnoreAction : event.proposedAction();
    const Qt::DropAction effect =
        folder.isValid() ? effectFor(event.modifiers(), proposed) : Qt::IgnoreAction;
    const bool droppable = effect != Qt::IgnoreAction && (event.possibleActions() & effect);
    frameRow(&view, droppable ? folder : QModelIndex());
    if (!droppable)
        return false;
    event.setDropAction(effect);
    return true;
}

void ListDragDrop::drop(QAbstractItemView& view, QDropEvent& event)
{
    const QByteArray framed = m_framed;
    frameRow(&view, {});
    m_list.dragAt(nullptr, {});
    const QByteArray folder = folderAt(view, event.position().toPoint());
    const Qt::DropAction effect = effectFor(event.modifiers(), Qt::CopyAction);
    // Rows that arrived since the last move may have put another folder under the pointer:
    // the drop goes only where the frame showed it would.
    if (folder.isEmpty() || folder != framed || effect == Qt::IgnoreAction ||
        !(event.possibleActions() & effect)) {
        event.ignore();
        return;
    }
    const bool move = effect == Qt::MoveAction;
    event.setDropAction(effect);
    event.accept();
    if (m_dragging) {
        m_droppedHere = true;
        Q_EMIT rowsDropped(m_selected, folder, move);
    } else if (const QList<QByteArray> paths = droppedPaths(*event.mimeData()); !paths.isEmpty()) {
        Q_EMIT filesDropped(paths, folder, move);
    }
}

bool ListDragDrop::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* view = viewOf(watched);
    if (!view)
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* move = static_cast<QDragMoveEvent*>(event);
        const bool fileList = move->mimeData()->hasFormat(QStringLiteral("text/uri-list"));
        if (fileList && dragMove(*view, *move)) {
            move->accept();
        } else if (fileList && event->type() == QEvent::DragEnter) {
            // Accepted with no effect, so that the moves over the rows still come here.
            move->setDropAction(Qt::IgnoreAction);
            move->accept();
        } else {
            move->ignore();
        }
        return true;
    }
    case QEvent::Drop:
        drop(*view, *static_cast<QDropEvent*>(event));
        return true;
    case QEvent::DragLeave:
        frameRow(view, {});
        m_list.dragAt(nullptr, {});
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
