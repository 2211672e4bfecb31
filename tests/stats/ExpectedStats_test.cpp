#include "stats/ExpectedStats.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();

TEST(ExpectedStats, EmptyListAndOneTypicalItem)
{
    const std::vector<std::string> item = {
        "공격력30 주문력7 방어도120 저항도80 힘5 체력6 정신3 민첩4 지능2 "};
    const BonusSettings bonus = {.attackRatio = 0.1, .lifeRatio = 0.1, .lifeBonus = 100,
                                 .physDefenseRatio = 0.05, .physDefenseBonus = 10, .attackBonus = 5};
    const StatTotals empty = calculateExpectedStats({}, BonusSettings{});
    const StatTotals typical = calculateExpectedStats(item, bonus);
    // Per label: no items and no bonuses, then the one item above with its bonuses.
    const std::array<std::pair<std::string, std::string>, statLabelCount> expected = {{
        {"힘 : 158", "힘 : 163"}, {"민첩 : 158", "민첩 : 162"}, {"지능 : 158", "지능 : 160"},
        {"정신 : 158", "정신 : 161"}, {"체력 : 158", "체력 : 164"},
        {"근공력 : 33.4", "근공력 : 76.2"}, {"원공력 : 32.6", "원공력 : 33.4"},
        {"주문력 : 32.6", "주문력 : 40"}, {"물리 방어도 : 0", "물리 방어도 : 136.5"},
        {"마법 저항도 : 158", "마법 저항도 : 241"}, {"치유력 :", "치유력 :"},
        {"활력 : 7536", "활력 : 7560"}, {"생명력 : 10296", "생명력 : 11504.8"},
    }};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(empty[i], expected[i].first);
        EXPECT_EQ(typical[i], expected[i].second);
    }
}

TEST(ExpectedStats, RowsBonusesAndFailedSteps)
{
    struct Case {
        const char *name;
        std::vector<std::string> rows;
        BonusSettings bonus;
        std::map<std::size_t, std::string> captions; // only the captions the case is about
    };
    const std::vector<Case> cases = {
        // 12.5 twice is 24, not 25: the sum is rounded, halves to even, after every row.
        {"rounded after every row", {"공격력12.5 ", "공격력12.5 "}, {}, {{5, "근공력 : 57.4"}}},
        {"first occurrence only, up to the next one", {"힘5 힘7 지능3지능4 "}, {},
         {{0, "힘 : 163"}, {2, "지능 : 161"}}},
        {"text after the intelligence value spoils only it", {"힘5 지능2 덤 "}, {},
         {{0, "힘 : 163"}, {2, "지능 : 158"}}},
        {"values that are no number add nothing", {"힘abc 체력 6 정신1e1 민첩-8 원공10 "}, {},
         {{0, "힘 : 158"}, {4, "체력 : 158"}, {3, "정신 : 168"}, {1, "민첩 : 150"}, {6, "원공력 : 41"}}},
        {"a row that overflows a sum is skipped", {"힘2147483000 ", "힘1000 ", "힘1 "}, {},
         {{0, "힘 : 2147483159"}}},
        {"vitality product overflows", {"지능2147483489 "}, {},
         {{2, "지능 : 2147483647"}, {7, "주문력 : 429496730.4"}, {11, "활력 :"}}},
        {"vitality sum overflows", {"지능178956812 "}, {}, {{11, "활력 :"}}},
        {"health base overflows", {"체력178956812 "}, {}, {{12, "생명력 :"}}},
        {"attack bonus step overflows", {}, {.attackBonus = 1e10}, {{5, "근공력 : 33.4"}}},
        {"strength step overflows", {"공격력2147483640 "}, {}, {{5, "근공력 : 2147483641.4"}}},
        {"whole-number bonuses overflow", {"방어도1 저항도-1 "},
         {.physDefenseBonus = int32Max, .magicResistBonus = int32Min},
         {{8, "물리 방어도 : 1"}, {9, "마법 저항도 : 157"}}},
        {"decimal bonuses rounded to even", {},
         {.rangedAttackBonus = 2.5, .attackBonus = 0.5, .spellPowerBonus = 3.5},
         {{5, "근공력 : 33.4"}, {6, "원공력 : 34.6"}, {7, "주문력 : 36.6"}}},
        {"infinite and invalid results", {"방어도1000 "},
         {.attackRatio = inf, .lifeRatio = -inf, .physDefenseRatio = 1e306,
          .magicResistRatio = nan},
         {{5, "근공력 :"}, {8, "물리 방어도 :"}, {9, "마법 저항도 :"}, {12, "생명력 :"}}},
        {"healing token of the last row, as found", {"치유력99 ", "힘1 치유력1e1 치유력9 "}, {},
         {{10, "치유력 : 1e1"}}},
        {"healing only looked for in the last row", {"치유력99 ", "힘1 "}, {}, {{10, "치유력 :"}}},
        // A marker with no token after it leaves the caption bare, without a trailing space.
        {"healing marker ending the text", {"힘1 치유력"}, {}, {{10, "치유력 :"}}},
        {"healing marker twice in a row", {"치유력치유력5 "}, {}, {{10, "치유력 :"}}},
        {"healing marker before a space", {"치유력 5"}, {}, {{10, "치유력 :"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const StatTotals totals = calculateExpectedStats(c.rows, c.bonus);
        for (const auto &[index, caption] : c.captions)
            EXPECT_EQ(totals[index], caption) << "lab1(" << index << ")";
    }
}

TEST(ExpectedStats, ManyRows)
{
    // Each row's 12.5 lands on an even whole number plus a half, so every row rounds down.
    const std::vector<std::string> rows(100000, "공격력12.5 힘1 지능0.5 ");
    const StatTotals totals = calculateExpectedStats(rows, BonusSettings{});
    EXPECT_EQ(totals[0], "힘 : 100158");
    EXPECT_EQ(totals[2], "지능 : 158");
    EXPECT_EQ(totals[5], "근공력 : 1220033.4");
}

// A list read once gives what the whole calculation gives for the list with a text appended or
// in place of any one row: each row's rounding on the sums before it included.
TEST(ExpectedStats, AListReadOnceGivesTheWholeCalculation)
{
    const BonusSettings bonus{.attackRatio = 0.1, .attackBonus = 2.5};
    const std::vector<std::vector<std::string>> lists = {
        {},
        {"공격력12.5 힘1 지능0.5 ", "공격력12.5 힘1.5 ", "치유력7 민첩2.5 "},
        {"힘2147483000 ", "힘1000 ", "힘1 치유력1e1 "},
        {"힘abc 체력 6 정신1e1 ", "지능178956812 ", "방어도-3 저항도4.5 원공10 주문력0.5 "},
    };
    const std::vector<std::string> texts = {"", "공격력0.5 힘-1.5 치유력3 ", "힘2147483647 ", "지능2.5 덤 "};
    for (const std::vector<std::string> &list : lists) {
        const ReadStatTexts read(list);
        EXPECT_EQ(read.calculate(bonus), calculateExpectedStats(list, bonus));
        for (const std::string &text : texts) {
            SCOPED_TRACE(text);
            std::vector<std::string> appended = list;
            appended.push_back(text);
            EXPECT_EQ(read.withAppended(text, bonus), calculateExpectedStats(appended, bonus));
            for (std::size_t position = 0; position < list.size(); ++position) {
                std::vector<std::string> replaced = list;
                replaced[position] = text;
                EXPECT_EQ(read.withReplaced(position, text, bonus), calculateExpectedStats(replaced, bonus)) << position;
            }
        }
    }
}

} // namespace
} // namespace velmora
