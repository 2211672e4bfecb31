#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stats/BonusSettings.h"
#include "stats/EquipmentRow.h"

namespace velmora {

inline constexpr int statLabelCount = 13;

/// The thirteen expected-stat captions, indexed like the stat labels lab1(0)…lab1(12).
using StatTotals = std::array<std::string, statLabelCount>;

/// What each stat label shows before its value: "힘 :", "민첩 :", … "원공력 :" (6), "주문력 :" (7),
/// "치유력 :" (10), "활력 :" (11), "생명력 :" (12).
extern const std::array<std::string_view, statLabelCount> statResetCaptions;

/// The name of stat label `index`: its reset caption without " :" ("힘", "물리 방어도").
std::string_view statName(std::size_t index);

/// The value text of caption `index`: what follows its reset caption and the space; "" when the
/// caption is bare. {"근공력 : 76.2", …}, 5 -> "76.2".
std::string_view captionValue(const StatTotals &totals, std::size_t index);

/// The expected stats of an equipment list, from the stat texts of its rows in list order and
/// the bonus settings. Each caption is its reset caption, one space and the value; a value that
/// cannot be computed (an int32 overflow, an infinite or invalid result) leaves the bare reset
/// caption. Empty list, no bonuses: "힘 : 158", …, "근공력 : 33.4", …, "생명력 : 10296".
/// A row's value that is no number, or would take its sum out of the int32 range, adds nothing.
/// The healing caption shows the token after "치유력" in the last row's text as it stands
/// ("치유력 : " followed by it), and is bare when the last row has no such marker or nothing
/// follows the marker up to the next space.
/// Linear in the total length of the texts; nothing is allocated per row.
StatTotals calculateExpectedStats(std::span<const std::string> statTexts, const BonusSettings &bonus);

/// A list's stat texts read once, for many calculations over the list with one row changed:
/// what 계산 would show with a text appended, or with one row's text in place of another, each
/// the very captions calculateExpectedStats gives for the changed list, without the other rows'
/// texts being read again (a row's rounding depends on the sums before it, so the rows after a
/// replaced one are added up again, from the numbers read once).
class ReadStatTexts {
public:
    explicit ReadStatTexts(std::span<const std::string> statTexts);

    StatTotals calculate(const BonusSettings &bonus) const;
    StatTotals withAppended(std::string_view statText, const BonusSettings &bonus) const;
    /// `position` < the number of texts.
    StatTotals withReplaced(std::size_t position, std::string_view statText, const BonusSettings &bonus) const;

    static constexpr std::size_t sumCount = 10; // the sums a stat text adds to

private:
    using Amounts = std::array<std::optional<double>, sumCount>; // per sum; nullopt adds nothing
    using Sums = std::array<std::int32_t, sumCount>;
    static Amounts read(std::string_view statText);
    static void add(Sums &sums, const Amounts &amounts);
    StatTotals finish(const Sums &sums, std::string_view lastStatText, const BonusSettings &bonus) const;

    std::vector<Amounts> m_amounts;
    std::vector<Sums> m_before; // the sums before each row, then after the last
    std::string m_lastText;
};

/// What the captions of a calculation are compared with: the calculation before, or the
/// captions a player pinned as the reference.
enum class Comparison { previousCalculation, reference };

/// The captions of a calculation and, per label, the lines (plain UTF-8 text, one string per
/// line) that explain its value.
struct ExplainedStats {
    StatTotals captions;
    std::array<std::vector<std::string>, statLabelCount> explanations;
};

/// The same calculation as calculateExpectedStats over the rows' stat texts, with the explanation
/// of every caption; rows are named by item name and grade. Item names, grades and the healing
/// token are site text and stand isolated (see isolate()).
/// - Primary stats (0…4): "기본 158", then one line per row that changed that sum, in list order,
///   "<itemName> (<grade>) +N" or "… -N" with N the change after the row's rounding, so that the
///   numbers add up to the caption's value; "<itemName> (<grade>) 무시됨" for a row whose value
///   could not be read or would overflow.
/// - Derived values (5…9, 11, 12): each input with its source (the items' sum with its rows as
///   above, each bonus step with its numbers, the percentages), the formula with the numbers
///   filled in, and last "= <value text>", exactly captionValue(); a bare caption's last line
///   begins "값 없음: " and says why.
/// - Healing (10): which row the token came from, or that the last row has none, or that the
///   list is empty.
/// With `previous` (the captions of the calculation before, or the reference as `comparison`
/// says), a changed value gains the line of changeLines(): before the last line of a derived
/// value, at the end of the others.
ExplainedStats explainExpectedStats(std::span<const EquipmentRow> rows, const BonusSettings &bonus,
                                    const StatTotals *previous = nullptr,
                                    Comparison comparison = Comparison::previousCalculation);

} // namespace velmora
