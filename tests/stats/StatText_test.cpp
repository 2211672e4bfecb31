#include "stats/StatText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(StatText, RangedOnlyForTypeSeventySevenOrAnUnreadableType)
{
    const std::vector<std::pair<std::optional<std::string>, bool>> cases = {
        {std::nullopt, false}, {"77", true}, {" 77 ", true}, {"77.0", true}, {"3", false},
        {"770", false}, {"", true}, {"bow", true}, {"77a", true},
    };
    for (const auto &[itemType, ranged] : cases) {
        SCOPED_TRACE(itemType.value_or("(none)"));
        EXPECT_EQ(isRanged(itemType), ranged);
    }
}

TEST(StatText, EntriesInFixedOrderWithAttackUnderTheMatchingLabel)
{
    const std::optional<std::string> no;
    // attackPower, spellPower, armor, resist, strength, stamina, spirit, agility, intellect, itemType
    const std::vector<std::pair<TooltipValues, std::string>> cases = {
        {{"30", "4", no, no, "12", "7", no, no, no, "77"}, "주문력4 원공30 힘12 체력7 "},
        {{"30", "4", no, no, "12", "7", no, no, no, "3"}, "공격력30 주문력4 힘12 체력7 "},
        {{no, "4", no, no, "12", "7", no, no, no, "77"}, "주문력4 힘12 체력7 "},
        {{no, no, " 120", no, "0", no, no, "", "2", no}, "방어도 120 힘0 지능2 "},
        {{"1", "2", "3", "4", "5", "6", "7", "8", "9", no},
         "공격력1 주문력2 방어도3 저항도4 힘5 체력6 정신7 민첩8 지능9 "},
        {{}, ""},
    };
    for (const auto &[values, statText] : cases) {
        SCOPED_TRACE(statText);
        EXPECT_EQ(buildStatText(values), statText);
    }
}

} // namespace
} // namespace velmora
