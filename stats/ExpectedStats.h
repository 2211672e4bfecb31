#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

#include "stats/BonusSettings.h"

namespace velmora {

inline constexpr int statLabelCount = 13;

/// The thirteen expected-stat captions, indexed like the stat labels lab1(0)…lab1(12).
using StatTotals = std::array<std::string, statLabelCount>;

/// What each stat label shows before its value: "힘 :", "민첩 :", … "원공력 :" (6), "주문력 :" (7),
/// "치유력 :" (10), "활력 :" (11), "생명력 :" (12).
extern const std::array<std::string_view, statLabelCount> statResetCaptions;

/// The expected stats of an equipment list, from the stat texts of its rows in list order and
/// the bonus settings. Each caption is its reset caption, one space and the value; a value that
/// cannot be computed (an int32 overflow, an infinite or invalid result) leaves the bare reset
/// caption. Empty list, no bonuses: "힘 : 158", …, "근공력 : 33.4", …, "생명력 : 10296".
/// A row's value that is no number, or would take its sum out of the int32 range, adds nothing.
/// The healing caption shows the token after "치유력" in the last row's text as it stands
/// ("치유력 : " followed by it), and is bare when the last row has no such marker or nothing
/// follows the marker up to the next space.
/// Linear in the total length of the texts; nothing is allocated per row.
StatTotals calculateExpectedStats(std::span<const std::string> statTexts, const BonusSettings &bonus);

} // namespace velmora
