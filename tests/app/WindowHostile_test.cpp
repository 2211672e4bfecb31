// Whatever the site or the player sends, the window keeps working, shows the truth in its status
// bar, loses no equipment row and requests nothing but http(s) addresses.
#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include <random>

#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";

using WindowHostile = WindowTest;

TEST_F(WindowHostile, OddResultPages)
{
    std::mt19937 random(20261207);
    std::string noise(64 * 1024, '\0');
    for (char &byte : noise)
        byte = static_cast<char>(random());
    // A page in the Windows superset of EUC-KR, declared nowhere: 똠방각하 반지 / 반지.
    const std::string euckrName = "\x8C\x63\xB9\xE6\xB0\xA2\xC7\xCF\x20\xB9\xDD\xC1\xF6";
    const std::string euckrKind = "\xB9\xDD\xC1\xF6";

    struct Case {
        const char *what;
        CannedResponse reply;
        std::vector<QString> names; // of the listed hits; nullopt-like: checked only when given
        bool checkNames;
        const char *status;
    };
    CannedResponse huge;
    huge.generatedBodyBytes = 100'000'000;
    const Case cases[] = {
        {"an empty 200", CannedResponse{.body = ""}, {}, true, "검색 결과 0건"},
        {"random bytes", CannedResponse{.body = noise, .contentType = "application/octet-stream"}, {}, false,
         "검색 결과"},
        {"EUC-KR without a declaration",
         CannedResponse{.body = resultPage({{euckrName, euckrKind, "", "http://x/"}}), .contentType = "text/html"},
         {QStringLiteral("똠방각하 반지")}, true, "검색 결과 1건"},
        {"invalid UTF-8 in a name",
         CannedResponse{.body = resultPage({{"깨진\xFF이름", "반지", "", "http://x/"}, {"멀쩡한 이름", "반지", "", "http://y/"}})},
         {QStringLiteral("깨진\uFFFD이름"), QStringLiteral("멀쩡한 이름")}, true, "검색 결과 2건"},
        {"a 100 MB page", huge, {}, true, "검색 실패: 응답이 너무 큽니다"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        site.on(listPath, c.reply);
        searchFor(QStringLiteral("x"));
        QTreeWidget *results = list("LV1");
        if (c.checkNames) {
            std::vector<QString> names;
            for (int i = 0; i < results->topLevelItemCount(); ++i)
                names.push_back(results->topLevelItem(i)->text(0));
            EXPECT_EQ(names, c.names);
        }
        EXPECT_TRUE(status().startsWith(QString::fromUtf8(c.status))) << status().toStdString();
    }
}

TEST_F(WindowHostile, AddressesThatAreNotWebPagesAreNeverRequested)
{
    const std::string addresses[] = {
        "file:///etc/passwd",
        "javascript:alert(1)",
        "data:text/html,<b>x</b>",
        "../item/detail.php?code=1",
        site.url("/item/detail.php?code=" + std::string(10'000, '1')),
    };
    child<QComboBox>("cr1")->setCurrentIndex(0);
    for (const std::string &address : addresses) {
        SCOPED_TRACE(address.substr(0, 60));
        site.on(listPath, CannedResponse{.body = resultPage({{"<b>수상한</b> &amp; 반지", "<img src=x>", "", address}})});
        searchFor(QStringLiteral("x"));
        const std::size_t before = site.requestCount();
        doubleClickRow(list("LV1"), 0);
        EXPECT_EQ(site.requestCount(), before);
        // The row is still added, its name and kind shown as the page wrote them.
        const auto added = rows(list("LV2")).back();
        EXPECT_EQ(added, (std::vector<QString>{"<b>수상한</b> &amp; 반지", "<img src=x>", "", "저급", ""}));
        EXPECT_TRUE(status().contains(QStringLiteral("허용되지 않는 주소"))) << status().toStdString();
    }
    EXPECT_EQ(list("LV2")->topLevelItemCount(), static_cast<int>(std::size(addresses)));
}

class WindowHostileBonus : public WindowTest {
protected:
    QString check(int index, const QString &typed)
    {
        auto *box = child<QCheckBox>(QStringLiteral("Check1(%1)").arg(index).toLatin1().constData());
        answerInputDialogDuring([&] { QTest::mouseClick(box, Qt::LeftButton); }, typed);
        return box->text();
    }
    QString label(int index) const
    {
        return child<QLabel>(QStringLiteral("lab1(%1)").arg(index).toLatin1().constData())->text();
    }
};

TEST_F(WindowHostileBonus, OddAmountsAreStoredOrRefusedAndOverflowLeavesBareCaptions)
{
    struct Case {
        int index;
        QString typed;
        const char *caption;
    };
    const Case cases[] = {
        {8, QStringLiteral("1e308"), "생명력 1E+308% 추가 완료."},
        {0, QStringLiteral("-1e308"), "공격력 -1E+308% 추가 완료."},
        {2, QStringLiteral("NaN"), "방어도 0% 추가 완료."},
        {3, QStringLiteral("inf"), "저항도 0% 추가 완료."},
        {4, QStringLiteral("５"), "방어도 0 추가 완료."},    // full-width digit
        {9, QStringLiteral("1,000"), "생명력 0 추가 완료."}, // thousands separator
        {6, QString(3000, QLatin1Char('9')), "공격력 0 추가 완료."},
        {7, QStringLiteral("12") + QString(2000, QLatin1Char(' ')) + QStringLiteral("x"), "주문력 0 추가 완료."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        EXPECT_EQ(check(c.index, c.typed), QString::fromUtf8(c.caption));
    }
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    // 10296 * 1e306 overflows: 생명력 has no value. The other huge ratio stays finite.
    EXPECT_EQ(label(12), QStringLiteral("생명력 :"));
    EXPECT_EQ(label(5), QStringLiteral("근공력 : -3.2E+307"));
    EXPECT_EQ(label(8), QStringLiteral("물리 방어도 : 0"));
    EXPECT_EQ(label(11), QStringLiteral("활력 : 7536"));
}

TEST_F(WindowHostile, AHundredThousandRowsAddUpWithoutLeavingInt32)
{
    QString text;
    for (int i = 0; i < 100'000; ++i)
        text += QStringLiteral("돌\t반지\t힘30000 체력1 \t일반\n");
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(list("LV2"), Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(list("LV2")->topLevelItemCount(), 100'000);
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    auto label = [this](int i) { return child<QLabel>(QStringLiteral("lab1(%1)").arg(i).toLatin1().constData())->text(); };
    // 158 + 30000 * 71582 is the last sum below 2^31; every later row would leave int32.
    EXPECT_EQ(label(0), QStringLiteral("힘 : 2147460158"));
    EXPECT_EQ(label(4), QStringLiteral("체력 : 100158"));
    // 100158 * 12 + 8400 fits; 2147460158 * 0.2 enters the attack power as 429492032.
    EXPECT_EQ(label(12), QStringLiteral("생명력 : 1210296"));
    EXPECT_EQ(label(5), QStringLiteral("근공력 : 429492033.4"));
}

} // namespace
} // namespace velmora::test
