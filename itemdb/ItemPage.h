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

/// The values cut from one tooltip page, each exactly as it stood there (not trimmed, not
/// converted). nullopt: the key was missing or ended the text. "": a comma followed the key.
struct TooltipValues {
    std::optional<std::string> attackPower; // "dps: "
    std::optional<std::string> spellPower;  // "mdps: "
    std::optional<std::string> armor;       // "armor: "
    std::optional<std::string> resist;      // "resist: "
    std::optional<std::string> strength;    // "str: "
    std::optional<std::string> stamina;     // "sta: "
    std::optional<std::string> spirit;      // "spi: "
    std::optional<std::string> agility;     // "dex: "
    std::optional<std::string> intellect;   // "intellect: "
    std::optional<std::string> itemType;    // " itemtype: "
};

/// Item type code of bows and crossbows.
inline constexpr int rangedItemType = 77;

/// Whether an item counts as ranged, from its item-type value: no value -> not ranged; a number
/// equal to 77 -> ranged; another number -> not ranged; anything else, the empty value included,
/// -> ranged.
bool isRanged(const std::optional<std::string> &itemType);

/// The stat values and the item type on a tooltip text (UTF-8): for each key its first
/// occurrence, up to the first "," after it or the end of the text. "dps: " is also found inside
/// "mdps: ".
TooltipValues cutTooltip(std::string_view tooltipText);

/// The item's stats as its stat text names them: the attack power counts as ranged attack for a
/// ranged item and as melee attack otherwise; the item type itself is no stat.
StatValues toStatValues(TooltipValues values);

/// The stat text of the item described by a tooltip text:
/// buildStatText(toStatValues(cutTooltip(text))).
std::string statTextFromTooltip(std::string_view tooltipText);

} // namespace velmora
