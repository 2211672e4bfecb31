#include "stats/ExpectedStats.h"
#include "stats/StatChanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

const std::string fsi = "\u2068";
const std::string pdi = "\u2069";

std::string rowTitle(const std::string &name, const std::string &grade)
{
    return fsi + name + pdi + " (" + fsi + grade + pdi + ")";
}

EquipmentRow item(std::string name, std::string grade, std::string statText)
{
    return {std::move(name), "", std::move(statText), std::move(grade), ""};
}

// What every explanation promises, whatever the rows: the captions of the calculation alone,
// primary lines that add up to their caption, derived values whose last line is their caption's.
void checkExplanation(const std::vector<EquipmentRow> &rows, const BonusSettings &bonus,
                      const ExplainedStats &explained)
{
    std::vector<std::string> texts;
    for (const EquipmentRow &row : rows)
        texts.push_back(row.statText);
    EXPECT_EQ(explained.captions, calculateExpectedStats(texts, bonus));

    for (std::size_t i = 0; i < statLabelCount; ++i) {
        SCOPED_TRACE(explained.captions[i]);
        const std::vector<std::string> &lines = explained.explanations[i];
        const std::string value(captionValue(explained.captions, i));
        ASSERT_FALSE(lines.empty());
        if (i < 5) {
            std::int64_t total = 0;
            for (const std::string &line : lines) {
                const std::string last = line.substr(line.rfind(' ') + 1);
                if (last != "무시됨" && !line.starts_with("이전 계산 대비"))
                    total += std::stoll(last); // "158", "+5", "-8"
            }
            EXPECT_EQ(std::to_string(total), value);
        } else if (i != 10 && value.empty()) {
            EXPECT_TRUE(lines.back().starts_with("값 없음: ")) << lines.back();
        } else if (i != 10) {
            EXPECT_EQ(lines.back(), "= " + value);
        }
    }
}

const std::string typicalItem = "공격력30 주문력7 방어도120 저항도80 힘5 체력6 정신3 민첩4 지능2 ";
const BonusSettings typicalBonus = {.attackRatio = 0.1, .lifeRatio = 0.1, .lifeBonus = 100,
                                    .physDefenseRatio = 0.05, .physDefenseBonus = 10,
                                    .attackBonus = 5};

TEST(ExplainedStats, OneTypicalItemWithBonuses)
{
    const std::vector<EquipmentRow> rows = {item("불꽃 검", "영웅", typicalItem)};
    const ExplainedStats explained = explainExpectedStats(rows, typicalBonus);
    checkExplanation(rows, typicalBonus, explained);

    const std::string sword = rowTitle("불꽃 검", "영웅");
    const std::map<std::size_t, std::vector<std::string>> expected = {
        {0, {"기본 158", sword + " +5"}},
        {5, {"아이템 공격력 30", sword + " +30", "추가 공격력 5: 30 + 5 → 35",
             "힘 163: 163 × 0.2 + 35 = 67.6 → 68", "공격력 증가 10%", "68 × 0.1 + 68 + 1.4",
             "= 76.2"}},
        {6, {"민첩 162", "아이템 원공 0", "추가 원거리 공격력 0: 0 + 0 → 0", "162 × 0.2 + 0 + 1",
             "= 33.4"}},
        {7, {"지능 160", "아이템 주문력 7", sword + " +7", "추가 주문력 0: 7 + 0 → 7",
             "160 × 0.2 + 7 + 1", "= 40"}},
        {8, {"아이템 방어도 120", sword + " +120", "추가 물리 방어도 10: 120 + 10 → 130",
             "물리 방어도 증가 5%", "130 × 0.05 + 130", "= 136.5"}},
        {9, {"아이템 저항도 80", sword + " +80", "추가 마법 저항도 0: 80 + 0 → 80",
             "마법 저항도 증가 0%", "정신 161", "80 × 0 + 80 + 161", "= 241"}},
        {10, {"마지막 행 " + sword + "에 치유력 없음"}},
        {11, {"지능 160", "160 × 12 + 5640", "= 7560"}},
        {12, {"체력 164", "기본 생명력: 164 × 12 + 8400 → 10368", "생명력 증가 10%",
              "추가 생명력 100", "10368 × 0.1 + 10368 + 100", "= 11504.8"}},
    };
    for (const auto &[index, lines] : expected)
        EXPECT_EQ(explained.explanations[index], lines) << "lab1(" << index << ")";
}

TEST(ExplainedStats, RowsRoundingsAndStepsThatCouldNotBeTaken)
{
    struct Case {
        const char *name;
        std::vector<EquipmentRow> rows;
        BonusSettings bonus;
        std::vector<std::pair<std::size_t, std::string>> lines; // each among its label's lines
    };
    const std::string a = rowTitle("a", "저급");
    const std::string b = rowTitle("b", "신화");
    const std::vector<Case> cases = {
        {"empty list", {}, {}, {{0, "기본 158"}, {10, "장비 목록이 비어 있음"}}},
        // A row's change is what it did to the rounded running sum: 12.5 -> 12, 25.5 -> 26.
        {"each row's change after its rounding", {item("a", "저급", "힘12.5 "), item("b", "신화", "힘13.5 ")},
         {}, {{0, a + " +12"}, {0, b + " +14"}}},
        {"unreadable values are marked, unchanged sums not listed",
         {item("a", "저급", "힘abc 민첩0 지능2 덤 정신-8 ")}, {},
         {{0, a + " 무시됨"}, {2, a + " 무시됨"}, {3, a + " -8"}}},
        {"a row that would overflow", {item("a", "저급", "체력2147483000 "), item("b", "신화", "체력1000 ")},
         {}, {{4, b + " 무시됨"}, {12, "값 없음: 32비트 정수 범위를 넘음"}}},
        {"a change wider than int32", {item("a", "저급", "힘-2147483800 "), item("b", "신화", "힘4294967000 ")},
         {}, {{0, b + " +4294967000"}}},
        {"bonus steps that overflow", {item("a", "저급", "방어도1 ")},
         {.physDefenseBonus = std::numeric_limits<std::int32_t>::max(), .attackBonus = 1e10},
         {{5, "추가 공격력 10000000000: 0 + 10000000000 = 10000000000 → 32비트 범위를 넘어 반영 안 됨"},
          {8, "추가 물리 방어도 2147483647: 1 + 2147483647 = 2147483648 → 32비트 범위를 넘어 반영 안 됨"}}},
        {"values out of reach", {item("a", "저급", "지능2147483489 ")},
         {.attackRatio = std::numeric_limits<double>::infinity()},
         {{5, "값 없음: 결과가 수의 범위를 넘음"}, {11, "값 없음: 32비트 정수 범위를 넘음"}}},
        {"healing token of the last row", {item("a", "저급", "치유력9 "), item("b", "신화", "힘1 치유력7 ")},
         {}, {{10, "마지막 행 " + b + "의 치유력 " + fsi + "7" + pdi}}},
        {"healing marker with nothing after it", {item("b", "신화", "힘1 치유력")}, {},
         {{10, "마지막 행 " + b + "의 치유력 뒤에 값이 없음"}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const ExplainedStats explained = explainExpectedStats(c.rows, c.bonus);
        checkExplanation(c.rows, c.bonus, explained);
        for (const auto &[index, line] : c.lines) {
            const std::vector<std::string> &lines = explained.explanations[index];
            EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end())
                << "lab1(" << index << ") lacks: " << line;
        }
    }
}

TEST(ExplainedStats, SiteTextCannotTurnTheProgramsTextAround)
{
    const std::string override = "\u202E";
    const std::vector<EquipmentRow> rows = {item("활" + override, "영웅" + override, "힘5 치유력x" + override)};
    const ExplainedStats explained = explainExpectedStats(rows, {});
    const std::string title = fsi + "활" + override + pdi + " (" + fsi + "영웅" + override + pdi + ")";
    EXPECT_EQ(explained.explanations[0][1], title + " +5");
    EXPECT_EQ(explained.explanations[10][0],
              "마지막 행 " + title + "의 치유력 " + fsi + "x" + override + pdi);
}

TEST(ExplainedStats, ChangesSinceThePreviousCalculation)
{
    const std::vector<EquipmentRow> before = {item("검", "영웅", typicalItem)};
    const std::vector<EquipmentRow> after = {item("검", "영웅", typicalItem), item("깃", "신화", "힘12 치유력3 ")};
    const StatTotals previous = explainExpectedStats(before, typicalBonus).captions;
    const ExplainedStats explained = explainExpectedStats(after, typicalBonus, &previous);
    const ExplainedStats firstTime = explainExpectedStats(after, typicalBonus);
    checkExplanation(after, typicalBonus, explained);

    // 힘 175 is 12 more; the attack power 70, not 68 (175 × 0.2 + 35); 치유력 appears.
    EXPECT_EQ(calculationStatus(&previous, explained.captions), "계산: 힘 +12, 근공력 +2.2, 치유력 바뀜");
    EXPECT_EQ(explained.explanations[0].back(), "이전 계산 대비 +12");
    const std::vector<std::string> &melee = explained.explanations[5];
    EXPECT_EQ(melee[melee.size() - 2], "이전 계산 대비 +2.2");
    EXPECT_EQ(explained.explanations[10].back(), "이전 계산 대비 바뀜 (이전: 없음)");
    for (std::size_t unchanged : {1, 6, 12})
        EXPECT_EQ(explained.explanations[unchanged], firstTime.explanations[unchanged]);

    const ExplainedStats again = explainExpectedStats(after, typicalBonus, &explained.captions);
    EXPECT_EQ(calculationStatus(&explained.captions, again.captions), "계산: 변화 없음");
    EXPECT_EQ(again.explanations, firstTime.explanations);
    EXPECT_EQ(calculationStatus(nullptr, again.captions), "계산 완료");
}

TEST(StatChanges, DifferencesInTheCaptionsNumberForm)
{
    struct Case {
        std::size_t index;
        std::string before, after; // value texts, "" for a bare caption
        std::optional<std::string> change;
    };
    const std::vector<Case> cases = {
        {0, "158", "170", "+12"},
        {12, "11648.8", "11504.8", "-144"},
        {5, "73.8", "76.2", "+2.4"},
        {5, "33.4", "33.9", "+0.5"},
        {8, "0.1", "0.3", "+0.2"},
        {9, "76.25", "76.2", "-0.05"},
        {7, "40", "33.4", "-6.6"},
        {6, "1E+20", "1.5E+20", "+5E+19"},
        {6, "2.5E-07", "3E-07", "+5E-08"},
        {11, "7536", "7560", "+24"},
        {4, "-2147483648", "2147483647", "+4294967295"},
        {5, "33.4", "33.4", std::nullopt},
        {12, "", "", std::nullopt},
        {12, "", "10296", "바뀜"},
        {12, "10296", "", "바뀜"},
        {10, "7", "8", "바뀜"},
        // Past the largest double: no difference can be read, only that it changed.
        {8, "1.79769313486232E+308", "1E+308", "바뀜"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " | " + c.before + " -> " + c.after);
        StatTotals before, after;
        for (std::size_t i = 0; i < statLabelCount; ++i)
            before[i] = after[i] = std::string(statResetCaptions[i]) + " 1";
        const std::string reset(statResetCaptions[c.index]);
        before[c.index] = c.before.empty() ? reset : reset + " " + c.before;
        after[c.index] = c.after.empty() ? reset : reset + " " + c.after;
        const auto changes = statChanges(before, after);
        for (std::size_t i = 0; i < statLabelCount; ++i)
            EXPECT_EQ(changes[i], i == c.index ? c.change : std::nullopt) << i;
        EXPECT_EQ(calculationStatus(&before, after),
                  c.change ? "계산: " + std::string(statName(c.index)) + " " + *c.change : "계산: 변화 없음");
    }
}

TEST(StatChanges, TooltipLinesNameWhatWasShownWhenThereIsNoDifference)
{
    StatTotals before, after;
    for (std::size_t i = 0; i < statLabelCount; ++i)
        before[i] = after[i] = std::string(statResetCaptions[i]);
    before[5] = "근공력 : 33.4";
    after[5] = "근공력 : 35.4";
    before[10] = "치유력 : \u202E9";
    before[11] = "활력 : 7536";
    after[12] = "생명력 : 10296";
    const auto lines = changeLines(before, after);
    EXPECT_EQ(lines[0], std::nullopt);
    EXPECT_EQ(lines[5], "이전 계산 대비 +2");
    EXPECT_EQ(lines[10], "이전 계산 대비 바뀜 (이전: " + fsi + "\u202E9" + pdi + ")");
    EXPECT_EQ(lines[11], "이전 계산 대비 바뀜 (이전: 7536)");
    EXPECT_EQ(lines[12], "이전 계산 대비 바뀜 (이전: 없음)");
    EXPECT_EQ(calculationStatus(&before, after), "계산: 근공력 +2, 치유력 바뀜, 활력 바뀜, 생명력 바뀜");
}

// What a preview says, against the reference too: every moved stat once, gains and losses told
// apart, names isolated, and "변화 없음" only when nothing moves.
TEST(StatChanges, PreviewsAndTheReferenceSayWhatWouldMove)
{
    const StatTotals now = calculateExpectedStats({}, BonusSettings{});
    const StatTotals added = calculateExpectedStats(std::vector<std::string>{"공격력30 힘5 "}, BonusSettings{});
    const StatTotals weaker = calculateExpectedStats(std::vector<std::string>{"힘-2 "}, BonusSettings{});

    EXPECT_EQ(changeList(now, added), "힘 +5, 근공력 +31");
    EXPECT_EQ(changeList(now, now), "");
    const std::vector<StatMove> moves = statMoves(now, added);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].line, "힘 158 → 163 (+5)");
    EXPECT_EQ(moves[0].direction, 1);
    EXPECT_EQ(moves[1].line, "근공력 33.4 → 64.4 (+31)");
    const std::vector<StatMove> losses = statMoves(now, weaker);
    ASSERT_FALSE(losses.empty());
    EXPECT_EQ(losses[0].line, "힘 158 → 156 (-2)");
    EXPECT_EQ(losses[0].direction, -1);
    StatTotals healing = now;
    healing[10] = "치유력 : 9";
    EXPECT_EQ(statMoves(now, healing).at(0).line, "치유력 없음 → " + fsi + "9" + pdi + " (바뀜)");
    EXPECT_EQ(statMoves(now, healing).at(0).direction, 0);

    EXPECT_EQ(referenceStatus(now, added), "기준 대비: 힘 +5, 근공력 +31");
    EXPECT_EQ(referenceStatus(now, now), "기준과 같음");
    EXPECT_EQ(changeLines(now, added, Comparison::reference)[0], "기준 대비 +5");

    struct Case {
        const char *what;
        const StatTotals *replaced;
        const StatTotals *reference;
        std::string status;
    };
    const PreviewReplacement instead{"녹슨 검", weaker};
    const std::string head = "미리보기 " + fsi + "불꽃 송곳니" + pdi + " (영웅): ";
    const Case cases[] = {
        {"an add", nullptr, nullptr, head + "힘 +5, 근공력 +31"},
        {"in place of a row", &weaker, nullptr, head + "힘 +5, 근공력 +31 · " + fsi + "녹슨 검" + pdi + " 대신: 힘 -2, 근공력 -1"},
        {"against a reference", nullptr, &added, head + "힘 +5, 근공력 +31 · 기준과 같음"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string status =
            previewStatus("불꽃 송곳니", "영웅", now, added, c.replaced ? &instead : nullptr, c.reference);
        EXPECT_EQ(status, c.status);
    }
    EXPECT_EQ(previewStatus("반지", "영웅", now, now), "미리보기 " + fsi + "반지" + pdi + " (영웅): 변화 없음");
}

} // namespace
} // namespace velmora
