#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The ten stats an item's stat text can name, in the order their entries stand in it.
enum class Stat : std::size_t {
    MeleeAttack,
    SpellPower,
    RangedAttack,
    PhysDefense,
    MagicResist,
    Strength,
    Stamina,
    Spirit,
    Agility,
    Intellect,
};
inline constexpr std::size_t statCount = 10;

/// The label of each stat in a stat text, indexed by Stat. Writing a stat text and reading it
/// for the calculation both go through this one table.
inline constexpr std::array<std::string_view, statCount> statLabels = {
    "공격력", "주문력", "원공", "방어도", "저항도", "힘", "체력", "정신", "민첩", "지능",
};

constexpr std::string_view statLabel(Stat stat)
{
    return statLabels[static_cast<std::size_t>(stat)];
}

/// One item's stat values keyed by stat, each exactly as the site gave it. nullopt or "": the
/// item has no entry for that stat.
struct StatValues {
    std::array<std::optional<std::string>, statCount> values;

    std::optional<std::string> &operator[](Stat stat) { return values[static_cast<std::size_t>(stat)]; }
    const std::optional<std::string> &operator[](Stat stat) const
    {
        return values[static_cast<std::size_t>(stat)];
    }
};

/// The stat text of one item: for each non-empty value the entry label + value + one space, in
/// the order of Stat.
///   {MeleeAttack "35", PhysDefense "120", Strength "5", Stamina "7"} -> "공격력35 방어도120 힘5 체력7 "
std::string buildStatText(const StatValues &values);

} // namespace velmora
