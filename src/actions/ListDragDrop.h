#pragma once

#include <QByteArray>
#include <QList>
#include <QModelIndex>
#include <QObject>
#include <QPersistentModelIndex>

#include <array>
#include <functional>

class DropTargetMark;
class QAbstractItemView;
class QDropEvent;
class QMimeData;
class QPoint;
class QTimer;
class ResultList;

/// Files dragged out of the result list and dropped onto its folder rows. Drags carry the
/// selected rows' paths as a file list (copy or move allowed); a drop onto the icon or name of
/// a folder row copies (no key, Ctrl) or moves (Shift) into that folder; Alt refuses. The
/// folder a drop would go into is framed while the drag is over it. Near the list's top and
/// bottom edges a drag scrolls the list.
class ListDragDrop final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ListDragDrop)
public:
    /// Watches both views of `list`; `canDrag` says whether rows may be dragged now (no
    /// search running). `list` must outlive this.
    ListDragDrop(ResultList& list, std::function<bool()> canDrag, QObject* parent = nullptr);
    ~ListDragDrop() override;

    /// The drop effect over a folder row for the keys held: Shift alone moves, Ctrl alone
    /// copies, Alt alone refuses; other keys keep `proposed`.
    static Qt::DropAction effectFor(Qt::KeyboardModifiers keys, Qt::DropAction proposed);
    /// The local paths (exact bytes) of the file:// URIs in `data`'s uri-list; others skipped.
    static QList<QByteArray> droppedPaths(const QMimeData& data);
    /// The path of the folder row whose icon or name is at `pos` in `view`'s viewport; empty
    /// when there is none.
    QByteArray folderAt(QAbstractItemView& view, const QPoint& pos) const;
    /// The paths the current (or last) drag started here carries.
    const QList<QByteArray>& SelectedFiles() const { return m_selected; }

    /// Starts a drag of the selected rows; returns when it has ended.
    void startDrag();
    /// A drag of `paths` out of this list ended with `effect`. A target that moves the files
    /// itself reports no effect or a move; on X11 the drag ends as the drop is handed over,
    /// before the target has moved anything, so a first item still there is looked for again
    /// for two seconds. Gone while its row is still listed (not deleted here meanwhile), it
    /// gives targetMovedFiles().
    void dragEnded(const QList<QByteArray>& paths, Qt::DropAction effect);

Q_SIGNALS:
    /// Rows of this list were dropped onto the folder row `folder`.
    void rowsDropped(const QList<QByteArray>& paths, const QByteArray& folder, bool move);
    /// Files from another program were dropped onto the folder row `folder`.
    void filesDropped(const QList<QByteArray>& paths, const QByteArray& folder, bool move);
    /// A drag from here ended elsewhere and its first item is gone: the target moved them.
    void targetMovedFiles();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<QAbstractItemView*, 2> views() const;
    QAbstractItemView* viewOf(QObject* watched) const;
    /// The name cell of the folder row whose icon or name is at `pos`; invalid when none.
    QModelIndex folderIndexAt(QAbstractItemView& view, const QPoint& pos) const;
    DropTargetMark* markOf(const QAbstractItemView& view) const;
    /// Whether `path` is gone while its row is still listed.
    bool movedAway(const QByteArray& path) const;
    bool dragMove(QAbstractItemView& view, QDropEvent& event);
    /// Frames `row` of `view` (an invalid row: nothing), and keeps the frame on it while rows
    /// arrive or the view scrolls.
    void frameRow(QAbstractItemView* view, const QModelIndex& row);
    /// Puts the frame where its row is now.
    void reframe();
    void drop(QAbstractItemView& view, QDropEvent& event);

    ResultList& m_list;
    std::array<DropTargetMark*, 2> m_marks{}; // one per view, over its rows
    std::function<bool()> m_canDrag;
    QList<QByteArray> m_selected;
    QByteArray m_framed;               // the folder a drop now goes to, as the frame shows it
    QPersistentModelIndex m_framedRow; // its row, which the frame follows
    QAbstractItemView* m_framedView = nullptr; // the view it is framed in
    bool m_dragging = false;
    bool m_droppedHere = false;
    QTimer* m_recheck = nullptr; // looks for the dragged item again after a drag out
    QByteArray m_recheckPath;
    int m_rechecksLeft = 0;
};
