#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QMetaObject>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <stdexcept>
#include <string>

namespace velmora::bench {

/// Runs the event loop until `window` is on screen (exposed, so its first frame has been
/// painted). Unlike QTest's waiting this does not sleep in 10 ms steps, so start-up times are
/// not rounded up. False after `timeoutMs`.
inline bool waitUntilShown(QWidget &window, int timeoutMs = 10'000)
{
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    // Wakes the loop now and then, so a missed expose event cannot leave it waiting for ever.
    QTimer tick;
    tick.start(5);
    while (!(window.windowHandle() && window.windowHandle()->isExposed())) {
        if (!deadline.isActive())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    QCoreApplication::processEvents();
    return true;
}

/// Does `act` (a click on the window, say) the way the player's input reaches the window in the
/// program: from inside the window's running event loop, which turns once more after the handler
/// before this returns. What the handler posted is delivered then, and what it handed to
/// deleteLater() (a replaced result list) is destroyed, as in the program. Calling `act` with no
/// event loop running and QCoreApplication::processEvents() after it is not the same: Qt delivers
/// a deferred delete only in an event loop further out than the one that asked for it, and one
/// asked for outside every loop waits until some loop runs, so the object would live on.
inline void inEventLoop(const std::function<void()> &act)
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        act();
        // Queued behind what the handler posted, deferred deletes included.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    // What the loop's last pass posted in turn (the memory handed back once a replaced list is
    // gone) runs in the program's next pass.
    QCoreApplication::sendPostedEvents();
}

/// The child of `window` with this objectName; throws when there is none, so that a benchmark
/// never times a missing control.
template <typename T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("the window has no control named ") + name);
    return found;
}

/// Points XDG_DATA_HOME, XDG_CONFIG_HOME and XDG_CACHE_HOME at `folder`/data, `folder`/config and
/// `folder`/cache, for this process and the programs it starts.
inline void useDataFolders(const QString &folder)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/config")));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(folder + QStringLiteral("/cache")));
}

/// What the window keeps between runs (the working set) goes to a temporary folder of this
/// process's own, removed when it ends, never to the player's ~/.local/share/velmora: a
/// benchmark's window writes its working set on every change. Returns the folder; called again,
/// the same one.
inline QString useTemporaryDataFolders()
{
    static QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/velmora-bench-XXXXXX"));
    if (!folder.isValid())
        throw std::runtime_error("cannot make a temporary data folder: " + folder.errorString().toStdString());
    useDataFolders(folder.path());
    return folder.path();
}

/// Window benchmarks run on Qt's offscreen platform unless the caller chose another, and keep
/// their data in a temporary folder.
inline void useOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    useTemporaryDataFolders();
}

} // namespace velmora::bench
