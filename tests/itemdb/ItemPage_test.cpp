#include "itemdb/ItemPage.h"

#include <gtest/gtest.h>

#include "tests/support/SitePages.h"

#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

const std::string gradeLink = "<td class = \"left\"><a href=\"";
const std::string linkEnd = "\" velmora-tip";

// An item page with one tooltip link for each grade 1…count.
std::string itemPage(int count) { return test::itemPage("/detail.php?g=", count); }

TEST(ItemPage, TooltipAddressOfAGrade)
{
    const std::vector<std::tuple<std::string, int, std::optional<std::string>>> cases = {
        {itemPage(12), 1, "/item_layer.inc.php?g=1"},
        {itemPage(12), 12, "/item_layer.inc.php?g=12"},
        {itemPage(13), 13, std::nullopt},
        {itemPage(12), 0, std::nullopt},
        {itemPage(5), 6, std::nullopt},
        {"x" + gradeLink, 1, std::nullopt},
        {gradeLink + "/detail?g=1>a" + gradeLink + "/detail?g=2", 1, "/item_layer.inc?g=1>a"},
        {gradeLink + "/detail/detail.php?p=detailDetail" + linkEnd, 1,
         "/item_layer.inc/item_layer.inc.php?p=item_layer.incDetail"},
    };
    for (const auto &[page, grade, address] : cases) {
        SCOPED_TRACE(page + " grade " + std::to_string(grade));
        EXPECT_EQ(tooltipAddress(page, grade), address);
    }
}

TEST(ItemPage, RangedOnlyForTypeSeventySevenOrAnUnreadableType)
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

TEST(ItemPage, StatTextFromValuesWithAttackUnderTheMatchingLabel)
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
        EXPECT_EQ(buildStatText(toStatValues(values)), statText);
    }
}

TEST(ItemPage, StatTextFromTooltip)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"str: 12, sta: 7, dps: 30, itemtype: 77, mdps: 4", "주문력4 원공30 힘12 체력7 "},
        {"str: 12, sta: 7, dps: 30, itemtype: 3, mdps: 4", "공격력30 주문력4 힘12 체력7 "},
        {"mdps: 9, dps: 30", "공격력9 주문력9 "},
        {"itemtype: 77, dps: 30", "공격력30 "},
        {"str: 0, sta: ,dps: 5", "공격력5 힘0 "},
        {"dps: 30, itemtype: ,", "원공30 "},
        {"dps: 30, itemtype: ", "공격력30 "},
        {"intellect: 1, dex: 2, spi: 3, sta: 4, str: 5, resist: 6, armor: 7, dps: 9, mdps: 8",
         "공격력9 주문력8 방어도7 저항도6 힘5 체력4 정신3 민첩2 지능1 "},
        {"str: +12 sta: 7", "힘+12 sta: 7 체력7 "},
    };
    for (const auto &[tooltip, statText] : cases) {
        SCOPED_TRACE(tooltip);
        EXPECT_EQ(statTextFromTooltip(tooltip), statText);
    }
}

} // namespace
} // namespace velmora
