#include "stats/BonusSettings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(BonusSettings, SwitchingOnStoresWhatTheTextAllowsAndConfirms)
{
    struct Case {
        int index;
        std::string typed;
        BonusSettings before, after;
        std::string caption;
    };
    const std::vector<Case> cases = {
        {0, "5", {}, {.attackRatio = 5 * 0.01}, "공격력 5% 추가 완료."},
        {8, "7", {}, {.lifeRatio = 7 * 0.01}, "생명력 7% 추가 완료."},
        {3, "-10", {}, {.magicResistRatio = -10 * 0.01}, "저항도 -10% 추가 완료."},
        {4, "2.5", {}, {.physDefenseBonus = 2}, "방어도 2 추가 완료."},
        {4, "3.5", {}, {.physDefenseBonus = 4}, "방어도 4 추가 완료."},
        {5, " 12 ", {}, {.magicResistBonus = 12}, "저항도 12 추가 완료."},
        {6, "2.5", {}, {.attackBonus = 2.5}, "공격력 2.5 추가 완료."},
        {1, "1e20", {}, {.rangedAttackBonus = 1e20}, "원거리 공격력 1E+20 추가 완료."},
        {9, "2147483647", {}, {.lifeBonus = 2147483647}, "생명력 2147483647 추가 완료."},
        // Nothing usable typed: the field keeps its value and the caption still confirms it.
        {2, "", {}, {}, "방어도 0% 추가 완료."},
        {7, "abc", {}, {}, "주문력 0 추가 완료."},
        {9, "2147483648", {}, {}, "생명력 0 추가 완료."},
        {8, "1,5", {.lifeRatio = 0.02}, {.lifeRatio = 0.02}, "생명력 2% 추가 완료."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.index) + " | " + c.typed);
        BonusSettings settings = c.before;
        EXPECT_EQ(switchBonusOn(settings, c.index, c.typed), c.caption);
        EXPECT_EQ(settings, c.after);
    }
}

TEST(BonusSettings, SwitchingOffClearsTheFieldAndRestoresTheCaption)
{
    BonusSettings settings = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (int index = 0; index < bonusBoxCount; ++index) {
        SCOPED_TRACE(index);
        const std::optional<std::string> caption = switchBonusOff(settings, index);
        if (index == 2)
            EXPECT_EQ(caption, "물리 방어도 % 증가 설정");
        else if (index == 9)
            EXPECT_EQ(caption, "추가 생명력 증가 설정");
        else
            EXPECT_EQ(caption, bonusInitialCaption(index));
        // On and off again leaves the same state: each box owns exactly the field it clears.
        BonusSettings again = settings;
        switchBonusOn(again, index, "3");
        switchBonusOff(again, index);
        EXPECT_EQ(again, settings);
    }
    EXPECT_EQ(settings, BonusSettings{});
    EXPECT_EQ(bonusInitialCaption(2), "물리 방어력 % 증가 설정");
    EXPECT_EQ(bonusInitialCaption(9), "추가 생명력 설정");
}

TEST(BonusSettings, PromptsAndIndexesOutsideTheBoxes)
{
    EXPECT_EQ(bonusPrompt(8), "추가 퍼센트 비율 입력\n숫자만 입력하세요.");
    EXPECT_EQ(bonusPrompt(4), "추가 방어력 입력\n숫자만 입력하세요.");
    const BonusSettings full = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    for (int index : {-1, 10}) {
        SCOPED_TRACE(index);
        BonusSettings settings = full;
        EXPECT_EQ(switchBonusOn(settings, index, "5"), std::nullopt);
        EXPECT_EQ(switchBonusOff(settings, index), std::nullopt);
        EXPECT_EQ(settings, full);
        EXPECT_EQ(bonusInitialCaption(index), std::nullopt);
        EXPECT_EQ(bonusPrompt(index), std::nullopt);
    }
}

} // namespace
} // namespace velmora
