// Bonus boxes through their real input dialog, and the expected stats written by 계산.
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

#include "stats/ExpectedStats.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/PlayerActions.h"

namespace velmora::test {
namespace {

class WindowStats : public WindowTest {
protected:
    QCheckBox *box(int index) const
    {
        return child<QCheckBox>(QStringLiteral("Check1(%1)").arg(index).toLatin1().constData());
    }

    /// Checks box `index` with a click and answers its dialog with `typed` (or cancels it).
    SeenInput checkBox(int index, const QString &typed, bool cancel = false)
    {
        return answerInputDialogDuring([&] { QTest::mouseClick(box(index), Qt::LeftButton); }, typed, cancel);
    }

    std::vector<QString> captions() const
    {
        std::vector<QString> texts;
        for (int i = 0; i < statLabelCount; ++i)
            texts.push_back(child<QLabel>(QStringLiteral("lab1(%1)").arg(i).toLatin1().constData())->text());
        return texts;
    }

    void calculate() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }

    /// Puts an equipment row straight into the list, as an item fetch would have added it.
    // A row with any stat text, entered as a player can: pasted into the equipment list.
    void addEquipment(const QString &statText)
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("아이템\t종류\t%1\t영웅\n").arg(statText));
        QTest::keyClick(list("LV2"), Qt::Key_V, Qt::ControlModifier);
    }
};

TEST_F(WindowStats, BonusDialogAnswersAndCaptions)
{
    struct Case {
        int index;
        const char *typed;
        bool cancel;
        const char *caption;
    };
    const Case cases[] = {
        {0, "5", false, "공격력 5% 추가 완료."},     {8, "7", false, "생명력 7% 추가 완료."},
        {4, "2.5", false, "방어도 2 추가 완료."},    {5, "3.5", false, "저항도 4 추가 완료."},
        {6, "2.5", false, "공격력 2.5 추가 완료."},  {3, "-10", false, "저항도 -10% 추가 완료."},
        {1, "", true, "원거리 공격력 0 추가 완료."}, {7, "abc", false, "주문력 0 추가 완료."},
        {9, "2147483648", false, "생명력 0 추가 완료."}, {2, " 12 ", false, "방어도 12% 추가 완료."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.index);
        const SeenInput seen = checkBox(c.index, QString::fromUtf8(c.typed), c.cancel);
        ASSERT_TRUE(seen.shown);
        EXPECT_EQ(seen.title, QString());
        EXPECT_EQ(seen.prefilled, QStringLiteral("5"));
        EXPECT_TRUE(seen.prompt.endsWith(QStringLiteral("\n숫자만 입력하세요."))) << seen.prompt.toStdString();
        EXPECT_TRUE(box(c.index)->isChecked());
        EXPECT_EQ(box(c.index)->text(), QString::fromUtf8(c.caption));
    }
    // What was kept shows in the stats of an empty list: 공격력 2.5 rounds to 2 and strength adds
    // 31.6 (34, +5 %); 방어도 2, +12 %; 저항도 4, -10 %, plus 정신; 생명력 +7 %. The cancelled, letter
    // and out-of-range amounts kept nothing.
    calculate();
    const std::vector<QString> expected = {
        "힘 : 158",        "민첩 : 158",       "지능 : 158",        "정신 : 158",          "체력 : 158",
        "근공력 : 37.1",   "원공력 : 32.6",    "주문력 : 32.6",     "물리 방어도 : 2.24",  "마법 저항도 : 161.6",
        "치유력 :",        "활력 : 7536",      "생명력 : 11016.72",
    };
    EXPECT_EQ(captions(), expected);
}

TEST_F(WindowStats, UncheckingClearsTheBonusWithoutADialog)
{
    checkBox(2, QStringLiteral("10"));
    checkBox(9, QStringLiteral("300"));
    checkBox(6, QStringLiteral("4"));
    for (int index : {2, 9, 6}) {
        const SeenInput none = answerInputDialogDuring([&] { QTest::mouseClick(box(index), Qt::LeftButton); }, {});
        EXPECT_FALSE(none.shown) << index;
        EXPECT_FALSE(box(index)->isChecked());
    }
    EXPECT_EQ(box(2)->text(), QStringLiteral("물리 방어도 % 증가 설정"));
    EXPECT_EQ(box(9)->text(), QStringLiteral("추가 생명력 증가 설정"));
    EXPECT_EQ(box(6)->text(), QStringLiteral("추가 공격력 설정"));
    // Nothing is left of the bonuses: the stats of an empty list without any.
    calculate();
    std::vector<QString> none;
    for (const std::string &caption : calculateExpectedStats({}, BonusSettings{}))
        none.push_back(QString::fromStdString(caption));
    EXPECT_EQ(captions(), none);
}

TEST_F(WindowStats, CalculateWritesTheExpectedStatsOfTheList)
{
    // Before the first click the labels keep their first captions, bonuses or not.
    checkBox(0, QStringLiteral("10"));
    EXPECT_EQ(child<QLabel>("lab1(10)")->text(), QStringLiteral("치유력 : 미구현"));
    EXPECT_EQ(child<QLabel>("lab1(6)")->text(), QStringLiteral("주문력 :"));

    checkBox(6, QStringLiteral("5"));
    checkBox(2, QStringLiteral("5"));
    checkBox(4, QStringLiteral("10"));
    checkBox(8, QStringLiteral("10"));
    checkBox(9, QStringLiteral("100"));
    addEquipment(QStringLiteral("공격력30 주문력7 방어도120 저항도80 힘5 체력6 정신3 민첩4 지능2 "));
    calculate();
    const std::vector<QString> expected = {
        "힘 : 163",         "민첩 : 162",         "지능 : 160",         "정신 : 161",      "체력 : 164",
        "근공력 : 76.2",    "원공력 : 33.4",      "주문력 : 40",        "물리 방어도 : 136.5", "마법 저항도 : 241",
        "치유력 :",         "활력 : 7560",        "생명력 : 11504.8",
    };
    EXPECT_EQ(captions(), expected);

    // A second click gives the same captions; a changed bonus shows only at the next click.
    calculate();
    EXPECT_EQ(captions(), expected);
    QTest::mouseClick(box(9), Qt::LeftButton); // unchecked: 생명력 bonus back to 0
    EXPECT_EQ(captions(), expected);
    calculate();
    EXPECT_EQ(captions()[12], QStringLiteral("생명력 : 11404.8"));
}

TEST_F(WindowStats, CalculateAgreesWithTheCalculationForTheListAsShown)
{
    const QStringList statTexts = {QStringLiteral("원공30 힘12 체력7 "), QStringLiteral("공격력12.5 "),
                                   QStringLiteral("공격력12.5 치유력<b>9</b> x"), QString()};
    std::vector<std::string> texts;
    for (const QString &text : statTexts) {
        addEquipment(text);
        texts.push_back(text.toStdString());
    }
    calculate();
    const StatTotals totals = calculateExpectedStats(texts, BonusSettings{});
    const std::vector<QString> shown = captions();
    for (int i = 0; i < statLabelCount; ++i)
        EXPECT_EQ(shown[static_cast<std::size_t>(i)].toStdString(), totals[static_cast<std::size_t>(i)]) << i;
    // The healing token is taken from the last row only: here the last row has none.
    EXPECT_EQ(shown[10], QStringLiteral("치유력 :"));
    QTreeWidget *equipment = list("LV2");
    equipment->setCurrentItem(equipment->topLevelItem(3));
    QTest::keyClick(equipment, Qt::Key_Delete);
    ASSERT_EQ(equipment->topLevelItemCount(), 3);
    calculate();
    EXPECT_EQ(captions()[10], QStringLiteral("치유력 : <b>9</b>")); // markup shown as plain text
}

} // namespace
} // namespace velmora::test
