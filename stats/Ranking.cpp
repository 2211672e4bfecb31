#include "stats/Ranking.h"

#include <cmath>
#include <utility>

#include "stats/Numbers.h"
#include "stats/StatChanges.h"

namespace velmora {

namespace {

std::vector<std::string> statTextsOf(const std::vector<EquipmentRow> &rows)
{
    std::vector<std::string> texts;
    texts.reserve(rows.size());
    for (const EquipmentRow &row : rows)
        texts.push_back(row.statText);
    return texts;
}

} // namespace

SetBaseline::SetBaseline(std::vector<EquipmentRow> rows, const BonusSettings &bonus)
    : m_rows(std::move(rows)), m_bonus(bonus), m_texts(statTextsOf(m_rows))
{
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_firstOfKind.try_emplace(m_rows[i].kind, i);
    m_now = m_texts.calculate(m_bonus);
}

std::optional<std::size_t> SetBaseline::firstOfKind(const std::string &kind) const
{
    const auto found = m_firstOfKind.find(kind);
    if (found == m_firstOfKind.end())
        return std::nullopt;
    return found->second;
}

StatTotals SetBaseline::added(const EquipmentRow &item) const { return m_texts.withAppended(item.statText, m_bonus); }

StatTotals SetBaseline::replacing(std::size_t position, const EquipmentRow &item) const
{
    return m_texts.withReplaced(position, item.statText, m_bonus);
}

HitRanking rankHit(const SetBaseline &baseline, const EquipmentRow &item, const StatWeights &weights)
{
    HitRanking ranking;
    ranking.replaced = baseline.firstOfKind(item.kind);
    const StatTotals after =
        ranking.replaced ? baseline.replacing(*ranking.replaced, item) : baseline.added(item);
    ranking.changes = statChanges(baseline.now(), after);
    if (weights.any()) {
        double score = 0;
        for (std::size_t i = 0; i < ranking.changes.size(); ++i)
            if (weights.weight[i] != 0)
                score += weights.weight[i] * changeNumber(ranking.changes[i]);
        ranking.score = score;
    }
    return ranking;
}

double changeNumber(const std::optional<std::string> &change)
{
    if (!change)
        return 0;
    return readNumber(*change).value_or(0); // "바뀜" is no number
}

double roundedScore(double score)
{
    const double rounded = std::round(score * 100) / 100;
    return rounded == 0 ? 0 : rounded; // never "-0"
}

std::string scoreText(double score)
{
    return formatDecimal(roundedScore(score));
}

bool ranksBefore(const RankKey &a, const RankKey &b, bool largestFirst)
{
    if (a.group != b.group)
        return a.group < b.group;
    if (a.group != RankKey::ranked)
        return false;
    return largestFirst ? a.value > b.value : a.value < b.value;
}

} // namespace velmora
