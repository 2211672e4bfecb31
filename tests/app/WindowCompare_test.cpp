// Comparing before committing, through the window against a loopback site that counts requests:
// a preview of a hit (Space), a replacement of the first row of its kind (Shift+Enter), and a
// pinned reference (Ctrl+B) that calculations are compared with.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextDocument>

#include "app/SetFiles.h"
#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";
using Rows = std::vector<std::vector<QString>>;

QString isolated(const QString &text) { return QChar(0x2068) + text + QChar(0x2069); }

// The worked example's row: 공격력30 주문력7 방어도120 저항도80 힘5 체력6 정신3 민첩4 지능2.
const char *const exampleTooltip =
    "dps: 30, mdps: 7, armor: 120, resist: 80, str: 5, sta: 6, spi: 3, dex: 4, intellect: 2, itemtype: 1, ";

class WindowCompare : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        site.on(listPath, CannedResponse{.body = resultPage({
                              {"불꽃 송곳니", "한손검", "", site.url("/item/detail.php?code=1")},
                              {"녹슨 검", "한손검", "", site.url("/item/detail.php?code=2")},
                              {"나무 방패", "방패", "", site.url("/item/detail.php?code=3")},
                              {"없는 반지", "반지", "", site.url("/missing/detail.php")},
                          })});
        site.on("/item/detail.php", [this](const RecordedRequest &req) {
            const std::string code = req.target.substr(req.target.find("code=") + 5, 1);
            return CannedResponse{.body = itemPage(site.url("/item/item_layer.inc.php?code=" + code + "&grade="))};
        });
        site.on("/item/item_layer.inc.php", [](const RecordedRequest &req) {
            const char code = req.target[req.target.find("code=") + 5];
            return CannedResponse{.body = code == '1'   ? exampleTooltip
                                          : code == '2' ? "dps: 10, str: 1, itemtype: 1, "
                                                        : "armor: 40, sta: 2, "};
        });
        site.on("/missing/detail.php", CannedResponse{.status = 404, .body = "<html>없음</html>"});
        searchFor(QStringLiteral("검"));
        ASSERT_EQ(list("LV1")->topLevelItemCount(), 4);
        child<QComboBox>("cr1")->setCurrentIndex(5); // 영웅
    }

    void key(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(target, key, modifiers);
    }
    // Selects hit `row` with a click, then presses `key` on the result list.
    void onHit(int row, Qt::Key which, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTreeWidget *hits = list("LV1");
        QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->topLevelItem(row)).center());
        key(hits, which, modifiers);
    }
    void calculate() { QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton); }
    QString value(int label) const
    {
        return child<QLabel>(QStringLiteral("lab1(%1)").arg(label).toLatin1().constData())->text().section(QStringLiteral(" : "), 1);
    }
    QStringList captions() const
    {
        QStringList all;
        for (int i = 0; i < statLabelCount; ++i)
            all << child<QLabel>(QStringLiteral("lab1(%1)").arg(i).toLatin1().constData())->text();
        return all;
    }
    // What the hit's tooltip shows, line by line.
    QStringList hitTooltip(int row) const
    {
        QTextDocument shown;
        shown.setHtml(list("LV1")->topLevelItem(row)->toolTip(0));
        return shown.toPlainText().split(QLatin1Char('\n'));
    }
};

TEST_F(WindowCompare, APreviewSaysWhatAddingAndReplacingWouldChangeAsCalculationThenShows)
{
    onHit(1, Qt::Key_Return); // 녹슨 검, the row a 한손검 would replace
    answerInputDialogDuring([&] { QTest::mouseClick(child<QCheckBox>("Check1(0)"), Qt::LeftButton); }, QStringLiteral("10"));
    calculate();
    const QStringList before = captions();
    key(list("LV2"), Qt::Key_B, Qt::ControlModifier); // every later 계산 is compared with this one
    EXPECT_EQ(status(), QStringLiteral("기준 고정"));

    const std::size_t requests = site.requestCount();
    onHit(0, Qt::Key_Space);
    EXPECT_EQ(site.requestCount(), requests + 2);
    const QString preview = status();
    EXPECT_EQ(rows(list("LV2")).size(), 1u); // nothing added
    EXPECT_EQ(captions(), before);           // no caption changed
    // A second preview is served from what the session keeps.
    onHit(0, Qt::Key_Space);
    EXPECT_EQ(site.requestCount(), requests + 2);
    EXPECT_EQ(status(), preview);

    // Adding it fetches its two pages as every add does; 계산 then says, against the reference,
    // what the preview said adding would do.
    onHit(0, Qt::Key_Return);
    EXPECT_EQ(site.requestCount(), requests + 4);
    calculate();
    const QString added = status().section(QStringLiteral("기준 대비: "), 1);
    ASSERT_FALSE(added.isEmpty()) << status().toStdString();
    EXPECT_TRUE(preview.startsWith(QStringLiteral("미리보기 ") + isolated(QStringLiteral("불꽃 송곳니"))
                                   + QStringLiteral(" (영웅): ") + added + QStringLiteral(" · ")
                                   + isolated(QStringLiteral("녹슨 검")) + QStringLiteral(" 대신: ")))
        << preview.toStdString() << "\n" << added.toStdString();
    EXPECT_TRUE(preview.endsWith(QStringLiteral(" · 기준 대비: ") + added)) << preview.toStdString();

    // The tooltip: one line per stat that moves, from the value before to the value after.
    const QStringList lines = hitTooltip(0);
    EXPECT_EQ(lines.value(0), QStringLiteral("미리보기 ") + isolated(QStringLiteral("불꽃 송곳니")) + QStringLiteral(" (영웅)"));
    EXPECT_TRUE(lines.contains(QStringLiteral("힘 %1 → %2 (+5)").arg(before[0].section(QStringLiteral(" : "), 1), value(0))))
        << lines.join('\n').toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("%1 대신:").arg(isolated(QStringLiteral("녹슨 검")))));
    EXPECT_TRUE(list("LV1")->topLevelItem(0)->toolTip(0).contains(QStringLiteral("color:#1a7f37")));

    // Replacing instead: the first 한손검 is swapped where it stands, as one step.
    key(list("LV2"), Qt::Key_Z, Qt::ControlModifier);
    onHit(0, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(status(), QStringLiteral("교체: ") + isolated(QStringLiteral("녹슨 검")) + QStringLiteral(" → ")
                            + isolated(QStringLiteral("불꽃 송곳니")) + QStringLiteral(" (영웅)"));
    EXPECT_EQ(rows(list("LV2")),
              (Rows{{"불꽃 송곳니", "한손검", "공격력30 주문력7 방어도120 저항도80 힘5 체력6 정신3 민첩4 지능2 ", "영웅", ""}}));
    calculate();
    const QString replaced = status().section(QStringLiteral("기준 대비: "), 1);
    EXPECT_TRUE(preview.contains(QStringLiteral(" 대신: ") + replaced + QStringLiteral(" · "))) << preview.toStdString();
    key(list("LV2"), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(list("LV2")), (Rows{{"녹슨 검", "한손검", "공격력10 힘1 ", "영웅", ""}}));
    EXPECT_EQ(status(), QStringLiteral("되돌림: 교체 ") + isolated(QStringLiteral("녹슨 검")) + QStringLiteral(" → ")
                            + isolated(QStringLiteral("불꽃 송곳니")));
}

TEST_F(WindowCompare, APreviewThatCannotFetchSaysWhyAndChangesNothing)
{
    onHit(2, Qt::Key_Return);
    const Rows equipment = rows(list("LV2"));
    const std::size_t requests = site.requestCount();
    onHit(3, Qt::Key_Space);
    EXPECT_EQ(status(), QStringLiteral("미리보기 ") + isolated(QStringLiteral("없는 반지"))
                            + QStringLiteral(": 아이템 페이지에서 이 등급의 링크를 찾지 못함 (사이트 응답 HTTP 404)"));
    EXPECT_EQ(rows(list("LV2")), equipment);
    EXPECT_EQ(list("LV1")->topLevelItem(3)->toolTip(0), QString());
    // A failed fetch is not kept: the next preview asks again.
    onHit(3, Qt::Key_Space);
    EXPECT_EQ(site.requestCount(), requests + 2);
    // Without a grade, the grade message, as an add gives it.
    child<QComboBox>("cr1")->setCurrentIndex(-1);
    child<QComboBox>("cr1")->setEditText(QStringLiteral("등급설정"));
    const SeenMessage seen = closeMessageBoxDuring([&] { onHit(0, Qt::Key_Space); });
    EXPECT_EQ(seen.text, QStringLiteral("등급을 설정해주세요."));
    EXPECT_EQ(site.requestCount(), requests + 2);
}

TEST_F(WindowCompare, AReplaceWithoutItsKindAddsAndAFailedOneReplacesNothing)
{
    onHit(2, Qt::Key_Return, Qt::ShiftModifier); // no 방패 yet: added at the end, as Enter adds
    EXPECT_EQ(rows(list("LV2")), (Rows{{"나무 방패", "방패", "방어도40 체력2 ", "영웅", ""}}));
    EXPECT_EQ(status(), QStringLiteral("추가: ") + isolated(QStringLiteral("나무 방패")) + QStringLiteral(" (영웅)"));

    // A 반지 in the list, and a 반지 hit whose pages are missing: the good row stays.
    QGuiApplication::clipboard()->setText(QStringLiteral("금 반지\t반지\t힘3 \t신화\n"));
    key(list("LV2"), Qt::Key_V, Qt::ControlModifier);
    const Rows equipment = rows(list("LV2"));
    onHit(3, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(rows(list("LV2")), equipment);
    EXPECT_TRUE(status().startsWith(QStringLiteral("교체하지 않음: ") + isolated(QStringLiteral("없는 반지"))))
        << status().toStdString();
}

TEST_F(WindowCompare, TheReferenceIsKeptInSetFilesAndTheWorkingSet)
{
    QTemporaryDir folder;
    onHit(1, Qt::Key_Return);
    key(list("LV2"), Qt::Key_B, Qt::ControlModifier);
    const QString path = folder.filePath(QStringLiteral("기준.velmora"));
    ASSERT_TRUE(answerFileDialogDuring([&] { key(list("LV2"), Qt::Key_S, Qt::ControlModifier); }, path));
    key(list("LV2"), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(status(), QStringLiteral("기준 해제"));
    onHit(0, Qt::Key_Return);
    calculate();
    EXPECT_TRUE(status().startsWith(QStringLiteral("계산"))) << status().toStdString();

    window->openSetFile(path);
    calculate();
    EXPECT_EQ(status(), QStringLiteral("기준과 같음"));
    onHit(0, Qt::Key_Return);
    calculate();
    EXPECT_TRUE(status().startsWith(QStringLiteral("기준 대비: 힘 +5"))) << status().toStdString();
    // The tooltips compare with the reference too.
    QTextDocument tooltip;
    tooltip.setHtml(child<QLabel>("lab1(0)")->toolTip());
    EXPECT_TRUE(tooltip.toPlainText().endsWith(QStringLiteral("기준 대비 +5"))) << tooltip.toPlainText().toStdString();

    // And at the next start.
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(workingSetPath()); }));
    window.reset();
    FrmMain again(QString::fromStdString(site.base()));
    again.restoreWorkingSet();
    QTest::mouseClick(again.findChild<QPushButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    EXPECT_TRUE(again.statusBar()->currentMessage().startsWith(QStringLiteral("기준 대비: 힘 +5")))
        << again.statusBar()->currentMessage().toStdString();
}

TEST_F(WindowCompare, TheHitsContextMenuListsItsKeys)
{
    QTreeWidget *hits = list("LV1");
    QTest::mouseClick(hits->viewport(), Qt::LeftButton, {}, hits->visualItemRect(hits->topLevelItem(0)).center());
    const QStringList entries = chooseFromContextMenu(hits, 0, QStringLiteral("미리보기"));
    EXPECT_EQ(entries, (QStringList{"추가\tReturn", "교체\tShift+Return", "미리보기\tSpace", "모두 비교\tCtrl+R"}));
    EXPECT_TRUE(status().startsWith(QStringLiteral("미리보기 ") + isolated(QStringLiteral("불꽃 송곳니")))) << status().toStdString();
}

} // namespace
} // namespace velmora::test
