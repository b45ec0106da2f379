#pragma once

#include <functional>

#include <QListView>
#include <QStringList>
#include <QStyledItemDelegate>

class QFontMetrics;

/// Draws a row in the Large Icons view as a desktop's icon view does: the icon centred at
/// the top of its cell, the name under it on up to two lines, broken between words where it
/// can and anywhere where it must, and cut short with "…" only beyond the second line.
class LargeIconDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    /// A delegate for cells of `cellSize` pixels with icons of `iconSize`.
    LargeIconDelegate(QSize cellSize, QSize iconSize, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LargeIconDelegate)

    /// Lines of `text` as it shows in `width` pixels with `metrics`: at most `maxLines` (the
    /// last one cut short when the name goes on), or every line when `maxLines` is 0.
    static QStringList nameLines(const QString& text, const QFontMetrics& metrics, int width,
                                 int maxLines);

    /// The cell and icon sizes.
    void setSizes(QSize cellSize, QSize iconSize);
    /// Every cell is the size given.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    /// Icon and up to two lines of name; a selected cell highlights its lines.
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    /// Draws the whole name of `index` below its icon, over whatever lies beneath, with the
    /// cell's highlight: how the current row shows its full name.
    void paintWholeName(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const;

    /// The most lines a name takes in a cell that is not the current one.
    static constexpr int CellLines = 2;

private:
    /// Paints the name's lines; returns the area they took.
    QRect paintLines(QPainter* painter, const QStyleOptionViewItem& option,
                     const QStringList& lines, bool fillBehind) const;
    QRect textRect(const QRect& cell) const;

    QSize m_cell;
    QSize m_icon;
};

/// The List and Large Icons view of the result list. In Large Icons the current row shows
/// its whole name, drawn over its neighbours, once the cells are drawn.
class ResultIconView final : public QListView {
    Q_OBJECT
public:
    /// An empty view owned by `parent`.
    explicit ResultIconView(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(ResultIconView)

    /// Uses `delegate` for the Large Icons cells (null for the standard one of List).
    void setLargeIcons(LargeIconDelegate* delegate);
    /// Called instead of the standard drag of the selected rows, when set.
    std::function<void()> dragStarter;

protected:
    void paintEvent(QPaintEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    /// In List (columns filled top to bottom), Page Down and Page Up move a screenful of
    /// columns: QListView would only move within the current column.
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    LargeIconDelegate* m_large = nullptr;
    QAbstractItemDelegate* m_standard = nullptr;
};
