#include "stats/StatText.h"

#include <array>
#include <string_view>

#include "stats/Numbers.h"

namespace velmora {

namespace {

// One entry of the stat text: its label and where its value sits in TooltipValues.
struct StatEntry {
    std::string_view label;
    std::optional<std::string> TooltipValues::*value;
};

// Entries in the order they stand in every stat text. The attack power ("dps: ") appears twice,
// once per label; buildStatText keeps the one that matches the item.
constexpr std::string_view meleeAttackLabel = "공격력";
constexpr std::string_view rangedAttackLabel = "원공";
constexpr std::array<StatEntry, 10> statEntries = {{
    {meleeAttackLabel, &TooltipValues::attackPower},
    {"주문력", &TooltipValues::spellPower},
    {rangedAttackLabel, &TooltipValues::attackPower},
    {"방어도", &TooltipValues::armor},
    {"저항도", &TooltipValues::resist},
    {"힘", &TooltipValues::strength},
    {"체력", &TooltipValues::stamina},
    {"정신", &TooltipValues::spirit},
    {"민첩", &TooltipValues::agility},
    {"지능", &TooltipValues::intellect},
}};

} // namespace

bool isRanged(const std::optional<std::string> &itemType)
{
    if (!itemType)
        return false;
    // A value that is no number at all (the empty one too) counts as a bow.
    const std::optional<double> code = readNumber(*itemType);
    return !code || *code == rangedItemType;
}

std::string buildStatText(const TooltipValues &values)
{
    const std::string_view skippedAttackLabel =
        isRanged(values.itemType) ? meleeAttackLabel : rangedAttackLabel;
    std::string text;
    for (const StatEntry &entry : statEntries) {
        const std::optional<std::string> &value = values.*entry.value;
        if (!value || value->empty() || entry.label == skippedAttackLabel)
            continue;
        text += entry.label;
        text += *value;
        text += ' ';
    }
    return text;
}

} // namespace velmora
