#include "FittedDialog.h"

#include <QLayout>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

void FittedDialog::showEvent(QShowEvent* event)
{
    const bool placing = !event->spontaneous();
    const QScreen* shownOn = screen();
    // The window manager's title bar comes on top of the dialog's own size and place.
    const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const QRect room = shownOn ? shownOn->availableGeometry().adjusted(0, title, 0, 0) : QRect();
    if (placing) {
        QSize fitted = size();
        if (const QLayout* box = layout(); box && box->hasHeightForWidth()) {
            fitted.setHeight(qMax(fitted.height(), box->totalHeightForWidth(fitted.width())));
            // Too tall for the screen: the texts take its whole width before they are cut.
            if (room.isValid() && fitted.height() > room.height() &&
                fitted.width() < room.width()) {
                fitted.setWidth(room.width());
                fitted.setHeight(box->totalHeightForWidth(fitted.width()));
            }
        }
        if (room.isValid())
            fitted = fitted.boundedTo(room.size()).expandedTo(minimumSize());
        if (fitted != size())
            resize(fitted);
    }
    // QDialog places itself over its parent by the size it has now, within the screen by
    // the dialog alone: its title bar could stay above the screen's top edge.
    QDialog::showEvent(event);
    if (placing && room.isValid() && y() < room.top())
        move(x(), room.top());
}
