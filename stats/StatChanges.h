#pragma once

#include <array>
#include <optional>
#include <string>

#include "stats/ExpectedStats.h"

namespace velmora {

/// Per stat label, what its value did from one calculation to the next: nullopt when the caption
/// is the same; else the signed difference in the caption's number form, a difference of
/// decimals rounded to as many decimal places as the more precise of the two values shows
/// ("+12", "-144", "+2.4" for 76.2 after 73.8, "+0.5"); "바뀜" when a value appeared, disappeared
/// or is text (치유력).
std::array<std::optional<std::string>, statLabelCount> statChanges(const StatTotals &before,
                                                                   const StatTotals &after);

/// Per stat label, the tooltip line for a changed value: "이전 계산 대비 +12". A value that can
/// give no difference names what was shown before instead: "이전 계산 대비 바뀜 (이전: 33.4)",
/// "… (이전: 없음)" for a value that appeared. nullopt when the caption is the same.
std::array<std::optional<std::string>, statLabelCount> changeLines(const StatTotals &before,
                                                                   const StatTotals &after);

/// The status text after a calculation: "계산 완료" after the first (no `previous`);
/// "계산: 변화 없음" when all thirteen captions are the same as before; else "계산: " and the
/// changed values in label order, each its name and its change, joined by ", ":
///   "계산: 힘 +12, 근공력 +2.4, 치유력 바뀜, 생명력 -144"
std::string calculationStatus(const StatTotals *previous, const StatTotals &now);

} // namespace velmora
