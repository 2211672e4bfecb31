#include "stats/Ranking.h"
#include "stats/StatChanges.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

namespace velmora {
namespace {

EquipmentRow item(std::string name, std::string kind, std::string statText)
{
    return {std::move(name), std::move(kind), std::move(statText), "영웅", ""};
}

StatWeights weights(std::initializer_list<std::pair<std::size_t, double>> given)
{
    StatWeights w;
    for (const auto &[index, weight] : given)
        w.weight[index] = weight;
    return w;
}

// The change list as the preview says it for the list with `hit` put where the ranking puts it,
// the list built here, apart from the baseline's own swapping.
std::string previewSays(const std::vector<EquipmentRow> &rows, const BonusSettings &bonus, const EquipmentRow &hit)
{
    std::vector<std::string> texts;
    for (const EquipmentRow &row : rows)
        texts.push_back(row.statText);
    const StatTotals now = calculateExpectedStats(texts, bonus);
    std::vector<std::string> withHit = texts;
    withHit.push_back(hit.statText);
    const StatTotals added = calculateExpectedStats(withHit, bonus);
    const auto first = std::find_if(rows.begin(), rows.end(), [&](const EquipmentRow &r) { return r.kind == hit.kind; });
    if (first == rows.end())
        return previewStatus(hit.itemName, hit.grade, now, added);
    std::vector<std::string> swapped = texts;
    swapped[static_cast<std::size_t>(first - rows.begin())] = hit.statText;
    const StatTotals replaced = calculateExpectedStats(swapped, bonus);
    const PreviewReplacement replacement{first->itemName, replaced};
    const std::string both = previewStatus(hit.itemName, hit.grade, now, added, &replacement);
    return both.substr(both.rfind(" 대신: ") + std::string(" 대신: ").size());
}

// The ranking's cells joined as the preview joins its changes.
std::string cellsJoined(const HitRanking &ranking, bool appended, const EquipmentRow &hit)
{
    std::string list;
    for (std::size_t i = 0; i < ranking.changes.size(); ++i) {
        if (!ranking.changes[i])
            continue;
        list += (list.empty() ? "" : ", ") + std::string(statName(i)) + ' ' + *ranking.changes[i];
    }
    if (!appended)
        return list.empty() ? "변화 없음" : list;
    return "미리보기 \u2068" + hit.itemName + "\u2069 (" + hit.grade + "): " + (list.empty() ? "변화 없음" : list);
}

TEST(Ranking, EveryCellIsWhatThePreviewSaysAndTheScoreWeighsIt)
{
    BonusSettings noBonus{};
    BonusSettings bonus{};
    bonus.attackRatio = 0.1;
    bonus.attackBonus = 5;
    const std::vector<EquipmentRow> sword{item("녹슨 검", "한손검", "공격력20 힘10 ")};
    const std::vector<EquipmentRow> twoRings{item("반지 A", "반지", "힘3 "), item("망토", "망토", "방어도40 "),
                                             item("반지 B", "반지", "지능5 ")};
    struct Case {
        const char *what;
        std::vector<EquipmentRow> rows;
        BonusSettings bonus;
        EquipmentRow hit;
        StatWeights weights;
        std::optional<std::size_t> replaced;
        std::vector<std::pair<std::size_t, std::string>> someCells; // checked by hand
        std::string score;                                           // "" for none
    } cases[] = {
        {"appended to an empty list", {}, noBonus, item("목걸이", "목걸이", "힘10 "), weights({{0, 0.5}, {5, 1}}),
         std::nullopt, {{0, "+10"}, {5, "+2"}, {12, ""}}, "7"},
        {"in place of the only one of its kind", sword, noBonus, item("불꽃 송곳니", "한손검", "공격력30 힘26 "),
         weights({{5, 1}}), 0, {{0, "+16"}}, ""},
        {"no weight: no score", sword, bonus, item("투구", "투구", "방어도12 "), StatWeights{}, std::nullopt,
         {{8, "+12"}, {0, ""}}, ""},
        {"the first of two rings, with bonuses", twoRings, bonus, item("반지 C", "반지", "힘1 지능9 "),
         weights({{0, 2}, {2, -1}, {11, 0.001}}), 0, {{0, "-2"}, {2, "+9"}}, ""},
        {"no change at all", twoRings, noBonus, item("반지 D", "반지", "힘3 "), weights({{0, 1}}), 0,
         {{0, ""}}, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const SetBaseline baseline(c.rows, c.bonus);
        const HitRanking ranking = rankHit(baseline, c.hit, c.weights);
        EXPECT_EQ(ranking.replaced, c.replaced);
        EXPECT_EQ(cellsJoined(ranking, !ranking.replaced, c.hit), previewSays(c.rows, c.bonus, c.hit));
        for (const auto &[index, cell] : c.someCells)
            EXPECT_EQ(ranking.changes[index].value_or(""), cell) << statName(index);

        double expected = 0;
        for (std::size_t i = 0; i < statLabelCount; ++i)
            expected += c.weights.weight[i] * changeNumber(ranking.changes[i]);
        ASSERT_EQ(ranking.score.has_value(), c.weights.any());
        if (ranking.score) {
            EXPECT_DOUBLE_EQ(*ranking.score, expected);
            if (!c.score.empty()) {
                EXPECT_EQ(scoreText(*ranking.score), c.score);
            }
        }
        // Ranking a hit leaves the baseline as it was: the next hit is measured against the same list.
        EXPECT_EQ(rankHit(baseline, c.hit, c.weights).changes, ranking.changes);
        std::vector<std::string> texts;
        for (const EquipmentRow &row : c.rows)
            texts.push_back(row.statText);
        EXPECT_EQ(baseline.now(), calculateExpectedStats(texts, c.bonus));
    }
}

TEST(Ranking, NumbersScoresAndSortOrder)
{
    EXPECT_EQ(changeNumber(std::string("+16")), 16);
    EXPECT_EQ(changeNumber(std::string("-3.2")), -3.2);
    EXPECT_EQ(changeNumber(std::string("바뀜")), 0);
    EXPECT_EQ(changeNumber(std::nullopt), 0);
    const std::pair<double, const char *> scores[] = {{11.2, "11.2"}, {1.0 / 3, "0.33"}, {2.0, "2"}, {-0.001, "0"},
                                                      {-2.678, "-2.68"}, {0.1 + 0.2, "0.3"}};
    for (const auto &[score, text] : scores)
        EXPECT_EQ(scoreText(score), text) << score;

    using G = RankKey::Group;
    const std::vector<RankKey> keys{{G::waiting, 0}, {G::ranked, 3}, {G::failed, 0}, {G::ranked, -1},
                                    {G::ranked, 0}, {G::ranked, 12}};
    const auto sorted = [&](bool largestFirst) {
        std::vector<int> order(keys.size());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(),
                         [&](int a, int b) { return ranksBefore(keys[a], keys[b], largestFirst); });
        return order;
    };
    EXPECT_EQ(sorted(true), (std::vector<int>{5, 1, 4, 3, 0, 2}));
    EXPECT_EQ(sorted(false), (std::vector<int>{3, 4, 1, 5, 0, 2}));
}

} // namespace
} // namespace velmora
