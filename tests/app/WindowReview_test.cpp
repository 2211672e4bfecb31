// Faults a review of the window found, each through the player's own events against a loopback
// site: a long list replaced under the event that started it, an error page taken for an answer,
// a copy with captions of another list, held keys that repeat an add, and the number pad's
// Delete.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <future>

#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";

QString isolated(const QString &text) { return QChar(0x2068) + text + QChar(0x2069); }

class WindowReview : public WindowTest {
protected:
    void pickGrade(int index) { child<QComboBox>("cr1")->setCurrentIndex(index); }

    // The item page is answered once `release` is set; its tooltip page gives "힘3 ".
    void holdItemPageUntil(std::promise<void> &release)
    {
        std::shared_future<void> released = release.get_future().share();
        site.on("/item/detail.php", [this, released](const RecordedRequest &) {
            released.wait();
            return CannedResponse{.body = itemPage(site.url("/item/item_layer.inc.php?grade="))};
        });
        site.on("/item/item_layer.inc.php", CannedResponse{.body = "str: 3, "});
    }

    // An item whose tooltip page gives `tooltip`, with the statuses of its two pages.
    void serveItem(int itemStatus, int tooltipStatus, const std::string &tooltip, int links = 12)
    {
        site.on("/item/detail.php", CannedResponse{
                                        .status = itemStatus,
                                        .body = itemPage(site.url("/item/item_layer.inc.php?grade="), links)});
        site.on("/item/item_layer.inc.php", CannedResponse{.status = tooltipStatus, .body = tooltip});
    }

    void selectRow(QTreeWidget *view, int row)
    {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(view->topLevelItem(row)).center());
    }

    // A key press that the keyboard repeats while it is held.
    static void heldKey(QWidget *target, Qt::Key key)
    {
        QKeyEvent repeat(QEvent::KeyPress, key, Qt::NoModifier, QString(), true);
        QApplication::sendEvent(target, &repeat);
    }

    QStringList captions() const
    {
        QStringList all;
        for (int i = 0; i < statLabelCount; ++i)
            all << child<QLabel>(QStringLiteral("lab1(%1)").arg(i).toLatin1().constData())->text();
        return all;
    }
};

// A double-click on a very long result list whose add waits for the site, while a press on
// 검색하기 comes in (a screen reader's press is not held back with the input): the search runs
// right after the add, still inside the double-click's delivery to the list, and puts a new list
// in the old one's place. The old list must outlive that delivery (AddressSanitizer tells).
// QTest's double-click on a QWindow goes the window system's way, as a player's does.
TEST_F(WindowReview, ASearchRightAfterADoubleClickReplacesTheLongListSafely)
{
    int searches = 0;
    site.on(listPath, [&](const RecordedRequest &) {
        const std::size_t count = ++searches == 1 ? 50'000 : 1;
        return CannedResponse{
            .body = resultPage(std::vector<PageHit>(count, PageHit{"반지", "반지", "", site.url("/item/detail.php")}))};
    });
    std::promise<void> release;
    holdItemPageUntil(release);
    searchFor(QStringLiteral("반지"));
    ASSERT_EQ(list("LV1")->topLevelItemCount(), 50'000);
    pickGrade(5);

    QTreeWidget *longList = list("LV1");
    selectRow(longList, 0);
    QTimer::singleShot(0, window.get(), [&] {
        child<QPushButton>("cmdSearch")->click();
        release.set_value();
    });
    // Through the window system's way in, as the player's double-click comes.
    const QPoint onRow = longList->viewport()->mapTo(window.get(), longList->visualItemRect(longList->topLevelItem(0)).center());
    QTest::mouseDClick(window->windowHandle(), Qt::LeftButton, {}, onRow);

    EXPECT_EQ(rows(list("LV2")), (std::vector<std::vector<QString>>{{"반지", "반지", "힘3 ", "영웅", ""}}));
    EXPECT_EQ(list("LV1")->topLevelItemCount(), 1);
    EXPECT_EQ(status(), QStringLiteral("검색 결과 1건"));
    // The new list stands where the old one stood, for the focus chain and a screen reader.
    QWidget *client = window->centralWidget();
    const QObjectList children = client->children();
    const auto at = [&](const char *name) { return children.indexOf(client->findChild<QWidget *>(QString::fromLatin1(name))); };
    EXPECT_EQ(at("LV1") + 1, at("LV2"));
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    child<QPushButton>("Command2")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), list("LV1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), list("LV2"));
}

// The site's status is never acted on (a page is cut whatever came with it), but the status bar
// says what the site answered when it was an error, so an error page does not read as "no such
// item". A good answer names no status.
TEST_F(WindowReview, TheStatusBarSaysWhenTheSiteAnsweredWithAnError)
{
    site.on(listPath, CannedResponse{.status = 503, .body = "<html>점검 중</html>"});
    searchFor(QStringLiteral("반지"));
    EXPECT_EQ(status(), QStringLiteral("검색 결과 0건 (사이트 응답 HTTP 503)"));
    EXPECT_EQ(list("LV1")->topLevelItemCount(), 0);

    // Real hits with an odd status are listed all the same.
    const std::vector<PageHit> hit = {{"반지", "반지", "", site.url("/item/detail.php")}};
    site.on(listPath, CannedResponse{.status = 404, .body = resultPage(hit)});
    searchFor(QStringLiteral("반지"));
    EXPECT_EQ(status(), QStringLiteral("검색 결과 1건 (사이트 응답 HTTP 404)"));
    site.on(listPath, CannedResponse{.body = resultPage(hit)});
    searchFor(QStringLiteral("반지"));
    EXPECT_EQ(status(), QStringLiteral("검색 결과 1건"));
    pickGrade(5);

    struct Case {
        const char *what;
        int itemStatus, tooltipStatus;
        std::string tooltip;
        int links;
        QString statText;
        QString status; // after "추가: ⁨반지⁩ (영웅)"
    };
    const Case cases[] = {
        {"good answers", 200, 200, "str: 3, ", 12, "힘3 ", ""},
        {"a missing tooltip page", 200, 404, "<html>없음</html>", 12, "", ", 능력치 없음 (사이트 응답 HTTP 404)"},
        {"a tooltip page with a server error that still has stats", 200, 500, "str: 3, ", 12, "힘3 ",
         " (사이트 응답 HTTP 500)"},
        {"the first error of the two is named", 410, 404, "", 12, "", ", 능력치 없음 (사이트 응답 HTTP 410)"},
        {"an error page without the grade's link", 502, 200, "str: 3, ", 0, "",
         " - 능력치 없음: 아이템 페이지에서 이 등급의 링크를 찾지 못함 (사이트 응답 HTTP 502)"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        serveItem(c.itemStatus, c.tooltipStatus, c.tooltip, c.links);
        child<QAction>("LV2Reset")->trigger();
        selectRow(list("LV1"), 0);
        QTest::keyClick(list("LV1"), Qt::Key_Return);
        EXPECT_EQ(rows(list("LV2")), (std::vector<std::vector<QString>>{{"반지", "반지", c.statText, "영웅", ""}}));
        EXPECT_EQ(status(), QStringLiteral("추가: ") + isolated(QStringLiteral("반지")) + QStringLiteral(" (영웅)") + c.status);
    }
}

// After a removal and a bonus change, the copy's captions are those of the rows it copies, as
// 계산 would show them now; not those of the list the last 계산 saw.
TEST_F(WindowReview, ACopyCarriesTheCaptionsOfTheRowsItCopies)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("돌 반지\t반지\t힘10 \t일반\n금 반지\t반지\t체력5 \t신화\n"));
    QTreeWidget *equipment = list("LV2");
    QTest::keyClick(equipment, Qt::Key_V, Qt::ControlModifier);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    equipment->setCurrentItem(equipment->topLevelItem(0));
    QTest::keyClick(equipment, Qt::Key_Delete);
    answerInputDialogDuring([&] { QTest::mouseClick(child<QCheckBox>("Check1(9)"), Qt::LeftButton); },
                            QStringLiteral("100"));

    QTest::keyClick(equipment, Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(copied, QStringLiteral("아이템명\t종류\t옵션\t등급\n금 반지\t반지\t체력5 \t신화\n\n") + captions().join('\n')
                          + QLatin1Char('\n'));
    EXPECT_TRUE(copied.contains(QStringLiteral("\n힘 : 158\n")));
}

// Keys held down repeat. While an add waits for the site, the repeats of a held Enter would
// each add the item again with requests of their own; a held Delete would empty the list.
TEST_F(WindowReview, AHeldKeyDoesItsWorkOnce)
{
    site.on(listPath, CannedResponse{.body = resultPage({{"반지", "반지", "", site.url("/item/detail.php")}})});
    std::promise<void> release;
    holdItemPageUntil(release);
    searchFor(QStringLiteral("반지"));
    pickGrade(5);
    QTreeWidget *hits = list("LV1");
    selectRow(hits, 0);
    const std::size_t before = site.requestCount();
    QTimer::singleShot(0, window.get(), [&] {
        for (int i = 0; i < 4; ++i)
            heldKey(hits, Qt::Key_Return);
        release.set_value();
    });
    QTest::keyPress(hits, Qt::Key_Return);
    QTest::keyRelease(hits, Qt::Key_Return);
    EXPECT_EQ(list("LV2")->topLevelItemCount(), 1);
    EXPECT_EQ(site.requestCount() - before, 2u);

    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb\t\t일반\nc\td\t\t일반\n"));
    QTreeWidget *equipment = list("LV2");
    QTest::keyClick(equipment, Qt::Key_V, Qt::ControlModifier);
    equipment->setCurrentItem(equipment->topLevelItem(0));
    QTest::keyPress(equipment, Qt::Key_Delete);
    heldKey(equipment, Qt::Key_Delete);
    heldKey(equipment, Qt::Key_Delete);
    EXPECT_EQ(equipment->topLevelItemCount(), 2);
}

TEST_F(WindowReview, TheNumberPadsDeleteRemovesARow)
{
    QGuiApplication::clipboard()->setText(QStringLiteral("a\tb\t\t일반\nc\td\t\t일반\n"));
    QTreeWidget *equipment = list("LV2");
    QTest::keyClick(equipment, Qt::Key_V, Qt::ControlModifier);
    equipment->setCurrentItem(equipment->topLevelItem(0));
    QTest::keyClick(equipment, Qt::Key_Delete, Qt::KeypadModifier);
    EXPECT_EQ(rows(equipment), (std::vector<std::vector<QString>>{{"c", "d", "", "일반", ""}}));
}

} // namespace
} // namespace velmora::test
