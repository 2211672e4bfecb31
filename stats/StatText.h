#pragma once

#include <optional>
#include <string>

namespace velmora {

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

/// The stat text of one item: for each non-empty value the entry label + value + one space, in
/// the order 공격력, 주문력, 원공, 방어도, 저항도, 힘, 체력, 정신, 민첩, 지능. The attack power goes
/// under 원공 for a ranged item and under 공격력 otherwise.
///   {attackPower "35", armor "120", strength "5", stamina "7"} -> "공격력35 방어도120 힘5 체력7 "
std::string buildStatText(const TooltipValues &values);

/// One row of the equipment list.
struct EquipmentRow {
    std::string itemName;
    std::string kind;
    std::string statText;
    std::string grade;
    std::string auctionUnitPrice; // always empty: nothing in the program writes it
};

} // namespace velmora
