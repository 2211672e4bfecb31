// The floor of start-up: a bare Qt program that makes one request with Qt Network (the version
// document at argv[1]) and then shows an empty QMainWindow. Prints "shown" once the window is on
// screen. With a second argument "hangul" the window holds one label of Korean text in the
// program's fonts: what any window with Korean text pays on top of the bare one (finding and
// loading the Hangul face, shaping and drawing the glyphs).

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMainWindow>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <cstdio>
#include <memory>

#include "bench/BenchWindow.h"

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 64;
    const QUrl versionUrl = QUrl::fromEncoded(QByteArray(argv[1]));
    velmora::bench::useTemporaryDataFolders(); // as the program's probe does
    QApplication app(argc, argv);

    QNetworkAccessManager manager;
    std::unique_ptr<QNetworkReply> reply(manager.get(QNetworkRequest(versionUrl)));
    if (!reply->isFinished()) {
        QEventLoop loop;
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (reply->error() != QNetworkReply::NoError || reply->readAll().isEmpty())
        return 2;

    QMainWindow window;
    window.resize(1034, 570); // the program's window size, so both paint as many pixels
    if (argc > 2 && QByteArray(argv[2]) == "hangul") {
        QFont font;
        font.setFamilies({QStringLiteral("맑은 고딕"), QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR")});
        font.setPointSize(9);
        window.setFont(font);
        window.setCentralWidget(new QLabel(QStringLiteral("벨모라 아이템 시뮬레이터: 검색어를 입력하세요"), &window));
    }
    window.show();
    if (!velmora::bench::waitUntilShown(window))
        return 3;
    std::fputs("shown\n", stdout);
    std::fflush(stdout);
    return 0;
}
