#include "stats/StatChanges.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "stats/Numbers.h"
#include "stats/SiteText.h"

namespace velmora {

namespace {

constexpr std::size_t healingCaption = 10;

constexpr bool isIntegerCaption(std::size_t index)
{
    return index <= 4 || index == 11; // the five primary stats and vitality
}

constexpr std::string_view changedWord = "바뀜";

// How many decimal places a value text as formatDecimal writes it shows: "76.25" 2, "40" 0,
// "2.5E-07" 8, "1.5E+20" 0.
int decimalPlaces(std::string_view text)
{
    const std::size_t e = text.find('E');
    const std::string_view mantissa = text.substr(0, e);
    const std::size_t point = mantissa.find('.');
    int places = point == std::string_view::npos ? 0 : static_cast<int>(mantissa.size() - point - 1);
    if (e != std::string_view::npos) {
        int exponent = 0;
        std::string_view digits = text.substr(e + 1);
        if (!digits.empty() && digits.front() == '+')
            digits.remove_prefix(1);
        std::from_chars(digits.data(), digits.data() + digits.size(), exponent);
        places -= exponent;
    }
    return std::max(places, 0);
}

std::optional<std::int64_t> readInteger(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The difference of two value texts in their number form; nullopt when they give none.
std::optional<std::string> difference(std::string_view before, std::string_view after, bool integer)
{
    if (integer) {
        const std::optional<std::int64_t> a = readInteger(before);
        const std::optional<std::int64_t> b = readInteger(after);
        if (!a || !b)
            return std::nullopt;
        return withPlusSign(formatInteger(*b - *a));
    }
    const std::optional<double> a = readNumber(before);
    const std::optional<double> b = readNumber(after);
    if (!a || !b || !std::isfinite(*b - *a))
        return std::nullopt;
    // 76.2 - 73.8 is 2.4000000000000057 in binary: the difference is rounded to the places the
    // values show (correctly, by to_chars) before it is written like a caption's value.
    const int places = std::max(decimalPlaces(before), decimalPlaces(after));
    char buffer[1024]; // a double's 309 integer digits and its up to 340 places fit
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, *b - *a,
                                         std::chars_format::fixed, places);
    if (ec != std::errc{})
        return std::nullopt;
    const std::optional<double> rounded = readNumber(std::string_view(buffer, end));
    if (!rounded || *rounded == 0)
        return std::nullopt; // the captions differ in digits the difference cannot show
    return withPlusSign(formatDecimal(*rounded));
}

std::optional<std::string> changeOf(const StatTotals &before, const StatTotals &after,
                                    std::size_t index)
{
    if (before[index] == after[index])
        return std::nullopt;
    const std::string_view a = captionValue(before, index);
    const std::string_view b = captionValue(after, index);
    if (index == healingCaption || a.empty() || b.empty())
        return std::string(changedWord);
    return difference(a, b, isIntegerCaption(index)).value_or(std::string(changedWord));
}

constexpr std::string_view changeLead = "이전 계산 대비 ";
constexpr std::string_view referenceLead = "기준 대비 ";
constexpr std::string_view shownBefore = " (이전: ";
constexpr std::string_view nothingShown = "없음";

} // namespace

std::array<std::optional<std::string>, statLabelCount> statChanges(const StatTotals &before,
                                                                   const StatTotals &after)
{
    std::array<std::optional<std::string>, statLabelCount> changes;
    for (std::size_t i = 0; i < changes.size(); ++i)
        changes[i] = changeOf(before, after, i);
    return changes;
}

std::array<std::optional<std::string>, statLabelCount>
changeLines(const StatTotals &before, const StatTotals &after, Comparison comparison)
{
    std::array<std::optional<std::string>, statLabelCount> lines = statChanges(before, after);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!lines[i])
            continue;
        std::string line(comparison == Comparison::reference ? referenceLead : changeLead);
        line += *lines[i];
        if (*lines[i] == changedWord) {
            // The healing token is the site's text; a number is the program's own.
            const std::string_view was = captionValue(before, i);
            line += shownBefore;
            if (was.empty())
                line += nothingShown;
            else
                line += i == healingCaption ? isolate(was) : std::string(was);
            line += ')';
        }
        lines[i] = std::move(line);
    }
    return lines;
}

std::string changeList(const StatTotals &before, const StatTotals &after)
{
    std::string list;
    const auto changes = statChanges(before, after);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!changes[i])
            continue;
        if (!list.empty())
            list += ", ";
        list += statName(i);
        list += ' ';
        list += *changes[i];
    }
    return list;
}

std::vector<StatMove> statMoves(const StatTotals &before, const StatTotals &after)
{
    std::vector<StatMove> moves;
    const auto changes = statChanges(before, after);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        if (!changes[i])
            continue;
        // The healing token is the site's text; a number is the program's own.
        const auto shown = [i](std::string_view value) {
            if (value.empty())
                return std::string(nothingShown);
            return i == healingCaption ? isolate(value) : std::string(value);
        };
        std::string line(statName(i));
        line += ' ';
        line += shown(captionValue(before, i));
        line += " → ";
        line += shown(captionValue(after, i));
        line += " (";
        line += *changes[i];
        line += ')';
        const int direction = changes[i]->starts_with('+') ? 1 : changes[i]->starts_with('-') ? -1 : 0;
        moves.push_back({i, std::move(line), direction});
    }
    return moves;
}

std::string calculationStatus(const StatTotals *previous, const StatTotals &now)
{
    if (!previous)
        return "계산 완료";
    const std::string changes = changeList(*previous, now);
    return "계산: " + (changes.empty() ? std::string("변화 없음") : changes);
}

std::string referenceStatus(const StatTotals &reference, const StatTotals &now)
{
    const std::string changes = changeList(reference, now);
    return changes.empty() ? std::string("기준과 같음") : "기준 대비: " + changes;
}

std::string previewStatus(std::string_view name, std::string_view grade, const StatTotals &now,
                          const StatTotals &added, const PreviewReplacement *replaced, const StatTotals *reference)
{
    const auto changesOrNone = [](const StatTotals &before, const StatTotals &after) {
        const std::string changes = changeList(before, after);
        return changes.empty() ? std::string("변화 없음") : changes;
    };
    std::string status = "미리보기 " + isolate(name) + " (" + std::string(grade) + "): " + changesOrNone(now, added);
    if (replaced)
        status += " · " + isolate(replaced->name) + " 대신: " + changesOrNone(now, replaced->captions);
    if (reference)
        status += " · " + referenceStatus(*reference, added);
    return status;
}

} // namespace velmora
