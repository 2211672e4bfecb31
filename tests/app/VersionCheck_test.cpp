// The start-up check against version documents served on loopback.
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "app/VersionCheck.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/PlayerActions.h"
#include "tests/support/RawReplyServer.h"

namespace velmora::test {
namespace {

enum class Outcome { current, outdated, failed };

struct Document {
    const char *text;
    Outcome expected;
};

TEST(VersionCheck, ReadsTheReleaseFromTheFirstField)
{
    const Document documents[] = {
        {"3", Outcome::current},      {"3.0", Outcome::current},       {"03", Outcome::current},
        {" 3 ", Outcome::current},    {"3\n", Outcome::current},       {"3//4", Outcome::current},
        {"3.0//note//x", Outcome::current}, {"4", Outcome::outdated},  {"2.9", Outcome::outdated},
        {"-3", Outcome::outdated},    {"4//3", Outcome::outdated},     {"", Outcome::failed},
        {"abc", Outcome::failed},     {"//3", Outcome::failed},        {"3a", Outcome::failed},
        {"3 3", Outcome::failed},
    };
    LoopbackServer server;
    for (const Document &doc : documents) {
        SCOPED_TRACE(std::string("document: [") + doc.text + "]");
        server.on("/version.txt", CannedResponse{.body = doc.text, .contentType = "text/plain"});
        const std::size_t before = server.requestCount();
        try {
            const bool current = CheckVersion(QString::fromStdString(server.url("/version.txt")));
            EXPECT_EQ(current ? Outcome::current : Outcome::outdated, doc.expected);
        } catch (const VersionCheckError &error) {
            EXPECT_EQ(doc.expected, Outcome::failed) << error.what();
        }
        ASSERT_EQ(server.requestCount(), before + 1);
        EXPECT_EQ(server.requests().back().method, "GET");
    }
}

TEST(VersionCheck, AnUnreachableServerIsAFailureThatSaysWhy)
{
    const std::string deadUrl = [] {
        LoopbackServer gone;
        return gone.url("/version.txt");
    }();
    try {
        CheckVersion(QString::fromStdString(deadUrl));
        ADD_FAILURE() << "no error";
    } catch (const VersionCheckError &error) {
        EXPECT_NE(std::string(error.what()).find("사이트에 연결할 수 없습니다"), std::string::npos) << error.what();
    }
    EXPECT_THROW(CheckVersion(QStringLiteral("file:///etc/hostname")), VersionCheckError);
}

TEST(VersionCheck, TheBoxSaysWhatFailed)
{
    RawReplyServer noStatusLine("3\n"); // the right number, but not as an HTTP answer
    int end = -1;
    const SeenMessage seen = closeMessageBoxDuring(
        [&] { end = exitStatus(passVersionCheck(QString::fromStdString(noStatusLine.url("/version.txt")))); });
    EXPECT_EQ(end, 2);
    EXPECT_EQ(seen.text, QStringLiteral("버전을 확인하지 못해 프로그램을 시작할 수 없습니다.\n"
                                        "버전 정보를 받아오지 못했습니다: 사이트의 응답이 올바른 HTTP 응답이 아닙니다"));
}

TEST(VersionCheck, StartUpBoxesAndExitStatus)
{
    struct Case {
        const char *document;
        int end; // the exit status: 0 goes on
        QMessageBox::Icon icon;
        const char *text; // the box's text starts with this
    };
    const Case cases[] = {
        {"3//벨모라 1.3", 0, QMessageBox::Information, "최신버전 입니다."},
        {"4", 1, QMessageBox::Critical, "업데이트가 필요합니다. 자료실에서 다시 받아주세요."},
        {"", 2, QMessageBox::Critical, "버전을 확인하지 못해 프로그램을 시작할 수 없습니다.\n"},
    };
    LoopbackServer server;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.document);
        server.on("/version.txt", CannedResponse{.body = c.document});
        int end = -1;
        const SeenMessage seen =
            closeMessageBoxDuring([&] { end = exitStatus(passVersionCheck(QString::fromStdString(server.url("/version.txt")))); });
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(end, c.end);
        EXPECT_EQ(seen.icon, c.icon);
        EXPECT_EQ(seen.title, QString());
        EXPECT_TRUE(seen.text.startsWith(QString::fromUtf8(c.text))) << seen.text.toStdString();
    }
}

// Watches, across the application, for the small window of a slow check and for the box that
// follows it: what the window showed, and whether it was still there when the box showed.
class ProgressWatch : public QObject {
public:
    explicit ProgressWatch(std::function<void()> onProgressShown) : m_onProgressShown(std::move(onProgressShown))
    {
        qApp->installEventFilter(this);
    }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }

    bool progressShown = false;
    QStringList progressTexts;
    bool progressHasIcon = false;
    bool busyCursor = false;
    bool progressAtBox = false; // a small window was still visible when a box showed

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Show)
            return false;
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->objectName() == QStringLiteral("VersionCheckProgress") && !progressShown) {
            progressShown = true;
            for (const QLabel *label : widget->findChildren<QLabel *>()) {
                if (!label->text().isEmpty())
                    progressTexts << label->text();
                progressHasIcon = progressHasIcon || !label->pixmap().isNull();
            }
            busyCursor = QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor;
            m_onProgressShown();
        } else if (qobject_cast<QMessageBox *>(watched)) {
            for (const QWidget *top : QApplication::topLevelWidgets())
                progressAtBox = progressAtBox
                                || (top->objectName() == QStringLiteral("VersionCheckProgress") && top->isVisible());
        }
        return false;
    }

private:
    std::function<void()> m_onProgressShown;
};

TEST(VersionCheck, ASlowCheckShowsThatItIsWorkingUntilItEnds)
{
    struct Case {
        const char *what;
        bool held; // the site holds the document back until the small window shows
        const char *document;
        int end; // the exit status: 0 goes on
        const char *box;
    };
    const Case cases[] = {
        {"slow, current", true, "3", 0, "최신버전 입니다."},
        {"slow, outdated", true, "4", 1, "업데이트가 필요합니다. 자료실에서 다시 받아주세요."},
        {"slow, empty", true, "", 2, "버전을 확인하지 못해 프로그램을 시작할 수 없습니다.\n"},
        {"quick, current", false, "3", 0, "최신버전 입니다."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        auto release = std::make_shared<std::promise<void>>();
        std::shared_future<void> released = release->get_future().share();
        LoopbackServer server;
        server.on("/version.txt", [&c, released](const RecordedRequest &) {
            // Released when the small window shows. Should it never show, the answer still comes
            // while the box helper is waiting, so that the test fails instead of hanging.
            if (c.held)
                released.wait_for(std::chrono::seconds(20));
            return CannedResponse{.body = c.document, .contentType = "text/plain"};
        });
        bool releasedOnce = false;
        ProgressWatch watch([&] {
            if (!std::exchange(releasedOnce, true))
                release->set_value();
        });

        int end = -1;
        const SeenMessage seen =
            closeMessageBoxDuring([&] { end = exitStatus(passVersionCheck(QString::fromStdString(server.url("/version.txt")))); });
        if (!releasedOnce)
            release->set_value();

        EXPECT_EQ(watch.progressShown, c.held);
        if (c.held) {
            EXPECT_EQ(watch.progressTexts, QStringList{QStringLiteral("버전 확인 중…")});
            EXPECT_TRUE(watch.progressHasIcon);
            EXPECT_TRUE(watch.busyCursor);
        }
        EXPECT_FALSE(watch.progressAtBox);
        EXPECT_EQ(QApplication::overrideCursor(), nullptr);
        ASSERT_TRUE(seen.shown);
        EXPECT_TRUE(seen.text.startsWith(QString::fromUtf8(c.box))) << seen.text.toStdString();
        EXPECT_EQ(end, c.end);
    }
}

} // namespace
} // namespace velmora::test
