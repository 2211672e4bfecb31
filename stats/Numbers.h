#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// Reads a number the way the program reads every number it is given: the version document,
/// a typed bonus amount, a stat value cut from the site. Blanks (space, tab, CR, LF) around the
/// number are ignored; then an optional sign, digits with an optional point and fraction, and an
/// optional exponent. The point is the decimal separator whatever the system locale.
///   readNumber(" 3 ") == 3, readNumber("03") == 3, readNumber("2.5") == 2.5,
///   readNumber("-10") == -10, readNumber("1e3") == 1000;
///   "", "3a", "inf", "nan", "0x10", "1,000", full-width digits and "1e309" (beyond a double) fail.
/// ".5" and "3." are read. A number too small for a double to hold as anything but 0 fails as
/// well ("1e-400"), while an exact zero in any form ("0e-400") is 0; numbers in the subnormal
/// range ("1e-320") are read.
std::optional<double> readNumber(std::string_view text);

/// The nearest 32-bit integer, an exact half going to the even neighbour (12.5 -> 12,
/// 13.5 -> 14, -2.5 -> -2). Fails outside the int32 range and for inf or NaN.
std::optional<std::int32_t> roundToInt32(double value);

/// 32-bit integer arithmetic that reports an overflow instead of wrapping.
std::optional<std::int32_t> addInt32(std::int32_t a, std::int32_t b);
std::optional<std::int32_t> mulInt32(std::int32_t a, std::int32_t b);

/// A double as the program shows it: at most 15 significant digits (the last rounded to
/// nearest), no trailing zeros and no trailing point, "-" when negative, never "-0".
///   33.4 -> "33.4", 40.0 -> "40", 6.800000000000001 -> "6.8", 7 * 0.01 * 100 -> "7".
/// Magnitudes of 1e15 and above, or below 1e-5, are written with an exponent of at least two
/// digits: 1e308 -> "1E+308", 2.5e-7 -> "2.5E-07", 1234567890123456 -> "1.23456789012346E+15".
/// The magnitude is judged after rounding to 15 digits: 999999999999999.5 -> "1E+15". The point
/// is the decimal separator whatever the system locale.
/// inf and NaN are never shown by the program; they are written "inf"/"nan" here only so that a
/// caller's mistake is visible.
std::string formatDecimal(double value);

/// Plain decimal digits, "-" when negative, no grouping.
std::string formatInteger(std::int64_t value);

/// A number text as a change: "+" in front unless it is negative. "12" -> "+12", "-2.4" stays.
std::string withPlusSign(std::string numberText);

} // namespace velmora
