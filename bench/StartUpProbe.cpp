// The program's start-up, as main() carries it out, up to the window on screen: the version
// check against the document at argv[1], then FrmMain, bringing back the working set kept in its
// data folder. The "최신버전 입니다." box that main() shows in between waits for the player,
// so it is left out. Prints "shown" once the window is on screen.
//   velmora_bench_startup_probe VERSION_URL [DATA_FOLDER ROWS]
// With DATA_FOLDER the program's data lives in DATA_FOLDER/data (the working set in
// DATA_FOLDER/data/velmora), and the probe fails unless the list shows ROWS rows once the
// window is up; without it, in a temporary folder that starts empty.

#include <QApplication>
#include <QTreeWidget>

#include <cstdio>
#include <cstdlib>

#include "app/FrmMain.h"
#include "app/VersionCheck.h"
#include "bench/BenchWindow.h"

int main(int argc, char *argv[])
{
    if (argc != 2 && argc != 4)
        return 64;
    const QString versionUrl = QString::fromLocal8Bit(argv[1]);
    if (argc == 4)
        velmora::bench::useDataFolders(QString::fromLocal8Bit(argv[2]));
    else
        velmora::bench::useTemporaryDataFolders();
    QApplication app(argc, argv);
    const auto qtTexts = prepareApplication();

    try {
        if (!CheckVersion(versionUrl))
            return 1;
    } catch (const VersionCheckError &) {
        return 2;
    }

    FrmMain window;
    window.restoreWorkingSet();
    window.show();
    if (!velmora::bench::waitUntilShown(window))
        return 3;
    // A start-up that did not bring the working set back measured something else.
    if (argc == 4 && velmora::bench::child<QTreeWidget>(window, "LV2")->topLevelItemCount() != std::atoi(argv[3]))
        return 4;
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
