#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "stats/BonusSettings.h"
#include "stats/EquipmentRow.h"
#include "stats/ExpectedStats.h"
#include "stats/StatWeights.h"

namespace velmora {

/// An equipment list with its bonuses: what 계산 would show for it now, worked out once, and what
/// putting one more item into it would show, in place of a row or appended. A preview of one hit
/// and the ranking of every hit of a search both read their numbers here, so they always agree.
class SetBaseline {
public:
    SetBaseline(std::vector<EquipmentRow> rows, const BonusSettings &bonus);

    /// What 계산 would show for the list as it is.
    const StatTotals &now() const { return m_now; }
    const std::vector<EquipmentRow> &rows() const { return m_rows; }

    /// The position of the first row whose kind is `kind` (compared as text); nullopt for none.
    std::optional<std::size_t> firstOfKind(const std::string &kind) const;

    /// What 계산 would show with `item` appended.
    StatTotals added(const EquipmentRow &item) const;
    /// What 계산 would show with `item` in place of the row at `position` (< rows().size()).
    StatTotals replacing(std::size_t position, const EquipmentRow &item) const;

private:
    std::vector<EquipmentRow> m_rows;
    BonusSettings m_bonus;
    // The rows' texts read once: a hit over a long list reads only its own.
    ReadStatTexts m_texts;
    std::unordered_map<std::string, std::size_t> m_firstOfKind;
    StatTotals m_now;
};

/// What one hit would do to a list, as the ranking table shows it.
struct HitRanking {
    /// The row the hit would take the place of (the first of its kind); nullopt: it is appended.
    std::optional<std::size_t> replaced;
    /// Per stat, in label order, the change against now as the change report writes it ("+16",
    /// "-3.2", "바뀜"); nullopt where the stat does not move.
    std::array<std::optional<std::string>, statLabelCount> changes;
    /// Σ weight × the number of the change; nullopt while no weight counts.
    std::optional<double> score;
};

/// Ranks `item` against `baseline`:
///   list {녹슨 검 (한손검, 힘10 )}, item 불꽃 송곳니 (한손검, 힘26 ), weights 힘 0.5
///   -> replaced 0, changes 힘 "+16", 근공력 "+3.2"…, score 8 (+ the weights of the others).
HitRanking rankHit(const SetBaseline &baseline, const EquipmentRow &item, const StatWeights &weights);

/// The number a change counts with: "+16" 16, "-3.2" -3.2; "바뀜" and no change 0.
double changeNumber(const std::optional<std::string> &change);

/// A score as the table writes it: rounded to at most two decimals, no trailing zeros
/// (11.2 -> "11.2", 1.0 / 3 -> "0.33", 2.0 -> "2", -0.001 -> "0").
std::string scoreText(double score);
/// The score rounded as scoreText() writes it.
double roundedScore(double score);

/// Where a row of the table stands when sorted by a stat or the score.
struct RankKey {
    enum Group { ranked, waiting, failed };
    Group group = waiting;
    /// The change's number (changeNumber) or the rounded score; 0 for an empty cell.
    double value = 0;
};
/// Whether `a` stands before `b`: ranked rows first (the largest number first when
/// `largestFirst`, else the smallest), then rows not ranked yet, then failed ones, whichever way.
bool ranksBefore(const RankKey &a, const RankKey &b, bool largestFirst);

} // namespace velmora
