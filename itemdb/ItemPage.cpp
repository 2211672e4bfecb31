#include "itemdb/ItemPage.h"

#include "stats/Grades.h"
#include "stats/Numbers.h"
#include "stats/TextCut.h"

#include <array>
#include <cstddef>
#include <utility>

namespace velmora {

namespace {

// On an item page: the n-th grade link opens the address of grade n's tooltip page, which the
// address end marker closes. The tooltip page's address is the link's with its page name changed.
constexpr std::string_view gradeLinkMarker = "<td class = \"left\"><a href=\"";
constexpr std::string_view addressEndMarker = "\" velmora-tip";
constexpr std::string_view detailPageName = "detail";
constexpr std::string_view tooltipPageName = "item_layer.inc";

// On a tooltip page a stat reads as key, value, ",". Every key ends with ": "; the item type's
// also begins with a blank. Keys are found anywhere, also inside a longer key: "dps: " is found
// inside "mdps: ", so on a page that names the spell power first both get the same value.
constexpr std::string_view valueEnd = ",";

struct TooltipKey {
    std::string_view key;
    std::optional<std::string> TooltipValues::*value;
};

constexpr std::array<TooltipKey, 10> tooltipKeys{{
    {"str: ", &TooltipValues::strength},
    {"sta: ", &TooltipValues::stamina},
    {"spi: ", &TooltipValues::spirit},
    {"dex: ", &TooltipValues::agility},
    {"intellect: ", &TooltipValues::intellect},
    {"dps: ", &TooltipValues::attackPower},
    {"armor: ", &TooltipValues::armor},
    {"resist: ", &TooltipValues::resist},
    {"mdps: ", &TooltipValues::spellPower},
    {" itemtype: ", &TooltipValues::itemType},
}};

// The value after the first occurrence of `key`, up to the next "," or the end of the text.
// None when the key is missing or nothing follows it; "" when a "," follows it directly.
std::optional<std::string> valueAfter(std::string_view text, std::string_view key)
{
    const std::size_t at = text.find(key);
    if (at == std::string_view::npos || at + key.size() == text.size())
        return std::nullopt;
    const std::string_view rest = text.substr(at + key.size());
    return std::string(rest.substr(0, rest.find(valueEnd)));
}

} // namespace

bool isRanged(const std::optional<std::string> &itemType)
{
    if (!itemType)
        return false;
    // A value that is no number at all (the empty one too) counts as a bow.
    const std::optional<double> code = readNumber(*itemType);
    return !code || *code == rangedItemType;
}

std::optional<std::string> tooltipAddress(std::string_view itemPage, int gradeNumber)
{
    if (gradeNumber < 1 || gradeNumber > gradeCount)
        return std::nullopt;
    const auto link = piece(itemPage, gradeLinkMarker, static_cast<std::size_t>(gradeNumber));
    if (!link || link->empty())
        return std::nullopt;
    return replaceAll(before(*link, addressEndMarker), detailPageName, tooltipPageName);
}

TooltipValues cutTooltip(std::string_view tooltipText)
{
    TooltipValues values;
    for (const TooltipKey &k : tooltipKeys)
        values.*k.value = valueAfter(tooltipText, k.key);
    return values;
}

StatValues toStatValues(TooltipValues values)
{
    StatValues stats;
    const Stat attack = isRanged(values.itemType) ? Stat::RangedAttack : Stat::MeleeAttack;
    stats[attack] = std::move(values.attackPower);
    stats[Stat::SpellPower] = std::move(values.spellPower);
    stats[Stat::PhysDefense] = std::move(values.armor);
    stats[Stat::MagicResist] = std::move(values.resist);
    stats[Stat::Strength] = std::move(values.strength);
    stats[Stat::Stamina] = std::move(values.stamina);
    stats[Stat::Spirit] = std::move(values.spirit);
    stats[Stat::Agility] = std::move(values.agility);
    stats[Stat::Intellect] = std::move(values.intellect);
    return stats;
}

std::string statTextFromTooltip(std::string_view tooltipText)
{
    return buildStatText(toStatValues(cutTooltip(tooltipText)));
}

} // namespace velmora
