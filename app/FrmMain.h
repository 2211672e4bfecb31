#pragma once

#include <QMainWindow>
#include <QString>

/// The program's one window. Its controls come next; for now it carries its caption and size.
class FrmMain : public QMainWindow {
    Q_OBJECT

public:
    /// The window on the item database site built into the program.
    explicit FrmMain(QWidget *parent = nullptr);
    /// The window on the item database site at `siteBase` ("http://host:port").
    FrmMain(const QString &siteBase, QWidget *parent = nullptr);

private:
    QString m_siteBase;
};
