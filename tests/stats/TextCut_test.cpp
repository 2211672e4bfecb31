#include "stats/Grades.h"
#include "stats/TextCut.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

TEST(TextCut, PieceNumbersTheTextBetweenMarkers)
{
    const std::optional<std::string> no;
    const std::vector<std::tuple<std::string, std::string, std::size_t, std::optional<std::string>>>
        cases = {
            {"a,b,,c", ",", 0, "a"}, {"a,b,,c", ",", 2, ""}, {"a,b,,c", ",", 3, "c"},
            {"a,b,,c", ",", 4, no}, {"abc", ",", 0, "abc"}, {"abc", ",", 1, no}, {"", ",", 0, no},
            {",", ",", 1, ""}, {"aaaa", "aa", 2, ""}, {"aaa", "aa", 1, "a"}, // no overlap
            {"xAbxabx", "ab", 1, "x"}, {"힘5 힘7 ", "힘", 2, "7 "}, {"abc", "", 1, no},
        };
    for (const auto &[text, marker, k, result] : cases) {
        SCOPED_TRACE(text + " | " + marker + " | " + std::to_string(k));
        EXPECT_EQ(piece(text, marker, k), result);
    }
}

TEST(TextCut, BeforeAndReplaceAll)
{
    EXPECT_EQ(before("12 34", " "), "12");
    EXPECT_EQ(before("1234", " "), "1234");
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        {"/detail.php?detail=1", "detail", "item_layer.inc", "/item_layer.inc.php?item_layer.inc=1"},
        {"aaa", "a", "aa", "aaaaaa"}, // replacements are not searched again
        {"aaa", "aa", "b", "ba"}, {"Detail", "detail", "x", "Detail"}, {"abc", "", "x", "abc"},
        {"abab", "ab", "", ""},
    };
    for (const auto &[text, from, to, result] : cases) {
        SCOPED_TRACE(text + " | " + from);
        EXPECT_EQ(replaceAll(text, from, to), result);
    }
}

TEST(Grades, NamesAndNumbers)
{
    EXPECT_EQ(gradeName(1), "저급");
    EXPECT_EQ(gradeName(6), "영웅");
    EXPECT_EQ(gradeName(12), "신화");
    for (int number : {0, -1, 13})
        EXPECT_EQ(gradeName(number), "") << number;
    EXPECT_EQ(gradeNumber("영웅"), 6);
    EXPECT_EQ(gradeNumber(gradePlaceholder), std::nullopt);
    EXPECT_EQ(gradeNumber(" 영웅"), std::nullopt);
}

} // namespace
} // namespace velmora
