// The window as a player first sees it: every control where it was drawn, with its caption.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>

#include "tests/app/WindowFixture.h"
#include "tests/support/PlayerActions.h"

namespace velmora::test {
namespace {

using WindowLayout = WindowTest;

struct Placed {
    const char *name;
    const char *kind; // Qt class name
    const char *caption;
    QRect geometry; // logical pixels, relative to the client area or the control's frame
};

TEST_F(WindowLayout, EveryControlIsWhereItWasDrawnWithItsCaption)
{
    const Placed controls[] = {
        {"Label1", "QLabel", "검색어 :", {8, 11, 57, 17}},
        {"txtSearch", "QLineEdit", "", {64, 9, 209, 22}},
        {"cmdSearch", "QPushButton", "검색하기", {280, 7, 73, 25}},
        {"cr1", "QComboBox", "등급설정", {576, 8, 81, 23}},
        {"Command2", "QPushButton", "추가 사용법", {664, 7, 81, 25}},
        {"LV1", "QTreeWidget", "", {8, 40, 737, 297}},
        {"LV2", "QTreeWidget", "", {8, 344, 737, 193}},
        {"Frame2", "QGroupBox", "추가 설정", {752, 32, 273, 265}},
        {"Command1", "QPushButton", "계산", {752, 304, 273, 41}},
        {"Frame1", "QGroupBox", "예상 스탯치", {752, 352, 273, 185}},
        {"Check1(0)", "QCheckBox", "공격력 % 증가 설정", {16, 24, 187, 17}},
        {"Check1(2)", "QCheckBox", "물리 방어력 % 증가 설정", {16, 48, 187, 17}},
        {"Check1(3)", "QCheckBox", "마법 저항도 % 증가 설정", {16, 72, 187, 17}},
        {"Check1(8)", "QCheckBox", "생명력 % 증가 설정", {16, 96, 187, 17}},
        {"Check1(1)", "QCheckBox", "추가 원거리 공격력 설정", {16, 120, 187, 17}},
        {"Check1(4)", "QCheckBox", "추가 물리 방어도 설정", {16, 144, 187, 17}},
        {"Check1(5)", "QCheckBox", "추가 마법 저항도 설정", {16, 168, 187, 17}},
        {"Check1(6)", "QCheckBox", "추가 공격력 설정", {16, 192, 187, 17}},
        {"Check1(7)", "QCheckBox", "추가 주문력 설정", {16, 216, 187, 17}},
        {"Check1(9)", "QCheckBox", "추가 생명력 설정", {16, 240, 187, 17}},
        {"lab1(0)", "QLabel", "힘 :", {16, 32, 73, 17}},
        {"lab1(1)", "QLabel", "민첩 :", {16, 56, 73, 17}},
        {"lab1(2)", "QLabel", "지능 :", {104, 32, 73, 17}},
        {"lab1(3)", "QLabel", "정신 :", {104, 56, 73, 17}},
        {"lab1(4)", "QLabel", "체력 :", {192, 32, 73, 17}},
        {"lab1(5)", "QLabel", "근공력 :", {16, 88, 100, 17}},
        {"lab1(6)", "QLabel", "주문력 :", {16, 136, 100, 17}},
        {"lab1(7)", "QLabel", "원공력 :", {16, 112, 100, 17}},
        {"lab1(8)", "QLabel", "물리 방어도 :", {128, 136, 140, 17}},
        {"lab1(9)", "QLabel", "마법 저항도 :", {128, 160, 140, 17}},
        {"lab1(10)", "QLabel", "치유력 : 미구현", {16, 160, 100, 17}},
        {"lab1(11)", "QLabel", "활력 :", {128, 112, 140, 17}},
        {"lab1(12)", "QLabel", "생명력 :", {128, 88, 140, 17}},
    };
    for (const Placed &control : controls) {
        SCOPED_TRACE(control.name);
        auto *widget = child<QWidget>(control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), control.kind);
        EXPECT_EQ(widget->geometry(), control.geometry);
        EXPECT_TRUE(widget->isVisible());
        const QString caption = QString::fromUtf8(control.caption);
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            EXPECT_EQ(label->text(), caption);
            EXPECT_EQ(label->textFormat(), Qt::PlainText);
        } else if (auto *button = qobject_cast<QAbstractButton *>(widget)) {
            EXPECT_EQ(button->text(), caption);
        } else if (auto *frame = qobject_cast<QGroupBox *>(widget)) {
            EXPECT_EQ(frame->title(), caption);
        } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
            EXPECT_EQ(combo->currentText(), caption);
        }
    }
    // Controls inside a frame are placed relative to that frame.
    EXPECT_EQ(child<QWidget>("Check1(0)")->parentWidget(), child<QWidget>("Frame2"));
    EXPECT_EQ(child<QWidget>("lab1(12)")->parentWidget(), child<QWidget>("Frame1"));
}

TEST_F(WindowLayout, WindowCaptionSizeMenuAndFonts)
{
    EXPECT_EQ(window->windowTitle(), QStringLiteral("벨모라 아이템 시뮬레이터 - ver 1.3"));
    EXPECT_EQ(window->centralWidget()->size(), QSize(1034, 545));
    EXPECT_FALSE(window->windowIcon().isNull());

    const QList<QAction *> onBar = window->menuBar()->actions();
    ASSERT_EQ(onBar.size(), 1);
    EXPECT_EQ(onBar[0]->objectName(), QStringLiteral("LV2Reset"));
    EXPECT_EQ(onBar[0]->text(), QStringLiteral("목록초기화"));
    EXPECT_EQ(onBar[0]->menu(), nullptr); // a command on the bar itself, not a menu

    const QFont font = child<QWidget>("txtSearch")->font();
    EXPECT_EQ(font.pointSize(), 9);
    EXPECT_EQ(font.families().value(0), QStringLiteral("맑은 고딕"));
    EXPECT_TRUE(child<QLabel>("lab1(10)")->font().strikeOut());
    EXPECT_FALSE(child<QLabel>("lab1(9)")->font().strikeOut());
}

TEST_F(WindowLayout, ListColumns)
{
    struct Columns {
        const char *list;
        std::vector<std::pair<const char *, int>> headersAndWidths;
    };
    const Columns lists[] = {
        {"LV1", {{"아이템명", 412}, {"종류", 165}, {"옵션", 470}, {"코드주소", 1}}},
        {"LV2", {{"아이템명", 329}, {"종류", 165}, {"옵션", 470}, {"등급", 88}, {"경매장단가", 235}}},
    };
    for (const Columns &expected : lists) {
        SCOPED_TRACE(expected.list);
        QTreeWidget *view = list(expected.list);
        ASSERT_EQ(view->columnCount(), static_cast<int>(expected.headersAndWidths.size()));
        for (int c = 0; c < view->columnCount(); ++c) {
            EXPECT_EQ(view->headerItem()->text(c), QString::fromUtf8(expected.headersAndWidths[c].first));
            EXPECT_EQ(view->columnWidth(c), expected.headersAndWidths[c].second);
        }
        EXPECT_FALSE(view->header()->stretchLastSection());
        EXPECT_EQ(view->topLevelItemCount(), 0);
    }
}

TEST_F(WindowLayout, UsageMessage)
{
    const SeenMessage seen = closeMessageBoxDuring([&] { QTest::mouseClick(child<QPushButton>("Command2"), Qt::LeftButton); });
    ASSERT_TRUE(seen.shown);
    EXPECT_EQ(seen.title, QStringLiteral("추가 사용법"));
    EXPECT_EQ(seen.icon, QMessageBox::Information);
    EXPECT_EQ(seen.text, QStringLiteral("불꽃 목걸이, 세트 효과 등의 증감치는 반영이 되지 않아\n"
                                        "직접 생명력 추가로 입력하셔야합니다.\n\n"
                                        "더블클릭을 하면 밑에 목록으로 추가가 됩니다.\n\n"
                                        "목록에 더블클릭을 하면 개별 삭제 됩니다.\n\n"
                                        "검색어를 입력 후 엔터를 치면 자동으로 검색이 됩니다."));
}

} // namespace
} // namespace velmora::test
