// What a player expects of a gear planner beyond the written window, through real key and mouse
// events: undo and redo of the equipment list, Enter and Delete, copy and paste, sorting the hits,
// and the breakdown tooltips and change report of 계산. None of it may send a request.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTextDocument>

#include "tests/app/WindowFixture.h"
#include "tests/support/PlayerActions.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";
using Rows = std::vector<std::vector<QString>>;

// U+2068 … U+2069 around a text of the site's inside one of the window's own messages.
QString isolated(const QString &text) { return QChar(0x2068) + text + QChar(0x2069); }

class WindowPlanner : public WindowTest {
protected:
    // Three hits; the tooltip page of each grade gives the item's stats.
    void SetUp() override
    {
        WindowTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        site.on(listPath, CannedResponse{.body = resultPage({
                              {"불꽃 목걸이", "목걸이", "", site.url("/item/detail.php?code=1")},
                              {"바람 활", "활", "", site.url("/item/detail.php?code=2")},
                              {"<b>강철</b> 투구", "투구", "", site.url("/item/detail.php?code=3")},
                          })});
        site.on("/item/detail.php", [this](const RecordedRequest &req) {
            const std::string code = req.target.substr(req.target.find("code=") + 5, 1);
            return CannedResponse{.body = itemPage(site.url("/item/detail.php?code=" + code + "&grade="))};
        });
        site.on("/item/item_layer.inc.php", [](const RecordedRequest &req) {
            const char code = req.target[req.target.find("code=") + 5];
            const char *tooltip = code == '1'   ? "str: 12, sta: 3, dps: 30, itemtype: 1, "
                                  : code == '2' ? "dex: 7, dps: 20, itemtype: 77, "
                                                : "armor: 50, sta: 5, ";
            return CannedResponse{.body = tooltip};
        });
        searchFor(QStringLiteral("x"));
        ASSERT_EQ(list("LV1")->topLevelItemCount(), 3);
        child<QComboBox>("cr1")->setCurrentIndex(5); // 영웅
    }

    void key(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(target, key, modifiers);
    }
    void undo() { key(list("LV2"), Qt::Key_Z, Qt::ControlModifier); }
    void redo() { key(list("LV2"), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier); }
    void calculate() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }
    QLabel *label(int i) const { return child<QLabel>(QStringLiteral("lab1(%1)").arg(i).toLatin1().constData()); }

    // What a tooltip shows, as text.
    QStringList tooltipLines(int i) const
    {
        QTextDocument shown;
        shown.setHtml(label(i)->toolTip());
        return shown.toPlainText().split(QLatin1Char('\n'));
    }

    // Selects hit `row` with a click and presses Enter on the list.
    void enterOnHit(int row)
    {
        QTreeWidget *hits = list("LV1");
        QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->topLevelItem(row)).center());
        key(hits, Qt::Key_Return);
    }

    const Rows necklace = {{"불꽃 목걸이", "목걸이", "공격력30 힘12 체력3 ", "영웅", ""}};
    const Rows bow = {{"바람 활", "활", "원공20 민첩7 ", "영웅", ""}};
    const Rows helmet = {{"<b>강철</b> 투구", "투구", "방어도50 체력5 ", "영웅", ""}};
    static Rows join(std::initializer_list<Rows> parts)
    {
        Rows all;
        for (const Rows &part : parts)
            all.insert(all.end(), part.begin(), part.end());
        return all;
    }
};

TEST_F(WindowPlanner, UndoAndRedoTakeBackAddRemoveClearAndPasteWithoutARequest)
{
    enterOnHit(0);
    enterOnHit(1);
    enterOnHit(2);
    QTreeWidget *equipment = list("LV2");
    ASSERT_EQ(rows(equipment), join({necklace, bow, helmet}));
    const std::size_t requests = site.requestCount();

    // Remove the middle row with Delete, clear the list from the menu, paste a row.
    QTest::mouseClick(equipment->viewport(), Qt::LeftButton, {},
                      equipment->visualItemRect(equipment->topLevelItem(1)).center());
    key(equipment, Qt::Key_Delete);
    EXPECT_EQ(rows(equipment), join({necklace, helmet}));
    child<QAction>("LV2Reset")->trigger();
    EXPECT_EQ(rows(equipment), Rows{});
    QGuiApplication::clipboard()->setText(QStringLiteral("돌 반지\t반지\t힘1 \t일반\n"));
    key(equipment, Qt::Key_V, Qt::ControlModifier);
    const Rows ring = {{"돌 반지", "반지", "힘1 ", "일반", ""}};
    EXPECT_EQ(rows(equipment), ring);

    // Back through every step, each row where it stood, all its columns.
    const std::vector<std::pair<Rows, QString>> undone = {
        {Rows{}, QStringLiteral("되돌림: 붙여넣기 (1개)")},
        {join({necklace, helmet}), QStringLiteral("되돌림: 목록초기화 (2개)")},
        {join({necklace, bow, helmet}), QStringLiteral("되돌림: 삭제 ") + isolated(QStringLiteral("바람 활"))},
        {join({necklace, bow}), QStringLiteral("되돌림: 추가 ") + isolated(QStringLiteral("<b>강철</b> 투구"))},
    };
    for (const auto &[expected, message] : undone) {
        undo();
        EXPECT_EQ(rows(equipment), expected);
        EXPECT_EQ(status(), message);
    }
    // And forward again, with both redo keys.
    redo();
    EXPECT_EQ(rows(equipment), join({necklace, bow, helmet}));
    EXPECT_EQ(status(), QStringLiteral("다시 실행: 추가 ") + isolated(QStringLiteral("<b>강철</b> 투구")));
    key(equipment, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(rows(equipment), join({necklace, helmet}));
    redo();
    redo();
    EXPECT_EQ(rows(equipment), ring);
    redo();
    EXPECT_EQ(status(), QStringLiteral("다시 실행할 변경이 없습니다"));

    // A new change forgets what was undone.
    undo();
    enterOnHit(0);
    redo();
    EXPECT_EQ(rows(equipment), necklace);
    // Only the one add above asked the site for anything.
    EXPECT_EQ(site.requestCount(), requests + 2);
}

TEST_F(WindowPlanner, UndoKeysKeepTheirEditingMeaningInTheSearchAndGradeBoxes)
{
    enterOnHit(0);
    auto *search = child<QLineEdit>("txtSearch");
    search->setFocus();
    typeText(search, QStringLiteral("불꽃"));
    key(search, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(search->text(), QString());
    EXPECT_EQ(rows(list("LV2")), necklace);
    QLineEdit *grade = child<QComboBox>("cr1")->lineEdit();
    grade->setFocus();
    key(grade, Qt::Key_Z, Qt::ControlModifier);
    key(grade, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(rows(list("LV2")), necklace);
}

TEST_F(WindowPlanner, EnterOnTheHitsIsADoubleClickAndNeverAddsTwice)
{
    child<QComboBox>("cr1")->setCurrentIndex(-1);
    child<QComboBox>("cr1")->setEditText(QStringLiteral("등급설정"));
    const SeenMessage seen = closeMessageBoxDuring([&] { enterOnHit(1); });
    EXPECT_EQ(seen.text, QStringLiteral("등급을 설정해주세요."));
    EXPECT_EQ(list("LV2")->topLevelItemCount(), 0);

    child<QComboBox>("cr1")->setCurrentIndex(5);
    enterOnHit(1);
    EXPECT_EQ(rows(list("LV2")), bow);
    EXPECT_EQ(status(), QStringLiteral("추가: ") + isolated(QStringLiteral("바람 활")) + QStringLiteral(" (영웅)"));
}

TEST_F(WindowPlanner, CopyWritesTheListAndTheCaptionsAsText)
{
    enterOnHit(0);
    enterOnHit(2);
    const std::size_t requests = site.requestCount();
    key(list("LV2"), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("아이템명\t종류\t옵션\t등급\n"
                                                                   "불꽃 목걸이\t목걸이\t공격력30 힘12 체력3 \t영웅\n"
                                                                   "<b>강철</b> 투구\t투구\t방어도50 체력5 \t영웅\n"));
    calculate();
    key(list("LV2"), Qt::Key_C, Qt::ControlModifier);
    QString expected = QStringLiteral("아이템명\t종류\t옵션\t등급\n"
                                      "불꽃 목걸이\t목걸이\t공격력30 힘12 체력3 \t영웅\n"
                                      "<b>강철</b> 투구\t투구\t방어도50 체력5 \t영웅\n\n");
    for (int i = 0; i < statLabelCount; ++i)
        expected += label(i)->text() + QLatin1Char('\n');
    EXPECT_EQ(QGuiApplication::clipboard()->text(), expected);
    EXPECT_TRUE(expected.contains(QStringLiteral("\n힘 : 170\n")));
    EXPECT_EQ(site.requestCount(), requests);
}

TEST_F(WindowPlanner, PasteTakesGoodLinesCountsTheOthersAndIsOneUndoStep)
{
    QTreeWidget *equipment = list("LV2");
    const std::size_t requests = site.requestCount();
    QGuiApplication::clipboard()->setText(QStringLiteral("아이템명\t종류\t옵션\t등급\r\n"
                                                         "돌 반지\t반지\t힘1 \t일반\r\n"
                                                         "그냥 한 줄\r\n"
                                                         "활\t활\t원공3 \t없는등급\r\n"
                                                         "금 반지\t반지\t\t신화\r\n"
                                                         "\r\n"
                                                         "뒤 반지\t반지\t힘9 \t일반\r\n"));
    key(equipment, Qt::Key_V, Qt::ControlModifier);
    // The row after the empty line is a row like the others.
    const Rows pasted = {{"돌 반지", "반지", "힘1 ", "일반", ""},
                         {"금 반지", "반지", "", "신화", ""},
                         {"뒤 반지", "반지", "힘9 ", "일반", ""}};
    EXPECT_EQ(rows(equipment), pasted);
    EXPECT_EQ(status(), QStringLiteral("붙여넣기: 3개 추가, 2줄 무시"));
    undo();
    EXPECT_EQ(rows(equipment), Rows{});
    EXPECT_EQ(site.requestCount(), requests);

    // Copy, clear, paste gives back the same list.
    enterOnHit(0);
    enterOnHit(2);
    const Rows before = rows(equipment);
    key(equipment, Qt::Key_C, Qt::ControlModifier);
    child<QAction>("LV2Reset")->trigger();
    key(equipment, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(rows(equipment), before);
    EXPECT_EQ(status(), QStringLiteral("붙여넣기: 2개 추가"));
}

TEST_F(WindowPlanner, HeaderClicksSortTheHitsAndAddTheSelectedOne)
{
    QTreeWidget *hits = list("LV1");
    const auto names = [hits] {
        QStringList all;
        for (int i = 0; i < hits->topLevelItemCount(); ++i)
            all << hits->topLevelItem(i)->text(0);
        return all;
    };
    QHeaderView *header = hits->header();
    const auto clickHeader = [header](int column) {
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 5, header->height() / 2));
    };
    // By kind (목걸이, 투구, 활), then the other way round.
    clickHeader(1);
    EXPECT_EQ(names(), (QStringList{"불꽃 목걸이", "<b>강철</b> 투구", "바람 활"}));
    EXPECT_TRUE(header->isSortIndicatorShown());
    EXPECT_EQ(header->sortIndicatorSection(), 1);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(1);
    EXPECT_EQ(names(), (QStringList{"바람 활", "<b>강철</b> 투구", "불꽃 목걸이"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    // Another column starts ascending again, whichever way the last one went.
    clickHeader(0);
    EXPECT_EQ(names(), (QStringList{"<b>강철</b> 투구", "바람 활", "불꽃 목걸이"}));
    EXPECT_EQ(header->sortIndicatorSection(), 0);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
    clickHeader(0);
    EXPECT_EQ(names(), (QStringList{"불꽃 목걸이", "바람 활", "<b>강철</b> 투구"}));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(site.requestCount(), 1u); // the search only

    // The selected hit is added, wherever sorting put it: the bow, now second, with its stats.
    const std::size_t before = site.requestCount();
    enterOnHit(1);
    EXPECT_EQ(rows(list("LV2")), bow);
    EXPECT_EQ(site.requests()[before].target, "/item/detail.php?code=2");

    // A new search lists the hits in page order again.
    searchFor(QStringLiteral("x"));
    EXPECT_EQ(names(), (QStringList{"불꽃 목걸이", "바람 활", "<b>강철</b> 투구"}));
    EXPECT_FALSE(list("LV1")->header()->isSortIndicatorShown());
}

TEST_F(WindowPlanner, TooltipsExplainEachValueAndTheStatusSaysWhatChanged)
{
    for (int i = 0; i < statLabelCount; ++i)
        EXPECT_EQ(label(i)->toolTip(), QString()) << i;
    enterOnHit(0);
    calculate();
    EXPECT_EQ(status(), QStringLiteral("계산 완료"));
    for (int i = 0; i < statLabelCount; ++i) {
        const QStringList lines = tooltipLines(i);
        SCOPED_TRACE(i);
        ASSERT_FALSE(lines.isEmpty());
        const QString value = label(i)->text().section(QStringLiteral(" : "), 1);
        if (i <= 4) { // the primary stats: their lines add up to the value
            int sum = 0;
            for (const QString &line : lines)
                sum += line.section(QLatin1Char(' '), -1).toInt();
            EXPECT_EQ(QString::number(sum), value);
        } else if (i != 10) {
            EXPECT_EQ(lines.last(), QStringLiteral("= ") + value);
        }
    }
    EXPECT_EQ(tooltipLines(0), (QStringList{QStringLiteral("기본 158"),
                                            isolated(QStringLiteral("불꽃 목걸이")) + QStringLiteral(" (")
                                                + isolated(QStringLiteral("영웅")) + QStringLiteral(") +12")}));

    // Between clicks the tooltips stay; the next click compares with this one.
    const QString before = label(4)->toolTip();
    enterOnHit(2);
    EXPECT_EQ(label(4)->toolTip(), before);
    calculate();
    EXPECT_NE(label(4)->toolTip(), before);
    EXPECT_EQ(status(), QStringLiteral("계산: 체력 +5, 물리 방어도 +50, 생명력 +60"));
    EXPECT_EQ(tooltipLines(4).last(), QStringLiteral("이전 계산 대비 +5"));
    // The helmet's name is shown as its characters, not as markup.
    EXPECT_TRUE(tooltipLines(4).join(QLatin1Char('\n')).contains(QStringLiteral("<b>강철</b> 투구")));
    calculate();
    EXPECT_EQ(status(), QStringLiteral("계산: 변화 없음"));
}

TEST_F(WindowPlanner, TabWalksTheControlsInTheirOrder)
{
    auto *search = child<QLineEdit>("txtSearch");
    search->setFocus();
    QStringList visited;
    for (int i = 0; i < 17; ++i) {
        visited << QApplication::focusWidget()->objectName();
        key(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, (QStringList{"txtSearch", "cmdSearch", "cr1", "Command2", "LV1", "LV2", "Check1(0)",
                                    "Check1(2)", "Check1(3)", "Check1(8)", "Check1(1)", "Check1(4)", "Check1(5)",
                                    "Check1(6)", "Check1(7)", "Check1(9)", "Command1"}));
}

// A name with a right-to-left override that it never closes: the window's own words after it
// must keep their direction, so the name stands isolated, character for character.
TEST_F(WindowPlanner, ARightToLeftOverrideInANameEndsWithTheName)
{
    const QString name = QStringLiteral("\u202E반지 ring");
    site.on(listPath, CannedResponse{.body = resultPage({{name.toStdString(), "반지", "", site.url("/item/detail.php?code=1")}})});
    searchFor(QStringLiteral("x"));
    enterOnHit(0);
    EXPECT_EQ(status(), QStringLiteral("추가: \u2068\u202E반지 ring\u2069 (영웅)"));
}

} // namespace
} // namespace velmora::test
