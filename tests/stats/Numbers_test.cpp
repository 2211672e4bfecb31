#include "stats/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <limits>
#include <string>
#include <vector>

namespace velmora {
namespace {

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();

TEST(Numbers, ReadNumberAcceptsPlainDecimalsOnly)
{
    const std::optional<double> no;
    const std::vector<std::pair<std::string, std::optional<double>>> cases = {
        {" 3 ", 3}, {"\t\r\n3\n", 3}, {"03", 3}, {"2.5", 2.5}, {"+7", 7}, {"-10", -10},
        {".5", 0.5}, {"3.", 3}, {"1e3", 1000}, {"1E+3", 1000}, {"25e-1", 2.5}, {"0e-400", 0},
        {"1e-320", 1e-320}, {"1.7976931348623157e308", 1.7976931348623157e308},
        {"1" + std::string(5000, '0') + "e-5000", 1}, {"0." + std::string(5000, '3'), 1.0 / 3},
        {"", no}, {"   ", no}, {"+", no}, {".", no}, {"3a", no}, {"3 4", no}, {"inf", no},
        {"-infinity", no}, {"nan", no}, {"0x10", no}, {"1,000", no}, {"1,5", no},
        {"\xEF\xBC\x93", no}, // full-width 3
        {"1e", no}, {"1e+", no}, {"e5", no}, {"--1", no}, {"+-1", no}, {"\v3", no},
        {std::string("3\0" "4", 3), no}, {"1e309", no}, {"-1e309", no}, {"1e-400", no},
        {std::string(400, '9'), no}, {"1e99999999999999999999", no},
    };
    for (const auto &[text, number] : cases) {
        SCOPED_TRACE(text.substr(0, 40));
        EXPECT_EQ(readNumber(text), number);
    }
}

TEST(Numbers, RoundToInt32TakesHalvesToEvenAndFailsOutsideTheRange)
{
    const std::optional<std::int32_t> no;
    const std::vector<std::pair<double, std::optional<std::int32_t>>> cases = {
        {12.5, 12}, {13.5, 14}, {-2.5, -2}, {-3.5, -4}, {2.4999999999999996, 2}, {67.6, 68},
        {2147483647.4, 2147483647}, {2147483647.5, no}, {-2147483648.5, -2147483648},
        {-2147483648.6, no}, {1e300, no}, {inf, no}, {-inf, no}, {nan, no},
    };
    for (const auto &[value, rounded] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(roundToInt32(value), rounded);
    }
}

TEST(Numbers, FormatDecimalShowsFifteenSignificantDigits)
{
    const std::vector<std::pair<double, std::string>> cases = {
        {33.4, "33.4"}, {40.0, "40"}, {6.800000000000001, "6.8"}, {7 * 0.01 * 100, "7"},
        {-10, "-10"}, {-0.0, "0"}, {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
        {100000000000000.0, "100000000000000"}, {999999999999999.4, "999999999999999"},
        {999999999999999.5, "1E+15"}, {1234567890123456.0, "1.23456789012346E+15"},
        {-1e15, "-1E+15"}, {1e308, "1E+308"}, {1.7976931348623157e308, "1.79769313486232E+308"},
        {0.000012345, "0.000012345"}, {0.0000099999999999999999, "0.00001"}, {0.000009, "9E-06"},
        {-2.5e-7, "-2.5E-07"}, {5e-324, "4.94065645841247E-324"}, {-inf, "-inf"}, {nan, "nan"},
    };
    for (const auto &[value, text] : cases) {
        SCOPED_TRACE(text);
        EXPECT_EQ(formatDecimal(value), text);
    }
}

TEST(Numbers, PointIsTheSeparatorWhateverTheLocale)
{
    // A comma-decimal locale, by the name each C library knows it under.
#ifdef _WIN32
    const char *const commaLocale = "German_Germany.1252";
#else
    const char *const commaLocale = "de_DE.UTF-8";
#endif
    if (!std::setlocale(LC_ALL, commaLocale))
        GTEST_SKIP() << "the " << commaLocale << " locale is not installed";
    struct RestoreLocale {
        ~RestoreLocale() { std::setlocale(LC_ALL, "C"); }
    } restore;
    EXPECT_EQ(readNumber("2.5"), 2.5);
    EXPECT_EQ(readNumber("2,5"), std::nullopt);
    EXPECT_EQ(formatDecimal(11504.8), "11504.8");
    EXPECT_EQ(formatDecimal(2.5e-7), "2.5E-07");
    EXPECT_EQ(formatInteger(-1234567), "-1234567");
}

} // namespace
} // namespace velmora
