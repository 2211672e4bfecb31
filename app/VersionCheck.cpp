#include "app/VersionCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>

#include <chrono>
#include <future>
#include <string>

#include "app/BaseDirectories.h"
#include "app/FailureText.h"
#include "app/FrmMain.h"
#include "itemdb/HttpRequester.h"
#include "itemdb/Outcome.h"
#include "stats/Numbers.h"
#include "stats/TextCut.h"

using namespace velmora;

namespace {

// How long the check may run before the player is shown that it is under way. A site that
// answers within it (any site that is up) shows nothing before its box.
constexpr std::chrono::milliseconds patience{500};

using VersionDocument = Outcome<std::string, RequestFailure>;

// One GET on a request object of its own, blocking its thread until the answer is in.
VersionDocument fetchDocument(const std::string &address)
{
    HttpRequester request;
    if (!request.open("GET", address) || !request.send())
        return Failed{request.failure()};
    return std::move(request.takeResponseText()).value_or(std::string());
}

// The small window a slow check shows: the program's icon and "버전 확인 중…". It cannot be
// closed: the check ends on its own (30 s at the most), and only then does the program go on.
class CheckingWindow : public QFrame {
public:
    CheckingWindow() : QFrame(nullptr, Qt::SplashScreen)
    {
        setFrameStyle(QFrame::Box | QFrame::Plain); // no title bar: the frame marks its edge
        const QString text = QStringLiteral("버전 확인 중…");
        setObjectName(QStringLiteral("VersionCheckProgress"));
        setWindowTitle(text);
        setAccessibleName(text);
        // Its going away must never count as the program's last window closing.
        setAttribute(Qt::WA_QuitOnClose, false);
        setCursor(Qt::WaitCursor);

        auto *icon = new QLabel(this);
        icon->setPixmap(QIcon(QString::fromLatin1(iconResource)).pixmap(32, 32));
        auto *label = new QLabel(text, this);
        label->setTextFormat(Qt::PlainText);
        auto *layout = new QHBoxLayout(this);
        layout->setContentsMargins(20, 16, 24, 16);
        layout->setSpacing(12);
        layout->addWidget(icon);
        layout->addWidget(label);

        adjustSize();
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }

protected:
    void closeEvent(QCloseEvent *event) override { event->ignore(); }
};

// fetchDocument() on a thread of its own while this one waits in an event loop, so that a
// check that takes longer than `patience` can show the small window (and keep it painted)
// until the answer is in. The window is gone again before this returns.
VersionDocument fetchShowingProgress(const std::string &address)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return fetchDocument(address); // no windows to show: just wait

    QEventLoop loop;
    bool ended = false; // the fetch's end has reached this thread
    std::future<VersionDocument> fetched = std::async(std::launch::async, [&address, &loop, &ended] {
        VersionDocument document = fetchDocument(address);
        // Queued before the document is handed over: once it is, this thread no longer touches
        // the loop, which may be gone a moment later.
        QMetaObject::invokeMethod(
            &loop,
            [&loop, &ended] {
                ended = true;
                loop.quit();
            },
            Qt::QueuedConnection);
        return document;
    });
    if (fetched.wait_for(patience) != std::future_status::ready) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        CheckingWindow window;
        window.show();
        // Showing a window can deliver queued events, the fetch's end among them; a quit that
        // comes before exec() is forgotten by it, so the loop runs only while the end is to come.
        if (!ended)
            loop.exec();
        QApplication::restoreOverrideCursor();
    }
    return fetched.get();
}

} // namespace

namespace {

// Whether the version document names this release, or why the check could not tell.
Outcome<bool, std::string> checkRelease(const QString &versionUrl)
{
    const VersionDocument fetched = fetchShowingProgress(versionUrl.toStdString());
    if (!fetched)
        return Failed{"버전 정보를 받아오지 못했습니다: " + failureText(fetched.why()).toStdString()};

    const std::optional<std::string_view> release = piece(fetched.value(), "//", 0);
    if (!release)
        return Failed{std::string("버전 정보가 비어 있습니다.")};
    const std::optional<double> number = readNumber(*release);
    if (!number)
        return Failed{std::string("버전 정보에서 버전 번호를 읽을 수 없습니다.")};
    return *number == releaseNumber;
}

} // namespace

bool CheckVersion(const QString &versionUrl)
{
    const Outcome<bool, std::string> current = checkRelease(versionUrl);
    if (!current)
        throw VersionCheckError(current.why());
    return current.value();
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
    velmora::ignoreRelativeBaseDirectories();
    QApplication::setWindowIcon(QIcon(QString::fromLatin1(iconResource)));
    auto qtTexts = std::make_unique<QTranslator>();
    if (!qtTexts->load(QLocale(QLocale::Korean, QLocale::SouthKorea), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QApplication::installTranslator(qtTexts.get());
    return qtTexts;
}

VersionVerdict passVersionCheck(const QString &versionUrl)
{
    const Outcome<bool, std::string> current = checkRelease(versionUrl);
    if (!current) {
        showBox(QMessageBox::Critical, QStringLiteral("버전을 확인하지 못해 프로그램을 시작할 수 없습니다.\n%1")
                                           .arg(QString::fromStdString(current.why())));
        return VersionVerdict::checkFailed;
    }
    if (!current.value()) {
        showBox(QMessageBox::Critical, QStringLiteral("업데이트가 필요합니다. 자료실에서 다시 받아주세요."));
        return VersionVerdict::outdated;
    }
    showBox(QMessageBox::Information, QStringLiteral("최신버전 입니다."));
    return VersionVerdict::current;
}
