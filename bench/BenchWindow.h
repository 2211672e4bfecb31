#pragma once

#include <QApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>

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

/// The child of `window` with this objectName; throws when there is none, so that a benchmark
/// never times a missing control.
template <typename T> T *child(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        throw std::runtime_error(std::string("the window has no control named ") + name);
    return found;
}

/// Points XDG_DATA_HOME and XDG_CONFIG_HOME at `folder`/data and `folder`/config, for this
/// process and the programs it starts.
inline void useDataFolders(const QString &folder)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder + QStringLiteral("/data")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder + QStringLiteral("/config")));
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
