// The input as a number text: what readNumber accepts must be what the C library reads, must
// be shown by formatDecimal in a form that reads back to nearly the same value, and must round
// to int32 the way nearbyint does. The same bytes, less the first, typed into the bonus box the
// first byte picks (-1…10, both ends outside the boxes) must give a caption without an invalid
// number in it.

#include "FuzzSupport.h"
#include "stats/BonusSettings.h"
#include "stats/Numbers.h"

#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

std::string_view trimmedBlanks(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

void checkAgainstCLibrary(std::string_view text, double value)
{
    // The fuzzer never changes the locale, so strtod uses the point as well.
    const std::string copy(trimmedBlanks(text));
    char *end = nullptr;
    const double library = std::strtod(copy.c_str(), &end);
    require(end == copy.c_str() + copy.size(), "strtod takes all of an accepted number", copy);
    require(library == value, "readNumber agrees with strtod", copy);
}

void checkFormat(double value)
{
    const std::string shown = formatDecimal(value);
    require(shown != "-0" && !contains(shown, "nan") && !contains(shown, "inf"), "a finite value is shown as one",
            shown);
    const std::size_t exponentAt = shown.find('E');
    const std::string_view mantissa = std::string_view(shown).substr(0, exponentAt);
    if (contains(mantissa, "."))
        require(mantissa.back() != '0' && mantissa.back() != '.', "no trailing zeros or point", shown);
    if (exponentAt != std::string::npos)
        require(shown.size() - exponentAt >= 4, "at least two exponent digits", shown);

    const std::optional<double> back = readNumber(shown);
    if (!back) {
        // The largest doubles have no 15-digit form within a double's range: they round up to
        // 1.79769313486232E+308, which lies past the largest double.
        require(std::fabs(value) >= 1.797693134862315e308, "the shown value reads back", shown);
        return;
    }
    // Fifteen significant digits are within 5e-15 of the value; the double nearest to them is
    // no farther away than the value itself, so the two differ by at most twice that.
    require(std::fabs(*back - value) <= 1e-14 * std::fabs(value), "the shown value is the value to 15 digits",
            shown);
}

void checkRounding(double value)
{
    const std::optional<std::int32_t> rounded = roundToInt32(value);
    const double nearest = std::nearbyint(value);
    const bool fits = nearest >= std::numeric_limits<std::int32_t>::min()
                      && nearest <= std::numeric_limits<std::int32_t>::max();
    require(rounded.has_value() == fits, "rounding fails exactly outside int32", formatDecimal(value));
    if (rounded) {
        require(*rounded == nearest, "rounding agrees with nearbyint", formatDecimal(value));
        require(readNumber(formatInteger(*rounded)) == nearest, "a whole number reads back", formatDecimal(value));
    }
}

void checkBonusBox(int index, std::string_view typed)
{
    BonusSettings settings;
    const std::optional<std::string> caption = switchBonusOn(settings, index, typed);
    if (index < 0 || index >= bonusBoxCount) {
        require(!caption && settings == BonusSettings{}, "no box outside 0…9");
        return;
    }
    require(caption.has_value(), "every box has a caption");
    require(!contains(*caption, "nan") && !contains(*caption, "inf"), "the caption shows no invalid number",
            *caption);
    require(caption->ends_with("추가 완료."), "the caption confirms", *caption);
    if (!readNumber(typed))
        require(settings == BonusSettings{}, "a text that is no number changes nothing", *caption);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text = asText(data, size);
    if (const std::optional<double> value = readNumber(text)) {
        require(std::isfinite(*value), "only finite numbers are read", text);
        checkAgainstCLibrary(text, *value);
        checkFormat(*value);
        checkRounding(*value);
    }
    if (size > 0)
        checkBonusBox(data[0] % 12 - 1, text.substr(1));
    return 0;
}
