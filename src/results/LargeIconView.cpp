#include "LargeIconView.h"

#include "IconViewAccessible.h"

#include <algorithm>

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QTextLayout>

namespace {

constexpr int Padding = 2;
// A whole name of any length stays within this many lines.
constexpr int MostWholeLines = 8;

} // namespace

LargeIconDelegate::LargeIconDelegate(QSize cellSize, QSize iconSize, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_cell(cellSize)
    , m_icon(iconSize)
{}

void LargeIconDelegate::setSizes(QSize cellSize, QSize iconSize)
{
    m_cell = cellSize;
    m_icon = iconSize;
}

QStringList LargeIconDelegate::nameLines(const QString& text, const QFontMetrics& metrics,
                                         int width, int maxLines)
{
    if (text.isEmpty() || width < 1)
        return {text};
    QTextOption wrap;
    wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    QTextLayout layout(text);
    layout.setTextOption(wrap);
    // QTextLayout wants a font; the metrics' own font is not reachable, so lines are measured
    // with the metrics and broken by the layout at the widths they allow.
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        if (maxLines > 0 && lines.size() == maxLines - 1) {
            // The last line allowed takes the rest of the name, cut short if it must be.
            const QString rest = text.mid(line.textStart());
            lines << metrics.elidedText(rest, Qt::ElideRight, width);
            break;
        }
        lines << text.mid(line.textStart(), line.textLength());
    }
    layout.endLayout();
    for (QString& line : lines) {
        if (!line.endsWith(u' ') || line.trimmed().isEmpty())
            continue;
        line.chop(1); // the space a break was made at
    }
    return lines;
}

QSize LargeIconDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return m_cell;
}

QRect LargeIconDelegate::textRect(const QRect& cell) const
{
    return {cell.left() + Padding, cell.top() + Padding + m_icon.height() + Padding,
            cell.width() - 2 * Padding, cell.height()};
}

void LargeIconDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QRect cell = opt.rect;
    const QRect iconRect(cell.left() + (cell.width() - m_icon.width()) / 2, cell.top() + Padding,
                         m_icon.width(), m_icon.height());
    const bool selected = opt.state & QStyle::State_Selected;
    opt.icon.paint(painter, iconRect, Qt::AlignCenter, selected ? QIcon::Selected : QIcon::Normal);
    const QStringList lines =
        nameLines(opt.text, opt.fontMetrics, textRect(cell).width(), CellLines);
    const QRect text = paintLines(painter, opt, lines, selected);
    // The current item shows a focus frame, as the other views show theirs: without it a
    // keyboard user cannot see which icon the arrow keys will move from.
    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = (text.isEmpty() ? iconRect : text.united(iconRect)).adjusted(-1, -1, 1, 1);
        focus.backgroundColor = opt.palette.color(selected ? QPalette::Highlight : QPalette::Base);
        const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, opt.widget);
    }
}

void LargeIconDelegate::paintWholeName(QPainter* painter, const QStyleOptionViewItem& option,
                                       const QModelIndex& index) const
{
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    const QStringList lines =
        nameLines(opt.text, opt.fontMetrics, textRect(opt.rect).width(), MostWholeLines);
    if (lines.size() <= CellLines)
        return; // the cell shows it whole already
    paintLines(painter, opt, lines, true);
}

QRect LargeIconDelegate::paintLines(QPainter* painter, const QStyleOptionViewItem& option,
                                    const QStringList& lines, bool fillBehind) const
{
    QRect painted;
    const QRect area = textRect(option.rect);
    const int lineHeight = option.fontMetrics.height();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette::ColorGroup group =
        option.state & QStyle::State_Active ? QPalette::Active : QPalette::Inactive;
    painter->save();
    painter->setFont(option.font);
    for (int i = 0; i < lines.size(); ++i) {
        const int width = std::min(area.width(), option.fontMetrics.horizontalAdvance(lines[i]));
        const QRect line(area.left() + (area.width() - width) / 2, area.top() + i * lineHeight,
                         width, lineHeight);
        if (fillBehind) {
            painter->fillRect(
                line.adjusted(-Padding, 0, Padding, 0),
                option.palette.brush(group, selected ? QPalette::Highlight : QPalette::Base));
        }
        painter->setPen(
            option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(line, Qt::AlignCenter | Qt::TextSingleLine, lines[i]);
        painted = painted.united(line.adjusted(-Padding, 0, Padding, 0));
    }
    painter->restore();
    return painted;
}

ResultIconView::ResultIconView(QWidget* parent)
    : QListView(parent)
    , m_standard(itemDelegate())
{
    installIconViewAccessible();
}

void ResultIconView::setLargeIcons(LargeIconDelegate* delegate)
{
    m_large = delegate;
    setItemDelegate(delegate ? static_cast<QAbstractItemDelegate*>(delegate) : m_standard);
}

void ResultIconView::startDrag(Qt::DropActions supportedActions)
{
    if (dragStarter)
        dragStarter();
    else
        QListView::startDrag(supportedActions);
}

void ResultIconView::paintEvent(QPaintEvent* event)
{
    QListView::paintEvent(event);
    const QModelIndex current = currentIndex();
    if (!m_large || !current.isValid())
        return;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    option.rect = visualRect(current);
    if (!option.rect.intersects(viewport()->rect()))
        return;
    if (selectionModel() && selectionModel()->isSelected(current))
        option.state |= QStyle::State_Selected;
    if (hasFocus())
        option.state |= QStyle::State_HasFocus;
    QPainter painter(viewport());
    m_large->paintWholeName(&painter, option, current);
}

QModelIndex ResultIconView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const bool page = cursorAction == MovePageDown || cursorAction == MovePageUp;
    const QModelIndex current = currentIndex();
    const QSize cell = gridSize();
    if (!page || flow() != TopToBottom || !isWrapping() || !model() || !current.isValid() ||
        cell.isEmpty())
        return QListView::moveCursor(cursorAction, modifiers);
    const int rows = model()->rowCount(rootIndex());
    const int perColumn = std::max(1, viewport()->height() / cell.height());
    const int columns = std::max(1, viewport()->width() / cell.width());
    const int step = perColumn * columns;
    const int row = cursorAction == MovePageDown ? std::min(rows - 1, current.row() + step)
                                                 : std::max(0, current.row() - step);
    return model()->index(row, current.column(), rootIndex());
}

void ResultIconView::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    if (m_large)
        viewport()->update(); // the whole name may reach over the neighbours of either
}
