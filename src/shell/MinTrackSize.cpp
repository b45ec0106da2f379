#include "MinTrackSize.h"

#include <QCoreApplication>
#include <QScreen>
#include <QWidget>

MinMaxInfoEvent::MinMaxInfoEvent()
    : QEvent(message())
{}

QEvent::Type MinMaxInfoEvent::message()
{
    static const auto type = QEvent::Type(QEvent::registerEventType());
    return type;
}

void MinMaxInfoEvent::query(QWidget* window)
{
    MinMaxInfoEvent info;
    if (const QScreen* screen = window->screen()) {
        const QRect available = screen->availableGeometry();
        info.ptMaxSize = QPoint(available.width(), available.height());
        info.ptMaxPosition = available.topLeft();
    }
    info.ptMinTrackSize = QPoint(0, 0);
    info.ptMaxTrackSize = QPoint(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    QCoreApplication::sendEvent(window, &info);
    QPoint least(qMax(0, info.ptMinTrackSize.x()), qMax(0, info.ptMinTrackSize.y()));
    if (!info.ptMaxSize.isNull()) // a minimum beyond the screen would stop maximising
        least = QPoint(qMin(least.x(), info.ptMaxSize.x()), qMin(least.y(), info.ptMaxSize.y()));
    window->setMinimumSize(least.x(), least.y());
    window->setMaximumSize(qBound(0, info.ptMaxTrackSize.x(), QWIDGETSIZE_MAX),
                           qBound(0, info.ptMaxTrackSize.y(), QWIDGETSIZE_MAX));
}

MinTrackSize::MinTrackSize(QWidget* window)
    : m_window(window)
{}

MSubclass::SubclassError MinTrackSize::attach()
{
    return MSubclass::AttachMessage(this, m_window, MinMaxInfoEvent::message());
}

MSubclass::SubclassError MinTrackSize::detach()
{
    const MSubclass::SubclassError error =
        MSubclass::DetachMessage(this, m_window, MinMaxInfoEvent::message());
    if (error.ok())
        MinMaxInfoEvent::query(m_window);
    return error;
}

void MinTrackSize::setMinTrack(int width, int height)
{
    m_width = qMax(0, width);
    m_height = qMax(0, height);
    MinMaxInfoEvent::query(m_window);
}

EMsgResponse MinTrackSize::MsgResponse()
{
    m_response = emrConsume;
    return emrConsume;
}

bool MinTrackSize::WindowProc(QObject*, QEvent* event)
{
    if (event->type() != MinMaxInfoEvent::message())
        return false;
    auto* info = static_cast<MinMaxInfoEvent*>(event);
    info->ptMinTrackSize = QPoint(m_width, m_height);
    return true;
}
