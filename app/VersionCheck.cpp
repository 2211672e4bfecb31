#include "app/VersionCheck.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>

#include <string>

#include "app/FailureText.h"
#include "app/FrmMain.h"
#include "itemdb/HttpRequester.h"
#include "stats/Numbers.h"
#include "stats/TextCut.h"

using namespace velmora;

bool CheckVersion(const QString &versionUrl)
{
    HttpRequester request;
    if (!request.open("GET", versionUrl.toStdString()) || !request.send())
        throw VersionCheckError("버전 정보를 받아오지 못했습니다: " + failureText(request.failure()).toStdString());
    const std::string document = request.responseText().value_or(std::string());

    const std::optional<std::string_view> release = piece(document, "//", 0);
    if (!release)
        throw VersionCheckError("버전 정보가 비어 있습니다.");
    const std::optional<double> number = readNumber(*release);
    if (!number)
        throw VersionCheckError("버전 정보에서 버전 번호를 읽을 수 없습니다.");
    return *number == releaseNumber;
}

namespace {

void showBox(QMessageBox::Icon icon, const QString &text)
{
    QMessageBox box(icon, QString(), text, QMessageBox::Ok);
    box.exec();
}

} // namespace

std::unique_ptr<QTranslator> prepareApplication()
{
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(iconResource)));
    auto qtTexts = std::make_unique<QTranslator>();
    if (!qtTexts->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QApplication::installTranslator(qtTexts.get());
    return qtTexts;
}

std::optional<int> passVersionCheck(const QString &versionUrl)
{
    bool current = false;
    try {
        current = CheckVersion(versionUrl);
    } catch (const VersionCheckError &error) {
        showBox(QMessageBox::Critical, QStringLiteral("버전을 확인하지 못해 프로그램을 시작할 수 없습니다.\n%1")
                                           .arg(QString::fromUtf8(error.what())));
        return 2;
    }
    if (!current) {
        showBox(QMessageBox::Critical, QStringLiteral("업데이트가 필요합니다. 자료실에서 다시 받아주세요."));
        return 1;
    }
    showBox(QMessageBox::Information, QStringLiteral("최신버전 입니다."));
    return std::nullopt;
}
