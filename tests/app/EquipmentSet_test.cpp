// The equipment set and its history: every change of the rows is one undo step that puts the
// very rows back where they stood, and the bonuses follow the texts typed for them.
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/EquipmentSet.h"
#include "app/SetFiles.h"

namespace velmora::test {
namespace {

SetRow row(const std::string &name, const std::string &address = {})
{
    return {{name, "반지", "힘1 ", "영웅", {}}, address};
}

std::vector<std::string> names(const EquipmentSet &set)
{
    std::vector<std::string> all;
    for (const SetRow &r : set.rows())
        all.push_back(r.row.itemName);
    return all;
}

TEST(EquipmentSet, EachChangeIsOneStepThatUndoesAndRedoesExactly)
{
    EquipmentSet set;
    set.append(row("a", "http://site/a"));
    set.append(row("b"));
    set.append(row("c"));
    set.remove(1);
    set.paste({row("d"), row("e")});
    set.clear();
    ASSERT_TRUE(set.rows().empty());

    // Back through every step: each names what it did and gives back the very rows.
    struct Step {
        QString text;
        std::vector<std::string> after;
    };
    const Step steps[] = {
        {QStringLiteral("목록초기화 (4개)"), {"a", "c", "d", "e"}},
        {QStringLiteral("붙여넣기 (2개)"), {"a", "c"}},
        {QStringLiteral("삭제 \u2068b\u2069"), {"a", "b", "c"}},
        {QStringLiteral("추가 \u2068c\u2069"), {"a", "b"}},
        {QStringLiteral("추가 \u2068b\u2069"), {"a"}},
        {QStringLiteral("추가 \u2068a\u2069"), {}},
    };
    QUndoStack &history = set.history();
    for (const Step &step : steps) {
        SCOPED_TRACE(step.text.toStdString());
        EXPECT_EQ(history.undoText(), step.text);
        history.undo();
        EXPECT_EQ(names(set), step.after);
    }
    EXPECT_FALSE(history.canUndo());
    for (int i = 0; i < 3; ++i)
        history.redo();
    EXPECT_EQ(names(set), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(set.rows().front().address, "http://site/a"); // the address comes back with its row
    history.redo();
    EXPECT_EQ(names(set), (std::vector<std::string>{"a", "c"}));
}

TEST(EquipmentSet, NothingIsRecordedForChangesThatChangeNothing)
{
    EquipmentSet set;
    QSignalSpy changed(&set, &EquipmentSet::changed);
    set.clear();
    set.paste({});
    set.remove(0);
    set.append(row("a"));
    set.remove(1);
    set.remove(-1);
    EXPECT_EQ(set.history().count(), 1);
    EXPECT_EQ(changed.count(), 1);
}

TEST(EquipmentSet, TheThousandAndFirstStepDropsTheOldest)
{
    EquipmentSet set;
    for (int i = 0; i <= EquipmentSet::undoLimit; ++i)
        set.append(row(std::to_string(i)));
    EXPECT_EQ(set.history().count(), EquipmentSet::undoLimit);
    while (set.history().canUndo())
        set.history().undo();
    // The first add can no longer be taken back; every later one was.
    EXPECT_EQ(names(set), std::vector<std::string>{"0"});
}

TEST(EquipmentSet, WeightsAreNoStepButComeAndGoWithAnOpenedFileAndAreKept)
{
    EquipmentSet set;
    QSignalSpy changed(&set, &EquipmentSet::changed);
    StatWeights mine, fromFile;
    mine.weight[5] = 1;
    fromFile.weight[0] = 0.5;
    set.setWeights(mine);
    set.setWeights(mine); // the same again changes nothing
    EXPECT_EQ(set.history().count(), 0);
    EXPECT_EQ(changed.count(), 1);
    set.replaceAll({row("a")}, {}, std::nullopt, fromFile, QStringLiteral("열기 a.velmora"));
    set.replaceAll({}, {}, std::nullopt, {}, QStringLiteral("열기 b.velmora")); // a file without weights
    QSignalSpy weightsChanged(&set, &EquipmentSet::weightsChanged);
    for (const StatWeights &back : {fromFile, mine}) {
        set.history().undo();
        EXPECT_EQ(set.weights(), back);
    }
    EXPECT_EQ(weightsChanged.count(), 2);

    // The working set keeps them, a set of nothing but weights too.
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("working-set.velmora"));
    {
        WorkingSetKeeper keeper(set, path);
        set.setWeights(fromFile);
    }
    EquipmentSet again;
    WorkingSetKeeper(again, path).restore();
    EXPECT_EQ(again.weights(), fromFile);
}

TEST(EquipmentSet, TheViewIsToldWhereRowsCameAndWent)
{
    EquipmentSet set;
    set.append(row("a"));
    set.append(row("b"));
    QSignalSpy inserted(&set, &EquipmentSet::rowsInserted);
    QSignalSpy removed(&set, &EquipmentSet::rowsRemoved);
    set.remove(0);
    set.history().undo();
    set.paste({row("c"), row("d")});
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed[0], (QList<QVariant>{0, 1}));
    ASSERT_EQ(inserted.count(), 2);
    EXPECT_EQ(inserted[0], (QList<QVariant>{0, 1}));
    EXPECT_EQ(inserted[1], (QList<QVariant>{2, 2}));
}

TEST(EquipmentSet, BonusesKeepTheTextTheValueAndTheCaption)
{
    EquipmentSet set;
    QSignalSpy bonus(&set, &EquipmentSet::bonusChanged);
    set.switchBonusOn(0, "10");
    set.switchBonusOn(9, "");
    set.switchBonusOn(2, "5");
    set.switchBonusOff(2);
    EXPECT_EQ(set.bonus().attackRatio, 10 * 0.01);
    EXPECT_EQ(set.bonuses().texts[0], std::optional<std::string>("10"));
    EXPECT_EQ(set.bonuses().texts[9], std::optional<std::string>(""));
    EXPECT_EQ(set.bonuses().texts[2], std::nullopt);
    EXPECT_EQ(set.bonuses().captions[0], "공격력 10% 추가 완료.");
    EXPECT_EQ(set.bonuses().captions[9], "생명력 0 추가 완료.");
    EXPECT_EQ(set.bonuses().captions[2], "물리 방어도 % 증가 설정"); // the caption after unchecking
    EXPECT_EQ(bonus.count(), 4);
    // A bonus box is no step of the list's history.
    EXPECT_EQ(set.history().count(), 0);

    // The same texts typed from the opening state give the same state, captions included.
    BonusState typed = BonusState::typed(set.bonuses().texts);
    EXPECT_EQ(typed.values, set.bonus());
    EXPECT_EQ(typed.captions[0], set.bonuses().captions[0]);
    EXPECT_EQ(typed.captions[2], "물리 방어력 % 증가 설정"); // never unchecked there: its first caption
}

} // namespace
} // namespace velmora::test
