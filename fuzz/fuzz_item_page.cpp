// The first byte picks a grade number 0…13 (0 and 13 lie outside the grade table), the rest is
// read both as an item page (the tooltip address of that grade) and as a tooltip text (its stat
// values and the stat text built from them).

#include "FuzzSupport.h"
#include "itemdb/ItemPage.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

constexpr std::string_view gradeLinkMarker = "<td class = \"left\"><a href=\"";
constexpr std::string_view addressEndMarker = "\" velmora-tip";

void checkTooltipAddress(std::string_view page, int grade)
{
    const auto address = tooltipAddress(page, grade);
    if (grade < 1 || grade > 12 || countOccurrences(page, gradeLinkMarker) < static_cast<std::size_t>(grade)) {
        require(!address, "no tooltip address without the grade's link");
        return;
    }
    if (!address)
        return; // nothing follows the link marker
    require(!contains(*address, "detail"), "every page name is replaced", *address);
    require(!contains(*address, addressEndMarker), "the address stops at its end marker", *address);
    require(!contains(*address, gradeLinkMarker), "the address stops at the next link", *address);
}

void checkStatText(std::string_view tooltip)
{
    const TooltipValues values = cutTooltip(tooltip);
    const std::string statText = statTextFromTooltip(tooltip);
    require(statText == buildStatText(toStatValues(values)), "the stat text is built from the cut values");
    require(statText.empty() || statText.back() == ' ', "every entry ends with a space", statText);

    bool asciiValues = true;
    for (const auto *value : {&values.attackPower, &values.spellPower, &values.armor, &values.resist,
                              &values.strength, &values.stamina, &values.spirit, &values.agility,
                              &values.intellect, &values.itemType}) {
        if (!*value)
            continue;
        require(!contains(**value, ","), "a value stops at the first comma", **value);
        require(contains(tooltip, **value), "a value is a piece of the text", **value);
        for (char c : **value)
            asciiValues = asciiValues && static_cast<unsigned char>(c) < 0x80;
    }

    // The attack power is listed once, under one of its two labels. Values from a real page are
    // plain ASCII numbers; other bytes could spell a label or complete one ("원공" + "격력"), so
    // the count is made only when every value is ASCII.
    if (asciiValues) {
        const std::size_t attackLabels =
            countOccurrences(statText, statLabel(Stat::MeleeAttack))
            + countOccurrences(statText, statLabel(Stat::RangedAttack));
        const bool hasAttack = values.attackPower && !values.attackPower->empty();
        require(attackLabels == (hasAttack ? 1u : 0u), "attack power listed once exactly when it has a value",
                statText);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int grade = data[0] % 14;
    const std::string_view page = asText(data + 1, size - 1);
    checkTooltipAddress(page, grade);
    checkStatText(page);
    return 0;
}
