#include <QApplication>

#include "app/FrmMain.h"
#include "app/VersionCheck.h"
#include "app/WindowLoss.h"
#include "velmora_config.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const auto qtTexts = prepareApplication();

    // No window exists before the release has been checked.
    if (const VersionVerdict verdict = passVersionCheck(QString::fromUtf8(velmora::config::versionUrl));
        verdict != VersionVerdict::current)
        return exitStatus(verdict);

    FrmMain window;
    window.show();
    velmora::ClosesWhenWindowLost windowLoss(window);
    app.installNativeEventFilter(&windowLoss);
    return app.exec();
}
