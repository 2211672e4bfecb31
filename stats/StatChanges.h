#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "stats/ExpectedStats.h"

namespace velmora {

/// Per stat label, what its value did from one calculation to the next: nullopt when the caption
/// is the same; else the signed difference in the caption's number form, a difference of
/// decimals rounded to as many decimal places as the more precise of the two values shows
/// ("+12", "-144", "+2.4" for 76.2 after 73.8, "+0.5"); "바뀜" when a value appeared, disappeared
/// or is text (치유력).
std::array<std::optional<std::string>, statLabelCount> statChanges(const StatTotals &before,
                                                                   const StatTotals &after);

/// Per stat label, the tooltip line for a changed value: "이전 계산 대비 +12", or against the
/// reference "기준 대비 +12". A value that can give no difference names what was shown before
/// instead: "이전 계산 대비 바뀜 (이전: 33.4)", "… (이전: 없음)" for a value that appeared.
/// nullopt when the caption is the same.
std::array<std::optional<std::string>, statLabelCount>
changeLines(const StatTotals &before, const StatTotals &after,
            Comparison comparison = Comparison::previousCalculation);

/// The changed values in label order, each its name and its change, joined by ", ":
/// "힘 +12, 근공력 +2.4, 치유력 바뀜"; "" when all thirteen captions are the same.
std::string changeList(const StatTotals &before, const StatTotals &after);

/// One stat that moves from one set of captions to another.
struct StatMove {
    std::size_t index;
    /// "근공력 168.6 → 171.8 (+3.2)"; a value that appears or is text: "치유력 없음 → ⁨5⁩ (바뀜)".
    std::string line;
    /// +1 for a gain, -1 for a loss, 0 for a change that is neither (바뀜).
    int direction;
};
/// The stats that move from `before` to `after`, in label order.
std::vector<StatMove> statMoves(const StatTotals &before, const StatTotals &after);

/// The status after a calculation while a reference is pinned: "기준 대비: 힘 +5, 근공력 +1";
/// "기준과 같음" when nothing differs from it.
std::string referenceStatus(const StatTotals &reference, const StatTotals &now);

/// What putting an item into the list would do, as the status bar says it before anything
/// changes. `now`: what 계산 would show for the list as it is; `added`: with the item appended;
/// with `replaced`, the name of the first row of the item's kind and the captions with the item in
/// its place; with `reference`, how the list with the item appended compares with it. Names are
/// site text and stand isolated:
///   "미리보기 ⁨불꽃 송곳니⁩ (영웅): 힘 +16, 근공력 +3.2 · ⁨녹슨 검⁩ 대신: 힘 +4 · 기준 대비: 힘 +20"
///   "미리보기 ⁨반지⁩ (영웅): 변화 없음"
struct PreviewReplacement {
    std::string_view name;
    const StatTotals &captions;
};
std::string previewStatus(std::string_view name, std::string_view grade, const StatTotals &now,
                          const StatTotals &added, const PreviewReplacement *replaced = nullptr,
                          const StatTotals *reference = nullptr);

/// The status text after a calculation: "계산 완료" after the first (no `previous`);
/// "계산: 변화 없음" when all thirteen captions are the same as before; else "계산: " and the
/// changed values in label order, each its name and its change, joined by ", ":
///   "계산: 힘 +12, 근공력 +2.4, 치유력 바뀜, 생명력 -144"
std::string calculationStatus(const StatTotals *previous, const StatTotals &now);

} // namespace velmora
