#include "app/CommandLine.h"

#include "app/Terminal.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStringList>

namespace velmora {

namespace {

// Options of Qt's own that take a value: their value is no set file.
const QStringList qtOptionsWithValue = {"platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
                                        "style", "stylesheet", "display", "geometry", "title", "qwindowgeometry",
                                        "qwindowtitle", "qwindowicon", "session"};
const QStringList qtOptionsAlone = {"nograb", "dograb", "sync", "reverse", "widgetcount", "testability"};

} // namespace

CommandLine readCommandLine(int argc, const char *const *argv)
{
    const QStringList arguments = programArguments(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("벨모라 아이템 시뮬레이터: 아이템을 검색해 장비 목록을 만들고 예상 스탯치를 계산합니다.\n"
                       "장비 목록과 추가 설정은 바꿀 때마다 저절로 보관되어 다음 시작 때 다시 열립니다."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("이 도움말을 보여 줍니다."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("프로그램의 버전을 보여 줍니다."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("창이 열리면 열 세트 파일 (.velmora)"),
                                 QStringLiteral("[FILE]"));
    // Qt's options are Qt's: they are not ours to refuse.
    for (const QString &name : qtOptionsWithValue)
        parser.addOption(QCommandLineOption(name, QString(), QStringLiteral("value")));
    for (const QString &name : qtOptionsAlone)
        parser.addOption(QCommandLineOption(name));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);

    CommandLine read;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        // Written here rather than by the parser, which would list Qt's options too.
        read.answer = QStringLiteral("사용법: velmora [FILE]\n"
                                     "%1\n\n"
                                     "  -h, --help     이 도움말을 보여 줍니다.\n"
                                     "  -v, --version  프로그램의 버전을 보여 줍니다.\n\n"
                                     "  FILE           창이 열리면 열 세트 파일 (.velmora)\n")
                          .arg(parser.applicationDescription())
                          .toStdString();
        return read;
    }
    if (parser.isSet(version)) {
        read.answer = "velmora " VELMORA_VERSION "\n";
        return read;
    }
    if (!parsed) {
        read.answer = QStringLiteral("velmora: %1\n'velmora --help'로 사용법을 볼 수 있습니다.\n")
                          .arg(parser.errorText())
                          .toStdString();
        read.status = 2;
        return read;
    }
    const QStringList files = parser.positionalArguments();
    if (files.size() > 1) {
        read.answer = "velmora: 세트 파일은 하나만 열 수 있습니다.\n";
        read.status = 2;
        return read;
    }
    if (!files.isEmpty())
        read.setFile = QDir::current().absoluteFilePath(files.constFirst());
    return read;
}

} // namespace velmora
