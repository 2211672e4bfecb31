#include <QApplication>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // The window tests draw on Qt's offscreen platform unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#ifdef Q_OS_WIN
    // Windows names the folders QStandardPaths hands out through its known-folder API, not the
    // environment; Qt's test mode moves them into folders of their own ("…\AppData\Local\qttest"),
    // away from the player's. All window test programs share those, so they run one at a time.
    QStandardPaths::setTestModeEnabled(true);
#else
    // No session bus for the tests: Qt's D-Bus thread would only add noise (and a leak report
    // under AddressSanitizer).
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        qputenv("DBUS_SESSION_BUS_ADDRESS", "disabled:");
    // What the window keeps between runs goes to folders of this test program's own, never to the
    // player's: QStandardPaths takes them from here.
    QTemporaryDir home;
    if (!home.isValid())
        return 2;
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath(QStringLiteral("cache"))));
    // Local sockets too (the folder is the player's only, as the runtime folder must be).
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(home.path()));
#endif
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
