#include "stats/Numbers.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace velmora {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Skips a run of ASCII digits starting at `pos`; returns how many there were.
std::size_t skipDigits(std::string_view text, std::size_t &pos)
{
    const std::size_t start = pos;
    while (pos < text.size() && isDigit(text[pos]))
        ++pos;
    return pos - start;
}

// Whether `text` is exactly: digits with an optional point and fraction (at least one digit in
// all), then an optional exponent e/E, optional sign, digits. No sign in front: the caller took it.
bool isPlainNumber(std::string_view text)
{
    std::size_t pos = 0;
    std::size_t mantissaDigits = skipDigits(text, pos);
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        mantissaDigits += skipDigits(text, pos);
    }
    if (mantissaDigits == 0)
        return false;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            ++pos;
        if (skipDigits(text, pos) == 0)
            return false;
    }
    return pos == text.size();
}

} // namespace

std::optional<double> readNumber(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);

    // std::from_chars takes a "-" but not a "+", so the sign is handled here.
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // The syntax is checked first because from_chars would also take "inf" and "nan".
    if (!isPlainNumber(text))
        return std::nullopt;

    double value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                           std::chars_format::general);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt; // beyond a double's range, too large or too small
    return negative ? -value : value;
}

std::optional<std::int32_t> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // nearbyint rounds in the current mode, which the program never changes from
    // round-to-nearest with ties to even.
    const double rounded = std::nearbyint(value);
    if (rounded < static_cast<double>(std::numeric_limits<std::int32_t>::min())
        || rounded > static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

std::optional<std::int32_t> addInt32(std::int32_t a, std::int32_t b)
{
    std::int32_t result = 0;
    if (__builtin_add_overflow(a, b, &result))
        return std::nullopt;
    return result;
}

std::optional<std::int32_t> mulInt32(std::int32_t a, std::int32_t b)
{
    std::int32_t result = 0;
    if (__builtin_mul_overflow(a, b, &result))
        return std::nullopt;
    return result;
}

std::string formatDecimal(double value)
{
    if (std::isnan(value))
        return "nan";
    if (std::isinf(value))
        return value < 0 ? "-inf" : "inf";
    if (value == 0)
        return "0"; // also for -0

    // to_chars gives "d.ddddddddddddddde±XX" correctly rounded to 15 significant digits and
    // never consults the locale. A rounding carry is already in the exponent
    // (999999999999999.5 comes out as 1.00000000000000e+15).
    constexpr int significantDigits = 15;
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, significantDigits - 1);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));

    const std::size_t ePos = scientific.find('e');
    std::string digits;
    digits.reserve(significantDigits);
    for (char c : scientific.substr(0, ePos)) {
        if (c != '.')
            digits += c;
    }
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    const std::string_view exponentText = scientific.substr(ePos + 1);
    const char *exponentBegin = exponentText.data() + (exponentText.front() == '+' ? 1 : 0);
    std::from_chars(exponentBegin, exponentText.data() + exponentText.size(), exponent);

    std::string text;
    if (value < 0)
        text += '-';
    const int digitCount = static_cast<int>(digits.size());
    if (exponent >= -5 && exponent < significantDigits) {
        if (exponent < 0) {
            text += "0.";
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += digits;
        } else if (digitCount <= exponent + 1) {
            text += digits;
            text.append(static_cast<std::size_t>(exponent + 1 - digitCount), '0');
        } else {
            const auto integerDigits = static_cast<std::size_t>(exponent + 1);
            text.append(digits, 0, integerDigits);
            text += '.';
            text.append(digits, integerDigits);
        }
    } else {
        text += digits.front();
        if (digitCount > 1) {
            text += '.';
            text.append(digits, 1);
        }
        text += 'E';
        text += exponent < 0 ? '-' : '+';
        const int magnitude = std::abs(exponent);
        if (magnitude < 10)
            text += '0';
        text += formatInteger(magnitude);
    }
    return text;
}

std::string formatInteger(std::int64_t value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string withPlusSign(std::string numberText)
{
    if (!numberText.starts_with('-'))
        numberText.insert(numberText.begin(), '+');
    return numberText;
}

} // namespace velmora
