#include "app/FrmMain.h"

#include "velmora_config.h"

FrmMain::FrmMain(QWidget *parent) : FrmMain(QString::fromUtf8(velmora::config::siteBase), parent) {}

FrmMain::FrmMain(const QString &siteBase, QWidget *parent) : QMainWindow(parent), m_siteBase(siteBase)
{
    setWindowTitle(QStringLiteral("벨모라 아이템 시뮬레이터 - ver 1.3"));
    setFixedSize(1034, 545);
}
