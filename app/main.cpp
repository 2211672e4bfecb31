#include <QApplication>
#include <QTimer>

#include "app/CommandLine.h"
#include "app/FrmMain.h"
#include "app/SingleInstance.h"
#include "app/Terminal.h"
#include "app/VersionCheck.h"
#include "app/WindowLoss.h"
#include "velmora_config.h"

int main(int argc, char *argv[])
{
    // --help and --version answer on the terminal and start nothing, not even Qt's display.
    const velmora::CommandLine commandLine = velmora::readCommandLine(argc, argv);
    if (commandLine.answer) {
        velmora::printOnTerminal(*commandLine.answer, commandLine.status != 0);
        return commandLine.status;
    }

    QApplication app(argc, argv);
    const auto qtTexts = prepareApplication();

    // One program per player and data folder: a start while it runs hands its set file over
    // and ends, before it checks the release or shows anything.
    velmora::SingleInstance instance(velmora::instanceName());
    if (const velmora::InstanceStart start = instance.start(commandLine.setFile); start != velmora::InstanceStart::first)
        return velmora::exitStatus(start);

    // No window exists before the release has been checked.
    if (const VersionVerdict verdict = passVersionCheck(QString::fromUtf8(velmora::config::versionUrl));
        verdict != VersionVerdict::current)
        return exitStatus(verdict);

    FrmMain window;
    // What the player had when the program last ended, before the first frame shows.
    window.restoreWorkingSet();
    window.show();
    velmora::ClosesWhenWindowLost windowLoss(window);
    app.installNativeEventFilter(&windowLoss);
    // A set file named on the command line opens once the window is up, as a dropped one does.
    if (!commandLine.setFile.isEmpty())
        QTimer::singleShot(0, &window, [&window, &commandLine] { window.openSetFile(commandLine.setFile); });
    // What later starts handed over while the release was being checked comes now, after FILE.
    instance.deliverTo([&window](const QString &file) { window.comeForward(file); });
    return app.exec();
}
