#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/FrmMain.h"
#include "app/VersionCheck.h"
#include "velmora_config.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora-64.png")));
    // The whole program speaks Korean, so Qt's own buttons (확인, 취소) do too, whatever the
    // system's language; without Qt's translations installed they stay in English.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);

    // No window exists before the release has been checked.
    if (const std::optional<int> end = passVersionCheck(QString::fromUtf8(velmora::config::versionUrl)))
        return *end;

    FrmMain window;
    window.show();
    return app.exec();
}
