#include "SortArrowHeader.h"

#include <QKeyEvent>
#include <QPainter>
#include <QPolygon>
#include <QStyleOptionFocusRect>

namespace {

// The arrow's size in pixels, and its gap to the section's right edge.
constexpr int ArrowWidth = 7;
constexpr int ArrowHeight = 4;
constexpr int ArrowMargin = 6;

} // namespace

SortArrowHeader::SortArrowHeader(QWidget* parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSortIndicatorShown(false);
    setFocusPolicy(Qt::TabFocus);
}

int SortArrowHeader::keySection() const
{
    return m_keyVisual >= 0 && m_keyVisual < count() ? logicalIndex(m_keyVisual) : -1;
}

int SortArrowHeader::nextShown(int from, int step) const
{
    for (int visual = from + step; visual >= 0 && visual < count(); visual += step) {
        if (!isSectionHidden(logicalIndex(visual)))
            return visual;
    }
    return from;
}

void SortArrowHeader::keyPressEvent(QKeyEvent* event)
{
    const int before = m_keyVisual;
    switch (event->key()) {
    case Qt::Key_Left:
        m_keyVisual = nextShown(m_keyVisual, -1);
        break;
    case Qt::Key_Right:
        m_keyVisual = nextShown(m_keyVisual, 1);
        break;
    case Qt::Key_Home:
        m_keyVisual = nextShown(-1, 1);
        break;
    case Qt::Key_End:
        m_keyVisual = nextShown(count(), -1);
        break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (keySection() >= 0)
            Q_EMIT sectionClicked(keySection());
        return;
    default:
        QHeaderView::keyPressEvent(event);
        return;
    }
    if (m_keyVisual != before)
        viewport()->update();
}

void SortArrowHeader::focusInEvent(QFocusEvent* event)
{
    QHeaderView::focusInEvent(event);
    // Each visit starts at the sorted column: it says how the list is sorted now.
    m_keyVisual = m_section >= 0 && m_section < count() && !isSectionHidden(m_section)
                      ? visualIndex(m_section)
                      : nextShown(-1, 1);
    viewport()->update();
}

void SortArrowHeader::focusOutEvent(QFocusEvent* event)
{
    QHeaderView::focusOutEvent(event);
    viewport()->update();
}

void SortArrowHeader::setArrow(int section, bool up)
{
    if (section == m_section && up == m_up)
        return;
    m_section = section;
    m_up = up;
    viewport()->update();
}

void SortArrowHeader::paintEvent(QPaintEvent* event)
{
    QHeaderView::paintEvent(event);
    if (hasFocus() && keySection() >= 0) {
        QPainter painter(viewport());
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = QRect(sectionViewportPosition(keySection()), 0, sectionSize(keySection()),
                           viewport()->height())
                         .adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
    }
    if (m_section < 0 || m_section >= count() || isSectionHidden(m_section))
        return;
    const QRect rect(sectionViewportPosition(m_section), 0, sectionSize(m_section),
                     viewport()->height());
    if (rect.width() < ArrowWidth + 2 * ArrowMargin)
        return;
    const int left = rect.right() - ArrowMargin - ArrowWidth;
    const int top = rect.center().y() - ArrowHeight / 2;
    const int bottom = top + ArrowHeight - 1;
    const int apex = left + ArrowWidth / 2;
    // Rows of pixels, the apex row one pixel wide, so the shape is exact at any scale.
    QPainter painter(viewport());
    const QColor ink = palette().color(QPalette::ButtonText);
    for (int i = 0; i < ArrowHeight; ++i) {
        const int y = m_up ? top + i : bottom - i;
        painter.fillRect(QRect(apex - i, y, 2 * i + 1, 1), ink);
    }
}
