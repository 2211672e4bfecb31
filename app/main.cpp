#include <QApplication>
#include <QIcon>

#include "app/FrmMain.h"
#include "app/VersionCheck.h"
#include "velmora_config.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.png")));

    // No window exists before the release has been checked.
    if (const std::optional<int> end = passVersionCheck(QString::fromUtf8(velmora::config::versionUrl)))
        return *end;

    FrmMain window;
    window.show();
    return app.exec();
}
