// Grades, adding items from their tooltip pages, and the equipment list, through the window.
#include <QComboBox>
#include <QMenuBar>

#include "tests/app/WindowFixture.h"
#include "tests/support/PlayerActions.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";

// An item page whose grade links lead to tooltip pages on the same loopback site.
std::string itemPage(const std::string &base, const std::string &code, int links = 12)
{
    return test::itemPage(base + "/item/detail.php?code=" + code + "&grade=", links);
}

class WindowEquipment : public WindowTest {
protected:
    // Three items on the site; the tooltip page tells the grade it was asked for as `str`.
    void SetUp() override
    {
        WindowTest::SetUp();
        site.on(listPath, CannedResponse{.body = resultPage({
                              {"불꽃 목걸이", "목걸이", "", site.url("/item/detail.php?code=1")},
                              {"바람 활", "활", "", site.url("/item/detail.php?code=2")},
                              {"강철 투구", "투구", "", site.url("/item/detail.php?code=3")},
                          })});
        site.on("/item/detail.php", [this](const RecordedRequest &req) {
            const auto code = req.target.substr(req.target.find("code=") + 5, 1);
            return CannedResponse{.body = itemPage(site.base(), code)};
        });
        site.on("/item/item_layer.inc.php", [](const RecordedRequest &req) {
            const std::string code = req.target.substr(req.target.find("code=") + 5, 1);
            const std::string grade = req.target.substr(req.target.find("grade=") + 6);
            const std::string type = code == "2" ? "77" : "5";
            return CannedResponse{.body = "<div>str: " + grade + ", dps: 1" + code + ", itemtype: " + type + ", </div>"};
        });
        searchFor(QStringLiteral("x"));
        ASSERT_EQ(list("LV1")->topLevelItemCount(), 3);
    }

    void pickGrade(int index) { child<QComboBox>("cr1")->setCurrentIndex(index); }

    void typeGrade(const QString &text)
    {
        auto *grade = child<QComboBox>("cr1");
        grade->lineEdit()->selectAll();
        QTest::keyClick(grade->lineEdit(), Qt::Key_Delete);
        typeText(grade->lineEdit(), text);
    }

    std::vector<std::string> targetsSince(std::size_t first) const
    {
        std::vector<std::string> targets;
        const auto all = site.requests();
        for (std::size_t i = first; i < all.size(); ++i)
            targets.push_back(all[i].target);
        return targets;
    }
};

TEST_F(WindowEquipment, GradesAreListedInOrderAndNamedByRank)
{
    auto *grade = child<QComboBox>("cr1");
    const char *names[] = {"저급", "일반", "고급", "희귀", "고대", "영웅", "유일", "유물", "경이", "서사", "전설", "신화"};
    ASSERT_EQ(grade->count(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(grade->itemText(i), QString::fromUtf8(names[i]));
        EXPECT_EQ(window->rank(static_cast<qint16>(i + 1)), QString::fromUtf8(names[i]));
    }
    for (qint16 outside : {0, -1, 13, 32767, -32768})
        EXPECT_EQ(window->rank(outside), QString()) << outside;
    EXPECT_EQ(grade->currentText(), QStringLiteral("등급설정"));
}

TEST_F(WindowEquipment, WithoutAGradeTheGradeMessageShowsAndNothingIsRequested)
{
    const std::size_t before = site.requestCount();
    for (const QString &text : {QStringLiteral("등급설정"), QStringLiteral("영웅 "), QStringLiteral("")}) {
        typeGrade(text);
        const SeenMessage seen = closeMessageBoxDuring([&] { doubleClickRow(list("LV1"), 0); });
        SCOPED_TRACE(text.toStdString());
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.text, QStringLiteral("등급을 설정해주세요."));
        EXPECT_EQ(seen.title, QString());
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
    }
    EXPECT_EQ(site.requestCount(), before);
    EXPECT_EQ(list("LV2")->topLevelItemCount(), 0);
    EXPECT_EQ(child<QComboBox>("cr1")->count(), 12); // typing never adds to the grade list
}

TEST_F(WindowEquipment, PickedAndTypedGradesFetchThatGradesTooltipOverOneConnection)
{
    const std::size_t first = site.requestCount();
    pickGrade(0); // 저급
    doubleClickRow(list("LV1"), 0);
    typeGrade(QStringLiteral("신화"));
    QTest::keyClick(child<QComboBox>("cr1")->lineEdit(), Qt::Key_Return);
    doubleClickRow(list("LV1"), 1);

    EXPECT_EQ(targetsSince(first), (std::vector<std::string>{
                                       "/item/detail.php?code=1",
                                       "/item/item_layer.inc.php?code=1&grade=1",
                                       "/item/detail.php?code=2",
                                       "/item/item_layer.inc.php?code=2&grade=12",
                                   }));
    const auto requests = site.requests();
    EXPECT_EQ(requests[first].connection, requests.back().connection);
    for (std::size_t i = first; i < requests.size(); ++i)
        EXPECT_EQ(requests[i].method, "GET");

    const std::vector<std::vector<QString>> expected = {
        {"불꽃 목걸이", "목걸이", "공격력11 힘1 ", "저급", ""},
        {"바람 활", "활", "원공12 힘12 ", "신화", ""},
    };
    EXPECT_EQ(rows(list("LV2")), expected);
    EXPECT_EQ(child<QComboBox>("cr1")->count(), 12);
    // The site's name stands isolated in the window's own message (U+2068 … U+2069).
    EXPECT_EQ(status(), QStringLiteral("추가: \u2068바람 활\u2069 (신화)"));
}

TEST_F(WindowEquipment, TheSameHitTwiceGivesTwoRowsAndRemovalTakesTheSelectedRow)
{
    pickGrade(5); // 영웅
    doubleClickRow(list("LV1"), 0);
    doubleClickRow(list("LV1"), 0);
    pickGrade(2); // 고급
    doubleClickRow(list("LV1"), 2);
    QTreeWidget *equipment = list("LV2");
    ASSERT_EQ(equipment->topLevelItemCount(), 3);
    EXPECT_EQ(rows(equipment)[0], rows(equipment)[1]);

    doubleClickRow(equipment, 1);
    const std::vector<std::vector<QString>> left = {
        {"불꽃 목걸이", "목걸이", "공격력11 힘6 ", "영웅", ""},
        {"강철 투구", "투구", "공격력13 힘3 ", "고급", ""},
    };
    EXPECT_EQ(rows(equipment), left);

    // A double-click below the rows removes the row that is selected, not the one under the
    // pointer.
    equipment->setCurrentItem(equipment->topLevelItem(0));
    QTest::mouseDClick(equipment->viewport(), Qt::LeftButton, {}, QPoint(20, equipment->viewport()->height() - 5));
    ASSERT_EQ(equipment->topLevelItemCount(), 1);
    EXPECT_EQ(equipment->topLevelItem(0)->text(0), QStringLiteral("강철 투구"));
}

TEST_F(WindowEquipment, ResetAndDoubleClicksOnEmptyListsChangeNothingElse)
{
    QTreeWidget *equipment = list("LV2");
    QTest::mouseDClick(equipment->viewport(), Qt::LeftButton, {}, QPoint(30, 30)); // empty list
    window->menuBar()->actions().first()->trigger();                               // empty list
    EXPECT_EQ(equipment->topLevelItemCount(), 0);

    pickGrade(3);
    doubleClickRow(list("LV1"), 0);
    doubleClickRow(list("LV1"), 1);
    ASSERT_EQ(equipment->topLevelItemCount(), 2);

    // Nothing selected in the equipment list: a double-click removes nothing.
    equipment->clearSelection();
    QTest::mouseDClick(equipment->viewport(), Qt::LeftButton, {}, QPoint(30, equipment->viewport()->height() - 5));
    EXPECT_EQ(equipment->topLevelItemCount(), 2);

    // An empty result list adds nothing and leaves the equipment list as it was.
    site.on(listPath, CannedResponse{.body = resultPage({})});
    searchFor(QStringLiteral("없음"));
    const std::size_t before = site.requestCount();
    QTest::mouseDClick(list("LV1")->viewport(), Qt::LeftButton, {}, QPoint(30, 30));
    EXPECT_EQ(site.requestCount(), before);
    EXPECT_EQ(equipment->topLevelItemCount(), 2);

    window->menuBar()->actions().first()->trigger();
    EXPECT_EQ(equipment->topLevelItemCount(), 0);
}

TEST_F(WindowEquipment, StatsComeOnlyFromTheGradesTooltipPage)
{
    struct Case {
        const char *what;
        std::string detailAddress;
        std::string itemPageBody; // served at /odd/detail.php
        std::size_t requests;     // made by the double-click
        const char *problem;      // expected in the status bar
    };
    const std::string tooltipOnPage = "str: 99, dps: 99, ";
    const Case cases[] = {
        {"five grade links, grade 6", site.url("/odd/detail.php"), itemPage(site.base(), "1", 5) + tooltipOnPage, 1,
         "링크"},
        {"a file: address is never read", "file:///etc/passwd", "", 0, "실패"},
        {"a relative address", "/odd/detail.php", "", 0, "실패"},
        {"an item page that breaks off", site.url("/broken/detail.php"), "", 1, "실패"},
        {"a tooltip link to a file:", site.url("/odd/detail.php"),
         itemPage(site.base(), "1", 5) + gradeLink("file:///etc/detail") + tooltipOnPage,
         1, "툴팁 페이지 요청 실패"},
    };
    site.on("/broken/detail.php", CannedResponse{.body = tooltipOnPage + std::string(400, 'x'), .closeMidBody = true});
    pickGrade(5);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        site.on("/odd/detail.php", CannedResponse{.body = c.itemPageBody});
        site.on(listPath, CannedResponse{.body = resultPage({{"수상한 반지", "반지", "", c.detailAddress}})});
        searchFor(QStringLiteral("x"));
        const std::size_t before = site.requestCount();
        child<QAction>("LV2Reset")->trigger();
        doubleClickRow(list("LV1"), 0);
        EXPECT_EQ(site.requestCount() - before, c.requests);
        const std::vector<std::vector<QString>> added = {{"수상한 반지", "반지", "", "영웅", ""}};
        EXPECT_EQ(rows(list("LV2")), added);
        EXPECT_TRUE(status().contains(QString::fromUtf8(c.problem))) << status().toStdString();
    }
}

TEST_F(WindowEquipment, WithoutTheSiteTheRowIsStillAdded)
{
    pickGrade(1);
    QTreeWidget *results = list("LV1");
    results->setCurrentItem(results->topLevelItem(2));
    // The hit's address points at a port where nothing listens.
    const std::string deadBase = [] {
        LoopbackServer gone;
        return gone.base();
    }();
    results->topLevelItem(2)->setText(3, QString::fromStdString(deadBase + "/item/detail.php?code=3"));
    doubleClickRow(results, 2);
    const std::vector<std::vector<QString>> added = {{"강철 투구", "투구", "", "일반", ""}};
    EXPECT_EQ(rows(list("LV2")), added);
    EXPECT_TRUE(status().contains(QStringLiteral("실패"))) << status().toStdString();
}

} // namespace
} // namespace velmora::test
