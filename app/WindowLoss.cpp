#include "app/WindowLoss.h"

#include <QMetaObject>
#include <QWidget>

#ifndef Q_OS_WIN
#include <xcb/xproto.h>
#endif

namespace velmora {

ClosesWhenWindowLost::ClosesWhenWindowLost(QWidget &window) : m_window(&window) {}

#ifdef Q_OS_WIN
// On Windows only the program's own thread can destroy its window: there is no loss to watch.
bool ClosesWhenWindowLost::nativeEventFilter(const QByteArray &, void *, qintptr *)
{
    return false;
}
#else
bool ClosesWhenWindowLost::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t" || !m_window)
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
        return false;
    const auto *destroyed = static_cast<const xcb_destroy_notify_event_t *>(message);
    if (destroyed->window != static_cast<xcb_window_t>(m_window->internalWinId()))
        return false;
    // Closed from a queued call, once Qt has taken note of the loss (a filter sees the event
    // before Qt handles it).
    QMetaObject::invokeMethod(m_window, &QWidget::close, Qt::QueuedConnection);
    return false; // Qt still needs to hear that its window is gone
}
#endif

} // namespace velmora
