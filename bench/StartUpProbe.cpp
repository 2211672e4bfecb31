// The program's start-up, as main() carries it out, up to the window on screen: the version
// check against the document at argv[1], then FrmMain. The "최신버전 입니다." box that main()
// shows in between waits for the player, so it is left out. Prints "shown" once the window is
// on screen.

#include <QApplication>

#include <cstdio>

#include "app/FrmMain.h"
#include "app/VersionCheck.h"
#include "bench/BenchWindow.h"

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 64;
    const QString versionUrl = QString::fromLocal8Bit(argv[1]);
    QApplication app(argc, argv);
    const auto qtTexts = prepareApplication();

    try {
        if (!CheckVersion(versionUrl))
            return 1;
    } catch (const VersionCheckError &) {
        return 2;
    }

    FrmMain window;
    window.show();
    if (!velmora::bench::waitUntilShown(window))
        return 3;
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
