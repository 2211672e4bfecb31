#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "stats/StatText.h"

namespace velmora {

/// The address of the tooltip page of grade `gradeNumber` (1…12) on an item page: the address
/// after the n-th grade link marker, up to the address end marker, with every "detail" replaced
/// by "item_layer.inc". nullopt when the page holds fewer than n grade links, nothing follows the
/// n-th one, or the grade number is outside 1…12.
std::optional<std::string> tooltipAddress(std::string_view itemPage, int gradeNumber);

/// The stat values and the item type on a tooltip text (UTF-8): for each key its first
/// occurrence, up to the first "," after it or the end of the text. "dps: " is also found inside
/// "mdps: ".
TooltipValues cutTooltip(std::string_view tooltipText);

/// The stat text of the item described by a tooltip text: buildStatText(cutTooltip(text)).
std::string statTextFromTooltip(std::string_view tooltipText);

} // namespace velmora
