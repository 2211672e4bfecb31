// Sets that last, through the window: the working set kept without asking and put back at the
// next start, set files saved and opened with the file dialog, every refusal changing nothing,
// a save that cannot be written, and the equipment list's context menu.
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QUrl>

#include "app/SetFiles.h"
#include "tests/app/WindowFixture.h"

namespace velmora::test {
namespace {

const std::string listPath = "/dataninfo/item/list.php";
using Rows = std::vector<std::vector<QString>>;

QString isolated(const QString &text) { return QChar(0x2068) + text + QChar(0x2069); }

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

class WindowSets : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        ASSERT_TRUE(folder.isValid());
        // The keys are the window's actions: they work in the active window.
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        site.on(listPath, CannedResponse{.body = resultPage({{"바람 활", "활", "", site.url("/item/detail.php")}})});
        site.on("/item/detail.php", CannedResponse{.body = itemPage(site.url("/item/item_layer.inc.php?grade="))});
        site.on("/item/item_layer.inc.php", CannedResponse{.body = "dex: 7, dps: 20, itemtype: 77, "});
    }

    // Two rows pasted, one fetched from the site (with its address), two bonuses typed.
    void buildASet()
    {
        QGuiApplication::clipboard()->setText(QStringLiteral("돌 반지\t반지\t힘1 \t일반\n금 목걸이\t목걸이\t체력5 힘9 \t신화\n"));
        QTest::keyClick(list("LV2"), Qt::Key_V, Qt::ControlModifier);
        searchFor(QStringLiteral("활"));
        child<QComboBox>("cr1")->setCurrentIndex(5);
        doubleClickRow(list("LV1"), 0);
        checkBox(0, QStringLiteral("10"));
        checkBox(9, QStringLiteral("250"));
    }

    void checkBox(int index, const QString &typed)
    {
        answerInputDialogDuring(
            [&] { QTest::mouseClick(child<QCheckBox>(QStringLiteral("Check1(%1)").arg(index).toLatin1().constData()), Qt::LeftButton); },
            typed);
    }

    QStringList boxCaptions() const
    {
        QStringList all;
        for (int i = 0; i < bonusBoxCount; ++i) {
            const auto *box = child<QCheckBox>(QStringLiteral("Check1(%1)").arg(i).toLatin1().constData());
            all << (box->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + box->text();
        }
        return all;
    }

    // A key pressed in the equipment list, with the window active again after any dialog.
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers)
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(list("LV2"), key, modifiers);
    }

    QTemporaryDir folder;
};

const Rows builtRows = {
    {"돌 반지", "반지", "힘1 ", "일반", ""},
    {"금 목걸이", "목걸이", "체력5 힘9 ", "신화", ""},
    {"바람 활", "활", "원공20 민첩7 ", "영웅", ""},
};

TEST_F(WindowSets, SaveClearAndOpenGiveBackTheSameSetAsOneUndoStep)
{
    buildASet();
    ASSERT_EQ(rows(list("LV2")), builtRows);
    const QStringList captions = boxCaptions();
    const std::size_t requests = site.requestCount();

    // The first Ctrl+S asks for a name, and adds the suffix.
    const QString path = folder.filePath(QStringLiteral("내 세트"));
    EXPECT_TRUE(answerFileDialogDuring([&] { key(Qt::Key_S, Qt::ControlModifier); }, path));
    EXPECT_EQ(status(), QStringLiteral("저장: ") + isolated(QStringLiteral("내 세트.velmora")));
    const QByteArray saved = bytesOf(path + QStringLiteral(".velmora"));
    const QJsonObject file = QJsonDocument::fromJson(saved).object();
    EXPECT_EQ(file[QStringLiteral("format")].toString(), QStringLiteral("velmora-set"));
    EXPECT_EQ(file[QStringLiteral("rows")].toArray()[2].toObject()[QStringLiteral("address")].toString(),
              QString::fromStdString(site.url("/item/detail.php")));
    EXPECT_EQ(file[QStringLiteral("rows")].toArray()[0].toObject()[QStringLiteral("address")].toString(), QString());
    EXPECT_EQ(file[QStringLiteral("bonuses")].toArray()[0].toString(), QStringLiteral("10"));

    // The next Ctrl+S writes to the same file without asking, the old content kept beside it.
    child<QAction>("LV2Reset")->trigger();
    EXPECT_FALSE(answerFileDialogDuring([&] { key(Qt::Key_S, Qt::ControlModifier); }, {}));
    EXPECT_EQ(bytesOf(path + QStringLiteral(".velmora~")), saved);
    EXPECT_TRUE(QJsonDocument::fromJson(bytesOf(path + QStringLiteral(".velmora")))
                    .object()[QStringLiteral("rows")].toArray().isEmpty());
    key(Qt::Key_Z, Qt::ControlModifier);
    key(Qt::Key_S, Qt::ControlModifier);

    // Clear the list and a bonus, then open the file: everything comes back, with no request.
    child<QAction>("LV2Reset")->trigger();
    QTest::mouseClick(child<QCheckBox>("Check1(0)"), Qt::LeftButton);
    const QStringList changedCaptions = boxCaptions();
    EXPECT_TRUE(answerFileDialogDuring([&] { key(Qt::Key_O, Qt::ControlModifier); }, path + QStringLiteral(".velmora")));
    EXPECT_EQ(rows(list("LV2")), builtRows);
    EXPECT_EQ(boxCaptions(), captions);
    EXPECT_EQ(status(), QStringLiteral("열기: ") + isolated(QStringLiteral("내 세트.velmora")) + QStringLiteral(" (3개)"));
    EXPECT_EQ(site.requestCount(), requests);

    // The calculation reads what was opened.
    QTest::mouseClick(child<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(child<QLabel>("lab1(0)")->text(), QStringLiteral("힘 : 168"));

    // One Ctrl+Z brings back what was there before the open, bonuses included; Ctrl+Y opens again.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(list("LV2")), Rows{});
    EXPECT_EQ(boxCaptions(), changedCaptions);
    EXPECT_EQ(status(), QStringLiteral("되돌림: 열기 ") + isolated(QStringLiteral("내 세트.velmora")));
    key(Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(rows(list("LV2")), builtRows);
    EXPECT_EQ(boxCaptions(), captions);
}

TEST_F(WindowSets, AFileThatCannotBeOpenedChangesNothing)
{
    buildASet();
    const QStringList captions = boxCaptions();
    const std::string row = R"({"name": "a", "kind": "b", "stats": "힘1 ", "grade": "영웅"})";
    std::string manyRows;
    for (int i = 0; i <= 100'000; ++i)
        manyRows += (i ? "," : "") + row;
    const auto set = [](const std::string &rows, const std::string &more = {}) {
        return QByteArray::fromStdString(R"({"format": "velmora-set", "version": 1, "rows": [)" + rows + "]" + more + "}");
    };
    struct Case {
        const char *what;
        QByteArray bytes;
        const char *says; // in the box, after the file's name
    };
    const Case cases[] = {
        {"not JSON", "velmora", "JSON"},
        {"cut off", set(row).chopped(2), "잘렸습니다"},
        {"not a set", R"({"format": "other", "version": 1, "rows": []})", "세트 파일이 아닙니다"},
        {"a newer version", R"({"format": "velmora-set", "version": 2, "rows": []})", "더 새로운 벨모라"},
        {"a version too large to count", R"({"format": "velmora-set", "version": 1e30, "rows": []})",
         "더 새로운 벨모라에서 만든 파일입니다. "},
        {"version 0", R"({"format": "velmora-set", "version": 0, "rows": []})", "버전"},
        {"a field of the wrong type", set(R"({"name": 5, "kind": "b", "stats": "", "grade": "영웅"})"), "rows[0].name"},
        {"no such grade", set(R"({"name": "a", "kind": "b", "stats": "", "grade": "최고"})"), "rows[0].grade"},
        {"a control character", set(R"({"name": "a\tb", "kind": "b", "stats": "", "grade": "영웅"})"), "제어 문자"},
        {"a NUL byte in a text", set(std::string(R"({"name": "a)") + '\0' + R"(b", "kind": "b", "stats": "", "grade": "영웅"})"),
         "제어 문자"},
        {"invalid UTF-8", set(R"({"name": ")" + std::string("\xC3\x28") + R"(", "kind": "b", "stats": "", "grade": "영웅"})"),
         "UTF-8"},
        {"nine bonuses", set(row, R"(, "bonuses": [null, null, null, null, null, null, null, null, null])"), "bonuses"},
        {"more than 100,000 rows", set(manyRows), "100000"},
        {"more than 16 MiB", QByteArray(16 * 1024 * 1024 + 1, ' '), "너무 큽니다"},
    };
    const Rows before = rows(list("LV2"));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = folder.filePath(QStringLiteral("남의 세트.velmora"));
        writeBytes(path, c.bytes);
        const SeenMessage seen = closeMessageBoxDuring([&] { window->openSetFile(path); });
        EXPECT_TRUE(seen.text.startsWith(isolated(QStringLiteral("남의 세트.velmora")))) << seen.text.toStdString();
        EXPECT_TRUE(seen.text.contains(QString::fromUtf8(c.says))) << seen.text.toStdString();
        EXPECT_EQ(seen.icon, QMessageBox::Critical);
        EXPECT_EQ(rows(list("LV2")), before);
        EXPECT_EQ(boxCaptions(), captions);
        EXPECT_EQ(bytesOf(path), c.bytes);
        // Nothing to undo but what the player did before.
        EXPECT_NE(window->statusBar()->currentMessage().indexOf(QStringLiteral("열기 실패")), -1);
    }
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(status(), QStringLiteral("되돌림: 추가 ") + isolated(QStringLiteral("바람 활")));
}

TEST_F(WindowSets, ASaveThatCannotBeWrittenSaysWhyAndLeavesEverythingAsItWas)
{
    buildASet();
    const QString sets = folder.filePath(QStringLiteral("세트"));
    ASSERT_TRUE(QDir().mkpath(sets));
    const QString path = sets + QStringLiteral("/내 세트.velmora");
    ASSERT_TRUE(answerFileDialogDuring([&] { key(Qt::Key_S, Qt::ControlModifier); }, path));
    ASSERT_TRUE(QFile::exists(path));

    // The folder is gone and a file stands in its place: no folder can be made below a regular
    // file, whoever runs the test (permissions would stop nothing for root).
    ASSERT_TRUE(QDir(sets).removeRecursively());
    writeBytes(sets, "not a folder");
    child<QAction>("LV2Reset")->trigger();
    const SeenMessage seen = closeMessageBoxDuring([&] { key(Qt::Key_S, Qt::ControlModifier); });
    EXPECT_TRUE(seen.shown);
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_TRUE(seen.text.startsWith(isolated(QStringLiteral("내 세트.velmora")) + QStringLiteral(" 파일을 저장하지 못했습니다.")))
        << seen.text.toStdString();
    EXPECT_EQ(status(), QStringLiteral("저장 실패: ") + isolated(QStringLiteral("내 세트.velmora")));
    EXPECT_EQ(bytesOf(sets), QByteArray("not a folder"));
    // The list is as it was before the save; the clear before it can still be undone.
    EXPECT_EQ(rows(list("LV2")), Rows{});
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(rows(list("LV2")), builtRows);
}

// Everything a player builds is back at the next start: the same rows, the same bonus boxes,
// no request, and no step to undo.
TEST_F(WindowSets, TheWorkingSetComesBackAtTheNextStart)
{
    buildASet();
    const QStringList captions = boxCaptions();
    ASSERT_TRUE(QTest::qWaitFor([] { return QFile::exists(workingSetPath()); }));
    window.reset();
    const std::size_t requests = site.requestCount();

    // Only the program's start brings it back: a window made on its own starts empty.
    FrmMain again(QString::fromStdString(site.base()));
    EXPECT_EQ(rows(again.findChild<QTreeWidget *>(QStringLiteral("LV2"))), Rows{});
    again.restoreWorkingSet();
    EXPECT_EQ(rows(again.findChild<QTreeWidget *>(QStringLiteral("LV2"))), builtRows);
    QStringList shown;
    for (int i = 0; i < bonusBoxCount; ++i) {
        const auto *box = again.findChild<QCheckBox *>(QStringLiteral("Check1(%1)").arg(i));
        shown << (box->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + box->text();
    }
    EXPECT_EQ(shown, captions);
    EXPECT_EQ(again.statusBar()->currentMessage(), QStringLiteral("지난 목록을 불러왔습니다 (3개)"));
    EXPECT_EQ(again.findChild<QLabel *>(QStringLiteral("lab1(0)"))->text(), QStringLiteral("힘 :"));
    EXPECT_EQ(site.requestCount(), requests);
    again.show();
    again.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&again));
    QTest::keyClick(again.findChild<QTreeWidget *>(QStringLiteral("LV2")), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(again.statusBar()->currentMessage(), QStringLiteral("되돌릴 변경이 없습니다"));
}

TEST_F(WindowSets, AWorkingSetThatCannotBeReadIsMovedAsideAndTheWindowOpensEmpty)
{
    window.reset();
    const QByteArray broken = "{\"format\": \"velmora-set\", \"version\": 1, \"rows\": [";
    QDir().mkpath(QFileInfo(workingSetPath()).absolutePath());
    writeBytes(workingSetPath(), broken);

    FrmMain opened(QString::fromStdString(site.base()));
    opened.restoreWorkingSet();
    EXPECT_EQ(rows(opened.findChild<QTreeWidget *>(QStringLiteral("LV2"))), Rows{});
    const QDir data(QFileInfo(workingSetPath()).absolutePath());
    const QStringList aside = data.entryList({QStringLiteral("working-set.velmora.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(bytesOf(data.filePath(aside.front())), broken);
    EXPECT_FALSE(QFile::exists(workingSetPath()));
    EXPECT_TRUE(opened.statusBar()->currentMessage().contains(aside.front())) << opened.statusBar()->currentMessage().toStdString();
}

TEST_F(WindowSets, TheListsContextMenuDoesWhatTheKeysDo)
{
    buildASet();
    QTreeWidget *equipment = list("LV2");
    equipment->setCurrentItem(equipment->topLevelItem(0));
    const QStringList entries = chooseFromContextMenu(equipment, 0, QStringLiteral("삭제"));
    EXPECT_EQ(entries, (QStringList{"삭제\tDel", "복사\tCtrl+C", "붙여넣기\tCtrl+V", "되돌리기\tCtrl+Z",
                                    "다시 실행\tCtrl+Shift+Z", "열기\tCtrl+O", "저장\tCtrl+S",
                                    "다른 이름으로 저장\tCtrl+Shift+S", "기준으로 고정\tCtrl+B"}));
    EXPECT_EQ(rows(equipment), Rows(builtRows.begin() + 1, builtRows.end()));
    // The removal went through the same handler as Delete: one step, named as Delete names it.
    key(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(status(), QStringLiteral("되돌림: 삭제 ") + isolated(QStringLiteral("돌 반지")));
}

TEST_F(WindowSets, ASetFileDroppedOnTheWindowOpens)
{
    const QString path = folder.filePath(QStringLiteral("받은 세트.velmora"));
    writeBytes(path, R"({"format": "velmora-set", "version": 1, "rows": [{"name": "a", "kind": "b", "stats": "힘1 ", "grade": "영웅"}], "bonuses": [null, null, "7", null, null, null, null, null, null, null]})");
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    const QPoint at = window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    EXPECT_TRUE(QTest::qWaitFor([&] { return list("LV2")->topLevelItemCount() == 1; }));
    EXPECT_EQ(child<QCheckBox>("Check1(2)")->text(), QStringLiteral("방어도 7% 추가 완료."));
    EXPECT_TRUE(child<QCheckBox>("Check1(2)")->isChecked());
}

} // namespace
} // namespace velmora::test
