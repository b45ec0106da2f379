#include "DropTargetMark.h"

#include <QPainter>

DropTargetMark::DropTargetMark(QWidget* viewport)
    : QWidget(viewport)
{
    setObjectName(QStringLiteral("dropTargetMark"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
}

void DropTargetMark::frame(const QRect& rect)
{
    if (rect.isEmpty()) {
        hide();
        return;
    }
    setGeometry(rect);
    raise();
    show();
}

void DropTargetMark::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = palette().color(QPalette::Highlight);
    painter.setPen(QPen(colour, 2));
    colour.setAlpha(48); // the row's text stays readable through it
    painter.setBrush(colour);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
}
