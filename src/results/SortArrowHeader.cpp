#include "SortArrowHeader.h"

#include <QPainter>
#include <QPolygon>

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
