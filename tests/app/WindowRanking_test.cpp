// The ranking table (Ctrl+R) against a loopback site that counts and times requests: it fills
// politely while the window stays usable, follows a new search, adds from its rows and scores
// by the player's weights.
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include <chrono>
#include <map>
#include <mutex>

#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

using Clock = std::chrono::steady_clock;
const std::string listPath = "/dataninfo/item/list.php";

class WindowRanking : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        // Term "검": four 한손검 and a 방패; term "방패": four more 방패.
        site.on(listPath, [this](const RecordedRequest &req) {
            const bool shields = req.target.find("%EB%B0%A9") != std::string::npos;
            std::vector<PageHit> hits;
            for (int code : shields ? std::vector<int>{6, 7, 8, 9} : std::vector<int>{1, 2, 3, 4, 5})
                hits.push_back({"검" + std::to_string(code), code >= 5 ? "방패" : "한손검", "", item(code)});
            return CannedResponse{.body = resultPage(hits)};
        });
        site.on("/item/detail.php", [this](const RecordedRequest &req) {
            stamp(req);
            return CannedResponse{.body = itemPage(site.url("/item/item_layer.inc.php?code=" + code(req) + "&grade="))};
        });
        site.on("/item/item_layer.inc.php", [this](const RecordedRequest &req) {
            stamp(req);
            const int c = std::stoi(code(req));
            return CannedResponse{.body = "dps: " + std::to_string(10 * c) + ", str: " + std::to_string(c) + ", armor: "
                                          + std::to_string(c >= 5 ? 40 : 0) + ", "};
        });
        searchFor(QStringLiteral("검"));
        ASSERT_EQ(list("LV1")->topLevelItemCount(), 5);
        child<QComboBox>("cr1")->setCurrentIndex(5); // 영웅
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    std::string item(int code) const { return site.url("/item/detail.php?code=" + std::to_string(code)); }
    static std::string code(const RecordedRequest &req) { return req.target.substr(req.target.find("code=") + 5, 1); }
    void stamp(const RecordedRequest &req)
    {
        std::lock_guard lock(m_mutex);
        m_times.emplace_back(req.path, Clock::now());
    }
    std::vector<std::pair<std::string, Clock::time_point>> times()
    {
        std::lock_guard lock(m_mutex);
        return m_times;
    }

    void pressInMain(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(list("LV1"), key, modifiers);
    }
    QTableView *table() const { return window->findChild<QTableView *>(QStringLiteral("rankingTable")); }
    void pressInTable(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        table()->window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(table()->window()));
        QTest::keyClick(table(), key, modifiers);
    }
    QString cell(int row, const QString &header) const
    {
        const QAbstractItemModel *model = table()->model();
        for (int c = 0; c < model->columnCount(); ++c)
            if (model->headerData(c, Qt::Horizontal).toString() == header)
                return model->index(row, c).data().toString();
        ADD_FAILURE() << "no column " << header.toStdString();
        return {};
    }
    int rowOf(const QString &name) const
    {
        for (int r = 0; r < table()->model()->rowCount(); ++r)
            if (cell(r, QStringLiteral("아이템명")) == name)
                return r;
        return -1;
    }
    bool filled() const
    {
        for (int r = 0; r < table()->model()->rowCount(); ++r)
            if (!cell(r, QStringLiteral("상태")).isEmpty())
                return false;
        return true;
    }

    std::mutex m_mutex;
    std::vector<std::pair<std::string, Clock::time_point>> m_times;
};

TEST_F(WindowRanking, TheTableFillsPolitelyFollowsTheSearchAddsAndScores)
{
    // An 검2 in the list, and 검1 previewed (kept): neither is fetched by the ranking.
    QTest::mouseClick(list("LV1")->viewport(), Qt::LeftButton, {}, list("LV1")->visualItemRect(list("LV1")->topLevelItem(1)).center());
    pressInMain(Qt::Key_Return);
    QTest::mouseClick(list("LV1")->viewport(), Qt::LeftButton, {}, list("LV1")->visualItemRect(list("LV1")->topLevelItem(0)).center());
    pressInMain(Qt::Key_Space);
    std::size_t requests = site.requestCount();

    pressInMain(Qt::Key_R, Qt::ControlModifier);
    ASSERT_NE(table(), nullptr);
    EXPECT_EQ(table()->window()->windowTitle(), QStringLiteral("비교표 - \u2068검\u2069 (영웅)"));
    QStringList headers;
    for (int c = 0; c < table()->model()->columnCount(); ++c)
        headers << table()->model()->headerData(c, Qt::Horizontal).toString();
    EXPECT_EQ(headers.join(','), QStringLiteral("아이템명,종류,대신,힘,민첩,지능,정신,체력,근공력,주문력,원공력,물리 방어도,"
                                                "마법 저항도,치유력,활력,생명력,점수,상태"));
    EXPECT_EQ(cell(0, QStringLiteral("상태")), QString()); // kept: ranked at once
    ASSERT_TRUE(QTest::qWaitFor([&] { return filled(); }, 20'000))
        << window->findChild<QLabel *>(QStringLiteral("rankingProgress"))->text().toStdString() << " after "
        << site.requestCount() - requests << " requests";
    EXPECT_EQ(site.requestCount(), requests + 2 * 3); // 검3, 검4, 검5 only (검2 was kept by its add)
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return window->findChild<QLabel *>(QStringLiteral("rankingProgress"))->text() == QStringLiteral("5 / 5"); }));
    // The cap: the next hit's first request no sooner than two requests' worth after the last.
    const auto stamped = times();
    for (std::size_t i = stamped.size() - 6 + 2; i < stamped.size(); i += 2)
        EXPECT_GE(stamped[i].second - stamped[i - 1].second, std::chrono::milliseconds(250)) << i;
    // The cells, as a preview says them: 검3 in place of 검2 (the first 한손검 in the list).
    EXPECT_EQ(cell(2, QStringLiteral("대신")), QStringLiteral("검2"));
    EXPECT_EQ(cell(2, QStringLiteral("힘")), QStringLiteral("+1"));
    EXPECT_EQ(cell(4, QStringLiteral("대신")), QString()); // no 방패 yet: appended
    EXPECT_EQ(cell(4, QStringLiteral("물리 방어도")), QStringLiteral("+40"));
    EXPECT_EQ(cell(1, QStringLiteral("힘")), QString()); // itself: nothing moves

    // Weights and the score; sorted by it, the largest gain first.
    EXPECT_EQ(cell(2, QStringLiteral("점수")), QString());
    typeText(window->findChild<QLineEdit *>(QStringLiteral("weight(0)")), QStringLiteral("0.5"));
    typeText(window->findChild<QLineEdit *>(QStringLiteral("weight(5)")), QStringLiteral("1"));
    EXPECT_NEAR(cell(2, QStringLiteral("점수")).toDouble(), 0.5 + cell(2, QStringLiteral("근공력")).toDouble(), 0.005);
    QHeaderView *header = table()->horizontalHeader();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, QPoint(header->sectionViewportPosition(16) + 5, 5));
    EXPECT_EQ(cell(0, QStringLiteral("아이템명")), QStringLiteral("검5")); // appended: +50 공격력 and +5 힘

    // A second Ctrl+R sends nothing.
    requests = site.requestCount();
    pressInMain(Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(site.requestCount(), requests);

    // An add from the table is the add of the result list: its two requests, its status, and
    // the table measures against the new set at once.
    table()->selectRow(rowOf(QStringLiteral("검5")));
    pressInTable(Qt::Key_Return);
    EXPECT_EQ(site.requestCount(), requests + 2);
    EXPECT_EQ(status(), QStringLiteral("추가: \u2068검5\u2069 (영웅)"));
    EXPECT_EQ(rows(list("LV2")).back()[0], QStringLiteral("검5"));
    EXPECT_EQ(cell(rowOf(QStringLiteral("검5")), QStringLiteral("대신")), QStringLiteral("검5"));
    EXPECT_EQ(cell(rowOf(QStringLiteral("검5")), QStringLiteral("물리 방어도")), QString());

    // Another grade ranks again; a search while the table fills gives it the new hits and
    // title, and only theirs are fetched after the search.
    child<QComboBox>("cr1")->setCurrentIndex(6);
    ASSERT_TRUE(QTest::qWaitFor([&] { return site.requestCount() > requests + 2; }));
    searchFor(QStringLiteral("방패"));
    EXPECT_EQ(table()->window()->windowTitle(), QStringLiteral("비교표 - \u2068방패\u2069 (유일)"));
    ASSERT_EQ(table()->model()->rowCount(), 4);
    EXPECT_EQ(cell(0, QStringLiteral("아이템명")), QStringLiteral("검6"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return filled(); }, 20'000))
        << window->findChild<QLabel *>(QStringLiteral("rankingProgress"))->text().toStdString() << " after "
        << site.requestCount() - requests << " requests";
    const std::vector<RecordedRequest> all = site.requests();
    const auto search = std::find_if(all.rbegin(), all.rend(), [](const RecordedRequest &r) { return r.method == "POST"; });
    ASSERT_EQ(search - all.rbegin(), 8);
    for (auto r = all.rbegin(); r != search; ++r)
        EXPECT_GE(code(*r), "6") << r->target;

    // Esc stops: the fetch in flight ends, nothing more is sent.
    requests = site.requestCount();
    child<QComboBox>("cr1")->setCurrentIndex(7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return site.requestCount() > requests; }));
    pressInTable(Qt::Key_Escape);
    // The request in flight may end; nothing is sent after it, not even its hit's second one.
    requests = site.requestCount();
    QTest::qWait(600); // longer than the table's own spacing: a ranking not stopped would send more
    EXPECT_LE(site.requestCount(), requests + 1);
    EXPECT_NE(window->findChild<QLabel *>(QStringLiteral("rankingProgress"))->text(), QStringLiteral("4 / 4"));
}

TEST_F(WindowRanking, WithoutAGradeTheGradeMessageAndNoRequest)
{
    child<QComboBox>("cr1")->setCurrentIndex(-1);
    child<QComboBox>("cr1")->setEditText(QStringLiteral("등급설정"));
    const std::size_t requests = site.requestCount();
    const SeenMessage seen = closeMessageBoxDuring([&] { pressInMain(Qt::Key_R, Qt::ControlModifier); });
    EXPECT_EQ(seen.text, QStringLiteral("등급을 설정해주세요."));
    EXPECT_EQ(site.requestCount(), requests);
    EXPECT_TRUE(table() == nullptr || !table()->isVisible());
}

} // namespace
} // namespace velmora::test
