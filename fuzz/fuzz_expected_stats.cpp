// The first 40 bytes (when there are that many) choose the ten bonuses, four bytes each; the
// rest is the equipment list, one stat text per line. Every caption must be its reset caption,
// bare or followed by one space and a number the program can read back, whatever the sums do,
// and its explanation must agree with it.

#include "FuzzSupport.h"
#include "stats/BonusSettings.h"
#include "stats/EquipmentRow.h"
#include "stats/ExpectedStats.h"
#include "stats/Numbers.h"

#include <array>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

constexpr std::size_t bytesPerBonus = 4;
constexpr std::size_t settingsBytes = bytesPerBonus * bonusBoxCount;

using DoubleLimits = std::numeric_limits<double>;
using IntLimits = std::numeric_limits<std::int32_t>;

// Values at which the sums, the roundings and the products change behaviour: zero, ordinary
// fractions, halves, the int32 edges, magnitudes that overflow when multiplied or added, and
// values too small to matter.
constexpr std::array interestingDoubles = {
    0.0,
    0.05,
    -0.1,
    2.5,
    -2.5,
    0.5,
    -0.5,
    1.0,
    100.0,
    1e15,
    -1e15,
    1e306,
    -1e306,
    DoubleLimits::max(),
    -DoubleLimits::max(),
    DoubleLimits::min(),
    DoubleLimits::denorm_min(),
    -DoubleLimits::denorm_min(),
    1e-5,
    2147483647.0,
    2147483647.5,
    2147483648.0,
    -2147483648.0,
    -2147483648.5,
    -2147483649.0,
};

constexpr std::array interestingInts = {
    std::int32_t{0},           std::int32_t{1},           std::int32_t{-1},
    std::int32_t{1000},        IntLimits::max(),          IntLimits::max() - 1,
    IntLimits::min(),          IntLimits::min() + 1,      std::int32_t{1} << 30,
    -(std::int32_t{1} << 30),  IntLimits::max() - 10296,
};

// A small number from two bytes, in hundredths when the third byte is odd.
double smallNumber(const std::uint8_t *bytes)
{
    const auto whole = static_cast<std::int16_t>(bytes[1] | (bytes[2] << 8));
    return (bytes[3] & 1) ? whole / 100.0 : whole;
}

double pickDouble(const std::uint8_t *bytes)
{
    const std::size_t choice = bytes[0] % (interestingDoubles.size() + 1);
    return choice < interestingDoubles.size() ? interestingDoubles[choice] : smallNumber(bytes);
}

std::int32_t pickInt(const std::uint8_t *bytes)
{
    const std::size_t choice = bytes[0] % (interestingInts.size() + 1);
    return choice < interestingInts.size() ? interestingInts[choice]
                                           : static_cast<std::int32_t>(smallNumber(bytes));
}

BonusSettings settingsFrom(const std::uint8_t *bytes)
{
    const auto at = [&](int box) { return bytes + bytesPerBonus * static_cast<std::size_t>(box); };
    BonusSettings settings;
    settings.attackRatio = pickDouble(at(0));
    settings.rangedAttackBonus = pickDouble(at(1));
    settings.physDefenseRatio = pickDouble(at(2));
    settings.magicResistRatio = pickDouble(at(3));
    settings.physDefenseBonus = pickInt(at(4));
    settings.magicResistBonus = pickInt(at(5));
    settings.attackBonus = pickDouble(at(6));
    settings.spellPowerBonus = pickDouble(at(7));
    settings.lifeRatio = pickDouble(at(8));
    settings.lifeBonus = pickInt(at(9));
    return settings;
}

std::vector<std::string> linesOf(std::string_view text)
{
    std::vector<std::string> lines;
    if (text.empty())
        return lines;
    for (;;) {
        const std::size_t end = text.find('\n');
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos)
            return lines;
        text.remove_prefix(end + 1);
    }
}

bool isIntegerText(std::string_view text)
{
    if (!text.empty() && text.front() == '-')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    for (char c : text)
        if (c < '0' || c > '9')
            return false;
    return true;
}

constexpr std::size_t healingCaption = 10;

bool isIntegerCaption(std::size_t index)
{
    return index <= 4 || index == 11; // the five primary stats and vitality
}

void checkCaptions(const StatTotals &captions, const std::vector<std::string> &statTexts)
{
    for (std::size_t i = 0; i < captions.size(); ++i) {
        const std::string_view caption = captions[i];
        const std::string_view reset = statResetCaptions[i];
        require(caption.starts_with(reset), "a caption starts with its reset caption", caption);
        if (caption.size() == reset.size())
            continue; // bare: the value could not be computed
        require(caption[reset.size()] == ' ', "one space after the reset caption", caption);
        const std::string_view value = caption.substr(reset.size() + 1);

        if (i == healingCaption) {
            // The last row's token, shown as it stands.
            require(!statTexts.empty() && contains(statTexts.back(), value), "healing token from the last row",
                    caption);
            require(!contains(value, " "), "healing token ends at a space", caption);
            continue;
        }
        require(!contains(value, "nan") && !contains(value, "inf"), "no invalid number shown", caption);
        // The largest doubles are shown rounded up to 15 digits, past the largest double, so
        // that one form alone does not read back.
        const bool largest = value == "1.79769313486232E+308" || value == "-1.79769313486232E+308";
        require(largest || readNumber(value).has_value(), "a shown value reads back", caption);
        if (isIntegerCaption(i))
            require(isIntegerText(value), "a whole-number caption shows a whole number", caption);
    }
}

// The primary stats' lines add up to their captions; a derived value's last line is its value
// or says why there is none.
void checkExplanation(const StatTotals &captions, const std::vector<std::string> &statTexts,
                      const BonusSettings &settings)
{
    std::vector<EquipmentRow> rows;
    for (const std::string &statText : statTexts)
        rows.push_back({"x", "", statText, "영웅", ""});
    const ExplainedStats explained = explainExpectedStats(rows, settings);
    require(explained.captions == captions, "the explanation has the calculation's captions");

    for (std::size_t i = 0; i < captions.size(); ++i) {
        const std::vector<std::string> &lines = explained.explanations[i];
        require(!lines.empty(), "every label is explained", captions[i]);
        const std::string_view value = captionValue(captions, i);
        if (isIntegerCaption(i) && i != 11) {
            std::int64_t total = 0;
            for (std::size_t k = 0; k < lines.size(); ++k) {
                const std::string_view line = lines[k];
                const std::string_view last = line.substr(line.rfind(' ') + 1);
                if (last == "무시됨")
                    continue;
                std::int64_t change = 0;
                const char *begin = last.data() + (last.starts_with('+') ? 1 : 0);
                const auto [end, ec] = std::from_chars(begin, last.data() + last.size(), change);
                require(ec == std::errc{} && end == last.data() + last.size(), "a primary line ends in a number",
                        line);
                total += change;
            }
            require(formatInteger(total) == value, "the primary lines add up to the caption", captions[i]);
        } else if (i != healingCaption) {
            const std::string_view last = lines.back();
            require(value.empty() ? last.starts_with("값 없음: ") : last == "= " + std::string(value),
                    "the last line is the caption's value", last);
        }
    }
    // The same captions before: no line of change.
    require(explainExpectedStats(rows, settings, &captions).explanations == explained.explanations,
            "unchanged captions add no line");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    BonusSettings settings;
    if (size >= settingsBytes) {
        settings = settingsFrom(data);
        data += settingsBytes;
        size -= settingsBytes;
    }
    const std::vector<std::string> statTexts = linesOf(asText(data, size));

    const StatTotals first = calculateExpectedStats(statTexts, settings);
    checkCaptions(first, statTexts);
    // Nothing of one calculation may leak into the next.
    require(calculateExpectedStats(statTexts, settings) == first, "the same list gives the same captions");
    checkExplanation(first, statTexts, settings);
    return 0;
}
