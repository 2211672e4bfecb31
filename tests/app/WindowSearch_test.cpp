// Searching the item site from the window, against a real HTTP server on loopback.
#include <QPushButton>
#include <QTimer>

#include <future>

#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

using WindowSearch = WindowTest;

const std::string listPath = "/dataninfo/item/list.php";

TEST_F(WindowSearch, EnterPostsTheEncodedTermAndListsEveryHitInPageOrder)
{
    const std::vector<PageHit> hits = {
        {"불꽃 목걸이", "목걸이", optionList({"힘 +5", "체력 +3"}), "http://127.0.0.1:1/detail.php?code=1"},
        {"얼음 반지", "반지", optionList({"지능 +4"}), "http://127.0.0.1:1/detail.php?code=2"},
        {"불꽃 목걸이", "목걸이", optionList({"힘 +5", "체력 +3"}), "http://127.0.0.1:1/detail.php?code=3"},
    };
    site.on(listPath, CannedResponse{.body = resultPage(hits)});

    searchFor(QStringLiteral("목걸이"));

    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, listPath + "?datagroup=list4&sname=%EB%AA%A9%EA%B1%B8%EC%9D%B4");
    EXPECT_EQ(requests[0].body, "");
    EXPECT_EQ(requests[0].header("Content-Length"), "0");

    const std::vector<std::vector<QString>> expected = {
        {"불꽃 목걸이", "목걸이", "힘 +5,체력 +3", "http://127.0.0.1:1/detail.php?code=1"},
        {"얼음 반지", "반지", "지능 +4", "http://127.0.0.1:1/detail.php?code=2"},
        {"불꽃 목걸이", "목걸이", "힘 +5,체력 +3", "http://127.0.0.1:1/detail.php?code=3"},
    };
    EXPECT_EQ(rows(list("LV1")), expected);
    EXPECT_EQ(child<QLineEdit>("txtSearch")->text(), QString());
    EXPECT_EQ(status(), QStringLiteral("검색 결과 3건"));
}

TEST_F(WindowSearch, ClickAndEnterSendTheSameRequest)
{
    site.on(listPath, CannedResponse{.body = resultPage({{"a", "b", "c", "http://x/"}})});
    auto *box = child<QLineEdit>("txtSearch");

    typeText(box, QStringLiteral(" a b "));
    QTest::mouseClick(child<QPushButton>("cmdSearch"), Qt::LeftButton);
    EXPECT_EQ(box->text(), QString());
    const auto afterClick = rows(list("LV1"));

    searchFor(QStringLiteral(" a b "));
    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 2u);
    // Blanks around the term are sent, every byte encoded.
    EXPECT_EQ(requests[0].target, listPath + "?datagroup=list4&sname=%20%61%20%62%20");
    EXPECT_EQ(requests[1].target, requests[0].target);
    EXPECT_EQ(rows(list("LV1")), afterClick);
    EXPECT_EQ(afterClick.size(), 1u);

    // The box is empty now: Enter at once searches for the empty term.
    QTest::keyClick(box, Qt::Key_Return);
    ASSERT_EQ(site.requestCount(), 3u);
    EXPECT_EQ(site.requests()[2].target, listPath + "?datagroup=list4&sname=");
}

TEST_F(WindowSearch, OtherKeysOnlyType)
{
    auto *box = child<QLineEdit>("txtSearch");
    typeText(box, QStringLiteral("불꽃 a1"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("불꽃 a"));
    EXPECT_EQ(site.requestCount(), 0u);
}

TEST_F(WindowSearch, AFailedSearchClearsEarlierResultsAndEmptiesTheBox)
{
    int calls = 0;
    site.on(listPath, [&calls](const RecordedRequest &) {
        CannedResponse reply{.body = resultPage({{"반지", "반지", "", "http://x/"}})};
        reply.closeMidBody = ++calls > 1; // the second answer breaks off half-way
        return reply;
    });
    searchFor(QStringLiteral("반지"));
    ASSERT_EQ(list("LV1")->topLevelItemCount(), 1);

    searchFor(QStringLiteral("반지"));
    EXPECT_EQ(list("LV1")->topLevelItemCount(), 0);
    EXPECT_EQ(child<QLineEdit>("txtSearch")->text(), QString());
    EXPECT_TRUE(status().contains(QStringLiteral("실패"))) << status().toStdString();
}

TEST_F(WindowSearch, AnUnreachableSiteGivesAnEmptyListAndSaysSo)
{
    // A port that was just free: nothing listens there.
    const std::string deadBase = [] {
        LoopbackServer gone;
        return gone.base();
    }();
    FrmMain offline(QString::fromStdString(deadBase));
    auto *box = offline.findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    typeText(box, QStringLiteral("검"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(offline.findChild<QTreeWidget *>(QStringLiteral("LV1"))->topLevelItemCount(), 0);
    EXPECT_EQ(box->text(), QString());
    const QString message = offline.statusBar()->currentMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("실패"))) << message.toStdString();
}

TEST_F(WindowSearch, AnErrorStatusPageIsStillCutAndMarkupShowsAsPlainText)
{
    site.on(listPath, CannedResponse{.status = 500,
                                     .body = resultPage({{"<b>굵은</b> &amp; 검", "<img src=x>", "", "http://x/"}})});
    searchFor(QStringLiteral("검"));
    const auto found = rows(list("LV1"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0][0], QStringLiteral("<b>굵은</b> &amp; 검"));
    EXPECT_EQ(found[0][1], QStringLiteral("<img src=x>"));
}

TEST_F(WindowSearch, TheWindowReusesOneConnection)
{
    site.on(listPath, CannedResponse{.body = resultPage({})});
    searchFor(QStringLiteral("a"));
    searchFor(QStringLiteral("b"));
    const auto requests = site.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].connection, requests[1].connection);
    EXPECT_EQ(status(), QStringLiteral("검색 결과 0건"));
}

// After a very long list the window puts a new, empty list in LV1's place to give the old one's
// memory back: the new one must be the same list to the player, and its rows must work.
TEST_F(WindowSearch, TheListAfterAVeryLongOneIsTheSameList)
{
    std::vector<PageHit> many(50'000, PageHit{"반지", "반지", "", "http://x/"});
    site.on(listPath, CannedResponse{.body = resultPage(many)});
    searchFor(QStringLiteral("반지"));
    ASSERT_EQ(list("LV1")->topLevelItemCount(), 50'000);

    site.on(listPath, CannedResponse{.body = resultPage({{"검", "한손검", optionList({"힘 +1"}), "http://x/"}})});
    searchFor(QStringLiteral("검"));
    QTreeWidget *results = list("LV1");
    ASSERT_EQ(window->findChildren<QTreeWidget *>(QStringLiteral("LV1")).size(), 1);
    EXPECT_EQ(rows(results), (std::vector<std::vector<QString>>{{"검", "한손검", "힘 +1", "http://x/"}}));
    EXPECT_TRUE(results->isVisible());
    EXPECT_EQ(results->geometry(), QRect(8, 40, 737, 297));
    EXPECT_EQ(results->columnWidth(0), 412);
    EXPECT_EQ(results->columnWidth(3), 1);
    EXPECT_EQ(results->accessibleName(), QStringLiteral("검색 결과"));
    // A double-click on it still reaches the window: without a grade, the grade message.
    const SeenMessage seen = closeMessageBoxDuring([&] { doubleClickRow(results, 0); });
    EXPECT_EQ(seen.text, QStringLiteral("등급을 설정해주세요."));
}

// The site never answers: the search ends at the requester's time-out (a second here, where the
// program waits 30), the status bar says so, and the window takes the next search.
TEST_F(WindowSearch, ASilentSiteEndsAtTheTimeOutAndTheWindowGoesOn)
{
    // Held until the server stops, long after the time-out.
    site.on(listPath, CannedResponse{.body = resultPage({}), .delay = std::chrono::hours(1)});
    FrmMain patient(QString::fromStdString(site.base()), RequestLimits{.timeout = std::chrono::seconds(1)});
    patient.show();
    auto *box = patient.findChild<QLineEdit *>(QStringLiteral("txtSearch"));
    typeText(box, QStringLiteral("검"));
    QTest::keyClick(box, Qt::Key_Return);
    const QString message = patient.statusBar()->currentMessage();
    EXPECT_TRUE(message.contains(QStringLiteral("실패")) && message.contains(QStringLiteral("시간")))
        << message.toStdString();
    EXPECT_EQ(box->text(), QString());

    site.on(listPath, CannedResponse{.body = resultPage({{"반지", "반지", "", "http://x/"}})});
    typeText(box, QStringLiteral("반지"));
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(patient.statusBar()->currentMessage(), QStringLiteral("검색 결과 1건"));
    EXPECT_EQ(patient.findChild<QTreeWidget *>(QStringLiteral("LV1"))->topLevelItemCount(), 1);
}

// While a search waits for the site, the window is asked to close and a click on 추가 사용법
// arrives (as a screen reader's press would: not input that the wait holds back, so it waits for
// the search in the window's own queue). Once the window has accepted the close, what waits
// there is dropped: no box comes up, no request is sent.
TEST_F(WindowSearch, NothingHeldBackRunsOnceTheWindowHasClosed)
{
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    site.on(listPath, [released](const RecordedRequest &) {
        released.wait();
        return CannedResponse{.body = resultPage({})};
    });
    bool closed = false;
    QTimer::singleShot(0, window.get(), [&] {
        closed = window->close();
        child<QPushButton>("Command2")->click();
        child<QPushButton>("cmdSearch")->click();
        release.set_value();
    });
    const SeenMessage seen = closeMessageBoxDuring([&] { searchFor(QStringLiteral("검")); });
    EXPECT_TRUE(closed);
    EXPECT_FALSE(seen.shown) << seen.text.toStdString();
    EXPECT_EQ(site.requestCount(), 1u);
    // A handler that would start later does not run either.
    QTest::mouseClick(child<QPushButton>("cmdSearch"), Qt::LeftButton);
    EXPECT_EQ(site.requestCount(), 1u);
}

} // namespace
} // namespace velmora::test
