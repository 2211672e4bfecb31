#include <QApplication>
#include <QIcon>

#include "app/FrmMain.h"

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/velmora/velmora.png")));
    FrmMain window;
    window.show();
    return app.exec();
}
