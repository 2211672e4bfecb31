#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>

class QWidget;

namespace velmora {

/// Ends the program when another program destroys the window's X window (XDestroyWindow, as
/// `xdotool windowclose` does). Qt only forgets the lost window and would run on with nothing on
/// screen and no way to close it; instead the window is closed as if the player had closed it,
/// which ends the program as a normal close does. Other window systems are left alone.
/// Install it with QCoreApplication::installNativeEventFilter once the window is shown.
class ClosesWhenWindowLost : public QAbstractNativeEventFilter {
public:
    explicit ClosesWhenWindowLost(QWidget &window);

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *result) override;

private:
    QPointer<QWidget> m_window;
};

} // namespace velmora
