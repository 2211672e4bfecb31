#include "stats/BonusSettings.h"
#include "stats/ExpectedStats.h"
#include "stats/StatText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

TEST(StatText, WhatIsWrittenIsWhatTheCalculationReads)
{
    // Every stat at a value of its own: a label written under one name and read under another
    // would move a value to the wrong caption, and one out of order would cut the intelligence
    // value short.
    StatValues values;
    for (std::size_t i = 0; i < statCount; ++i)
        values.values[i] = std::to_string(10 * (i + 1));
    const std::vector<std::string> rows = {buildStatText(values)};
    const StatTotals totals = calculateExpectedStats(rows, BonusSettings{});
    EXPECT_EQ(totals[0], "힘 : 218");     // 158 + 60
    EXPECT_EQ(totals[1], "민첩 : 248");   // 158 + 90
    EXPECT_EQ(totals[2], "지능 : 258");   // 158 + 100
    EXPECT_EQ(totals[3], "정신 : 238");   // 158 + 80
    EXPECT_EQ(totals[4], "체력 : 228");   // 158 + 70
    EXPECT_EQ(totals[5], "근공력 : 55.4"); // 10 + round(218 * 0.2) + 1.4
    EXPECT_EQ(totals[6], "원공력 : 80.6"); // 248 * 0.2 + 30 + 1
    EXPECT_EQ(totals[7], "주문력 : 72.6"); // 258 * 0.2 + 20 + 1
    EXPECT_EQ(totals[8], "물리 방어도 : 40");
    EXPECT_EQ(totals[9], "마법 저항도 : 288"); // 50 + 238
}

} // namespace
} // namespace velmora
