#include "FittedDialog.h"

#include <QLayout>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>

void FittedDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous()) {
        QSize fitted = size();
        if (const QLayout* box = layout(); box && box->hasHeightForWidth())
            fitted.setHeight(qMax(fitted.height(), box->totalHeightForWidth(fitted.width())));
        if (const QScreen* shownOn = screen()) {
            // The window manager's title bar comes on top of the dialog's own size.
            const int title = style()->pixelMetric(QStyle::PM_TitleBarHeight);
            fitted = fitted.boundedTo(shownOn->availableGeometry().size() - QSize(0, title))
                         .expandedTo(minimumSize());
        }
        if (fitted != size())
            resize(fitted);
    }
    // Last: QDialog places itself over its parent by the size it has now.
    QDialog::showEvent(event);
}
