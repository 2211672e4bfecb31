#include "stats/ExpectedStats.h"

#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <optional>

#include "stats/Numbers.h"
#include "stats/SiteText.h"
#include "stats/StatChanges.h"
#include "stats/StatText.h"
#include "stats/TextCut.h"

namespace velmora {

const std::array<std::string_view, statLabelCount> statResetCaptions = {
    "힘 :",      "민첩 :",        "지능 :",        "정신 :",   "체력 :", "근공력 :", "원공력 :",
    "주문력 :",  "물리 방어도 :", "마법 저항도 :", "치유력 :", "활력 :", "생명력 :",
};

std::string_view statName(std::size_t index)
{
    std::string_view name = statResetCaptions.at(index);
    name.remove_suffix(std::string_view(" :").size());
    return name;
}

std::string_view captionValue(const StatTotals &totals, std::size_t index)
{
    const std::string_view caption = totals.at(index);
    const std::string_view reset = statResetCaptions[index];
    if (caption.size() <= reset.size() + 1 || !caption.starts_with(reset))
        return {};
    return caption.substr(reset.size() + 1);
}

namespace {

// The working sums, in the order in which a stat text is examined.
enum Sum : std::size_t {
    Strength,
    Agility,
    Intellect,
    Spirit,
    Stamina,
    MagicResist,
    PhysDefense,
    AttackPower,
    RangedAttack,
    SpellPower,
    SumCount,
};

using Sums = std::array<std::int32_t, SumCount>;

struct SumSource {
    Stat stat; // its label in the stat text is the sum's marker
    std::int32_t start;
};

// Every character starts at 158 in each primary stat; items add to that.
constexpr std::int32_t primaryBase = 158;

constexpr std::array<SumSource, SumCount> sumSources = {{
    {Stat::Strength, primaryBase},
    {Stat::Agility, primaryBase},
    {Stat::Intellect, primaryBase},
    {Stat::Spirit, primaryBase},
    {Stat::Stamina, primaryBase},
    {Stat::MagicResist, 0},
    {Stat::PhysDefense, 0},
    {Stat::MeleeAttack, 0},
    {Stat::RangedAttack, 0},
    {Stat::SpellPower, 0},
}};

std::string_view marker(std::size_t sum)
{
    return statLabel(sumSources[sum].stat);
}

// Positions of the derived values among the captions; the five primary stats come first, in
// the same order as their sums.
enum Caption : std::size_t {
    MeleeAttackCaption = 5,
    RangedAttackCaption,
    SpellPowerCaption,
    PhysDefenseCaption,
    MagicResistCaption,
    HealingCaption,
    VitalityCaption,
    HealthCaption,
};

constexpr std::string_view healingMarker = "치유력";

// Fractions of strength, agility and intelligence that become attack, ranged attack and spell
// power, and the constant each of those values starts from.
constexpr double primaryToPowerFactor = 0.2;
constexpr double meleeAttackAddend = 1.4;
constexpr double rangedAttackAddend = 1.0;
constexpr double spellPowerAddend = 1.0;

constexpr std::int32_t vitalityPerIntellect = 12;
constexpr std::int32_t baseVitality = 5640;
constexpr std::int32_t healthPerStamina = 12;
constexpr std::int32_t baseHealth = 8400;

// The text after the first occurrence of `marker`, up to its next occurrence or the end;
// nullopt when the marker does not occur.
std::optional<std::string_view> segmentAfter(std::string_view text, std::string_view marker)
{
    const std::size_t found = text.find(marker);
    if (found == std::string_view::npos)
        return std::nullopt;
    const std::string_view rest = text.substr(found + marker.size());
    return rest.substr(0, rest.find(marker));
}

// One step that brings a sum to a new whole number: the sum before, the exact result, and the
// sum after, or nullopt when the result was no int32 and the sum stayed as it was.
struct SumStep {
    std::int32_t before = 0;
    double exact = 0;
    std::optional<std::int32_t> result;
};

// `sum` becomes the nearest integer to `exact`, halves to even; it stays when that is no int32.
SumStep roundInto(std::int32_t &sum, double exact)
{
    const SumStep step{sum, exact, roundToInt32(exact)};
    if (step.result)
        sum = *step.result;
    return step;
}

SumStep addInto(std::int32_t &sum, std::int32_t amount)
{
    const SumStep step{sum, static_cast<double>(sum) + amount, addInt32(sum, amount)};
    if (step.result)
        sum = *step.result;
    return step;
}

// What one row did to each sum, one list per sum, for the explanation.
using RowLines = std::array<std::vector<std::string>, SumCount>;

// How a row is named in the explanation: "<itemName> (<grade>)", both as the site wrote them.
std::string rowTitle(const EquipmentRow &row)
{
    return isolate(row.itemName) + " (" + isolate(row.grade) + ")";
}

constexpr std::string_view ignoredRow = "무시됨";

// Adds one row's values to the sums. With `lines`, every sum the row changed, or whose value in
// the row could not be counted, gets a line naming `row`.
void addRow(Sums &sums, std::string_view statText, RowLines *lines, const EquipmentRow *row)
{
    std::string title; // made once, when the row first needs a line
    for (std::size_t i = 0; i < SumCount; ++i) {
        const std::optional<std::string_view> segment = segmentAfter(statText, marker(i));
        if (!segment)
            continue;
        // The intelligence entry is the last one of a stat text, so its whole segment is its
        // value and trailing space; any other value ends at the first space.
        const std::string_view token = i == Intellect ? *segment : before(*segment, " ");
        const std::int32_t sumBefore = sums[i];
        const std::optional<double> amount = readNumber(token);
        const bool counted =
            amount && roundInto(sums[i], static_cast<double>(sums[i]) + *amount).result;
        if (!lines || (counted && sums[i] == sumBefore))
            continue;
        if (title.empty())
            title = rowTitle(*row) + ' ';
        (*lines)[i].push_back(
            title
            + (counted ? withPlusSign(formatInteger(std::int64_t{sums[i]} - sumBefore))
                       : std::string(ignoredRow)));
    }
}

// Everything one calculation works out after the rows, kept so that a caption and the lines that
// explain it are made from the very same numbers.
struct Steps {
    Sums itemSums{}; // what the rows added up to
    Sums sums{};     // after the bonuses
    SumStep attackBonus, strengthToAttack, spellPowerBonus, rangedAttackBonus, physDefenseBonus,
        magicResistBonus;
    double meleeAttack = 0, rangedAttack = 0, spellPower = 0, physDefense = 0, magicResist = 0;
    std::optional<std::int32_t> vitality, healthBase;
    std::optional<double> health;
    std::optional<std::string_view> healingToken; // nullopt: the last row has no healing marker
};

Steps work(const Sums &itemSums, std::string_view lastStatText, const BonusSettings &bonus)
{
    Steps s;
    s.itemSums = itemSums;
    Sums &sums = s.sums = itemSums;

    // Bonuses. Strength enters the attack power as a whole number, before its percentage.
    s.attackBonus = roundInto(sums[AttackPower], sums[AttackPower] + bonus.attackBonus);
    s.strengthToAttack =
        roundInto(sums[AttackPower], sums[Strength] * primaryToPowerFactor + sums[AttackPower]);
    s.spellPowerBonus = roundInto(sums[SpellPower], sums[SpellPower] + bonus.spellPowerBonus);
    s.rangedAttackBonus =
        roundInto(sums[RangedAttack], sums[RangedAttack] + bonus.rangedAttackBonus);
    s.physDefenseBonus = addInto(sums[PhysDefense], bonus.physDefenseBonus);
    s.magicResistBonus = addInto(sums[MagicResist], bonus.magicResistBonus);

    // Derived values, each evaluated left to right as written in double precision; agility and
    // intelligence count here with their fractions, not through the sums above.
    const double attackPower = sums[AttackPower];
    s.meleeAttack = attackPower * bonus.attackRatio + attackPower + meleeAttackAddend;
    s.rangedAttack = sums[Agility] * primaryToPowerFactor + sums[RangedAttack] + rangedAttackAddend;
    s.spellPower = sums[Intellect] * primaryToPowerFactor + sums[SpellPower] + spellPowerAddend;
    const double physDefense = sums[PhysDefense];
    s.physDefense = physDefense * bonus.physDefenseRatio + physDefense;
    const double magicResist = sums[MagicResist];
    s.magicResist = magicResist * bonus.magicResistRatio + magicResist + sums[Spirit];

    // Vitality and the health base are whole-number arithmetic; an overflow leaves no value.
    const std::optional<std::int32_t> vitalityProduct =
        mulInt32(sums[Intellect], vitalityPerIntellect);
    s.vitality = vitalityProduct ? addInt32(*vitalityProduct, baseVitality) : std::nullopt;
    const std::optional<std::int32_t> healthProduct = mulInt32(sums[Stamina], healthPerStamina);
    s.healthBase = healthProduct ? addInt32(*healthProduct, baseHealth) : std::nullopt;
    if (s.healthBase) {
        const double h = *s.healthBase;
        s.health = h * bonus.lifeRatio + h + bonus.lifeBonus;
    }

    // Healing power is not summed: the last item's token is shown as it stands.
    if (const std::optional<std::string_view> segment = segmentAfter(lastStatText, healingMarker))
        s.healingToken = before(*segment, " ");
    return s;
}

// A caption's value: the reset caption, a space and the value; the bare reset caption when the
// value could not be computed.
void setDecimal(std::string &caption, std::optional<double> value)
{
    if (value && std::isfinite(*value))
        caption += ' ' + formatDecimal(*value);
}

void setInteger(std::string &caption, std::optional<std::int32_t> value)
{
    if (value)
        caption += ' ' + formatInteger(*value);
}

StatTotals captionsOf(const Steps &s)
{
    StatTotals captions;
    for (std::size_t i = 0; i < captions.size(); ++i)
        captions[i] = std::string(statResetCaptions[i]);
    for (std::size_t i : {Strength, Agility, Intellect, Spirit, Stamina})
        setInteger(captions[i], s.sums[i]);
    setDecimal(captions[MeleeAttackCaption], s.meleeAttack);
    setDecimal(captions[RangedAttackCaption], s.rangedAttack);
    setDecimal(captions[SpellPowerCaption], s.spellPower);
    setDecimal(captions[PhysDefenseCaption], s.physDefense);
    setDecimal(captions[MagicResistCaption], s.magicResist);
    // A marker with nothing after it up to the next space has no token to show.
    if (s.healingToken && !s.healingToken->empty()) {
        captions[HealingCaption] += ' ';
        captions[HealingCaption] += *s.healingToken;
    }
    setInteger(captions[VitalityCaption], s.vitality);
    setDecimal(captions[HealthCaption], s.health);
    return captions;
}

// The explanation's wording.
constexpr std::string_view baseWord = "기본";
constexpr std::string_view itemsWord = "아이템";
constexpr std::string_view increaseWord = "증가";
constexpr std::string_view skippedStep = "32비트 범위를 넘어 반영 안 됨";
constexpr std::string_view noValue = "값 없음: ";
constexpr std::string_view outsideInt32 = "32비트 정수 범위를 넘음";
constexpr std::string_view notFinite = "결과가 수의 범위를 넘음";
constexpr std::string_view emptyList = "장비 목록이 비어 있음";
constexpr std::string_view lastRowWord = "마지막 행";
constexpr std::string_view healingMissing = "에 치유력 없음";
constexpr std::string_view healingEmpty = "의 치유력 뒤에 값이 없음";
constexpr std::string_view healingFound = "의 치유력 ";

// Names of the bonuses as the bonus boxes call them.
constexpr std::string_view attackBonusName = "추가 공격력";
constexpr std::string_view rangedAttackBonusName = "추가 원거리 공격력";
constexpr std::string_view spellPowerBonusName = "추가 주문력";
constexpr std::string_view physDefenseBonusName = "추가 물리 방어도";
constexpr std::string_view magicResistBonusName = "추가 마법 저항도";
constexpr std::string_view lifeBonusName = "추가 생명력";

constexpr double fractionToPercent = 100;

std::string dec(double value)
{
    return formatDecimal(value);
}

std::string num(std::int32_t value)
{
    return formatInteger(value);
}

std::string joined(std::initializer_list<std::string_view> parts)
{
    std::string text;
    for (std::string_view part : parts)
        text += part;
    return text;
}

// "<name> <value>": an input and where it comes from.
std::string inputLine(std::string_view name, std::string_view value)
{
    return joined({name, " ", value});
}

// "<source> <amount>: <formula> = <exact> → <result>", the exact value only where the rounding
// changed it.
std::string stepLine(std::string_view source, std::string_view amount, std::string_view formula,
                     const SumStep &step)
{
    std::string line = joined({source, " ", amount, ": ", formula});
    if (!step.result || static_cast<double>(*step.result) != step.exact)
        line += " = " + dec(step.exact);
    line += " → ";
    line += step.result ? num(*step.result) : std::string(skippedStep);
    return line;
}

std::string percentLine(std::string_view name, double ratio)
{
    return joined({name, " ", increaseWord, " ", dec(ratio * fractionToPercent), "%"});
}

// Each row's line goes to exactly one label, so it is moved there.
void appendRowLines(std::vector<std::string> &lines, std::vector<std::string> &rowLines)
{
    lines.insert(lines.end(), std::make_move_iterator(rowLines.begin()),
                 std::make_move_iterator(rowLines.end()));
}

// The items' sum of one stat and the rows that made it.
void appendItemSum(std::vector<std::string> &lines, Sum sum, const Steps &s, RowLines &rows)
{
    lines.push_back(joined({itemsWord, " ", marker(sum), " ", num(s.itemSums[sum])}));
    appendRowLines(lines, rows[sum]);
}

// The last line of a derived value: "= <value text>", or why there is none.
std::string resultLine(std::string_view valueText, std::string_view whyNone)
{
    if (valueText.empty())
        return joined({noValue, whyNone});
    return joined({"= ", valueText});
}

std::array<std::vector<std::string>, statLabelCount>
explain(const Steps &s, RowLines &rows, const EquipmentRow *lastRow, const StatTotals &captions,
        const BonusSettings &bonus)
{
    std::array<std::vector<std::string>, statLabelCount> lines;
    const auto value = [&](std::size_t caption) { return captionValue(captions, caption); };

    for (std::size_t i : {Strength, Agility, Intellect, Spirit, Stamina}) {
        lines[i].push_back(inputLine(baseWord, num(sumSources[i].start)));
        appendRowLines(lines[i], rows[i]);
    }

    const std::string strength = num(s.sums[Strength]);
    const std::string attackPower = num(s.sums[AttackPower]);
    std::vector<std::string> &melee = lines[MeleeAttackCaption];
    appendItemSum(melee, AttackPower, s, rows);
    melee.push_back(stepLine(attackBonusName, dec(bonus.attackBonus),
                             joined({num(s.attackBonus.before), " + ", dec(bonus.attackBonus)}),
                             s.attackBonus));
    melee.push_back(stepLine(marker(Strength), strength,
                             joined({strength, " × ", dec(primaryToPowerFactor), " + ",
                                     num(s.strengthToAttack.before)}),
                             s.strengthToAttack));
    melee.push_back(percentLine(marker(AttackPower), bonus.attackRatio));
    melee.push_back(joined({attackPower, " × ", dec(bonus.attackRatio), " + ", attackPower, " + ",
                            dec(meleeAttackAddend)}));
    melee.push_back(resultLine(value(MeleeAttackCaption), notFinite));

    // Ranged attack and spell power are made the same way: a fifth of a primary stat, the items'
    // sum with its flat bonus, and a constant.
    const auto explainPower = [&](std::size_t caption, Sum primary, Sum power, std::string_view bonusName,
                                  double bonusAmount, const auto &bonusStep, double addend) {
        std::vector<std::string> &out = lines[caption];
        out.push_back(inputLine(marker(primary), num(s.sums[primary])));
        appendItemSum(out, power, s, rows);
        out.push_back(stepLine(bonusName, dec(bonusAmount),
                               joined({num(bonusStep.before), " + ", dec(bonusAmount)}), bonusStep));
        out.push_back(joined({num(s.sums[primary]), " × ", dec(primaryToPowerFactor), " + ", num(s.sums[power]),
                              " + ", dec(addend)}));
        out.push_back(resultLine(value(caption), notFinite));
    };
    explainPower(RangedAttackCaption, Agility, RangedAttack, rangedAttackBonusName, bonus.rangedAttackBonus,
                 s.rangedAttackBonus, rangedAttackAddend);
    explainPower(SpellPowerCaption, Intellect, SpellPower, spellPowerBonusName, bonus.spellPowerBonus,
                 s.spellPowerBonus, spellPowerAddend);

    const std::string physDefense = num(s.sums[PhysDefense]);
    std::vector<std::string> &defense = lines[PhysDefenseCaption];
    appendItemSum(defense, PhysDefense, s, rows);
    defense.push_back(stepLine(physDefenseBonusName, num(bonus.physDefenseBonus),
                               joined({num(s.physDefenseBonus.before), " + ",
                                       num(bonus.physDefenseBonus)}),
                               s.physDefenseBonus));
    defense.push_back(percentLine(statName(PhysDefenseCaption), bonus.physDefenseRatio));
    defense.push_back(
        joined({physDefense, " × ", dec(bonus.physDefenseRatio), " + ", physDefense}));
    defense.push_back(resultLine(value(PhysDefenseCaption), notFinite));

    const std::string magicResist = num(s.sums[MagicResist]);
    std::vector<std::string> &resist = lines[MagicResistCaption];
    appendItemSum(resist, MagicResist, s, rows);
    resist.push_back(stepLine(magicResistBonusName, num(bonus.magicResistBonus),
                              joined({num(s.magicResistBonus.before), " + ",
                                      num(bonus.magicResistBonus)}),
                              s.magicResistBonus));
    resist.push_back(percentLine(statName(MagicResistCaption), bonus.magicResistRatio));
    resist.push_back(inputLine(marker(Spirit), num(s.sums[Spirit])));
    resist.push_back(joined({magicResist, " × ", dec(bonus.magicResistRatio), " + ", magicResist,
                             " + ", num(s.sums[Spirit])}));
    resist.push_back(resultLine(value(MagicResistCaption), notFinite));

    std::vector<std::string> &healing = lines[HealingCaption];
    if (!lastRow) {
        healing.push_back(std::string(emptyList));
    } else {
        const std::string row = rowTitle(*lastRow);
        if (!s.healingToken)
            healing.push_back(joined({lastRowWord, " ", row, healingMissing}));
        else if (s.healingToken->empty())
            healing.push_back(joined({lastRowWord, " ", row, healingEmpty}));
        else
            healing.push_back(
                joined({lastRowWord, " ", row, healingFound, isolate(*s.healingToken)}));
    }

    std::vector<std::string> &vitality = lines[VitalityCaption];
    const std::string intellect = num(s.sums[Intellect]);
    vitality.push_back(inputLine(marker(Intellect), intellect));
    vitality.push_back(joined({intellect, " × ", num(vitalityPerIntellect), " + ",
                               num(baseVitality)}));
    vitality.push_back(resultLine(value(VitalityCaption), outsideInt32));

    std::vector<std::string> &health = lines[HealthCaption];
    const std::string stamina = num(s.sums[Stamina]);
    health.push_back(inputLine(marker(Stamina), stamina));
    std::string base = joined({baseWord, " ", statName(HealthCaption), ": ", stamina, " × ",
                               num(healthPerStamina), " + ", num(baseHealth)});
    if (s.healthBase) {
        const std::string h = num(*s.healthBase);
        health.push_back(base + " → " + h);
        health.push_back(percentLine(statName(HealthCaption), bonus.lifeRatio));
        health.push_back(inputLine(lifeBonusName, num(bonus.lifeBonus)));
        health.push_back(joined({h, " × ", dec(bonus.lifeRatio), " + ", h, " + ",
                                 num(bonus.lifeBonus)}));
        health.push_back(resultLine(value(HealthCaption), notFinite));
    } else {
        health.push_back(base);
        health.push_back(resultLine({}, outsideInt32));
    }
    return lines;
}

constexpr bool isDerived(std::size_t caption)
{
    return caption >= MeleeAttackCaption && caption != HealingCaption;
}

} // namespace

StatTotals calculateExpectedStats(std::span<const std::string> statTexts, const BonusSettings &bonus)
{
    Sums sums{};
    for (std::size_t i = 0; i < SumCount; ++i)
        sums[i] = sumSources[i].start;
    std::string_view lastStatText;
    for (const std::string &statText : statTexts) {
        addRow(sums, statText, nullptr, nullptr);
        lastStatText = statText;
    }
    return captionsOf(work(sums, lastStatText, bonus));
}

static_assert(ReadStatTexts::sumCount == SumCount);

ReadStatTexts::ReadStatTexts(std::span<const std::string> statTexts)
{
    m_amounts.reserve(statTexts.size());
    m_before.reserve(statTexts.size() + 1);
    Sums sums{};
    for (std::size_t i = 0; i < SumCount; ++i)
        sums[i] = sumSources[i].start;
    for (const std::string &statText : statTexts) {
        m_before.push_back(sums);
        m_amounts.push_back(read(statText));
        add(sums, m_amounts.back());
    }
    m_before.push_back(sums);
    if (!statTexts.empty())
        m_lastText = statTexts.back();
}

ReadStatTexts::Amounts ReadStatTexts::read(std::string_view statText)
{
    // The same reading as addRow's.
    Amounts amounts;
    for (std::size_t i = 0; i < SumCount; ++i)
        if (const std::optional<std::string_view> segment = segmentAfter(statText, marker(i)))
            amounts[i] = readNumber(i == Intellect ? *segment : before(*segment, " "));
    return amounts;
}

void ReadStatTexts::add(Sums &sums, const Amounts &amounts)
{
    for (std::size_t i = 0; i < SumCount; ++i)
        if (amounts[i])
            roundInto(sums[i], static_cast<double>(sums[i]) + *amounts[i]);
}

StatTotals ReadStatTexts::finish(const Sums &sums, std::string_view lastStatText, const BonusSettings &bonus) const
{
    return captionsOf(work(sums, lastStatText, bonus));
}

StatTotals ReadStatTexts::calculate(const BonusSettings &bonus) const
{
    return finish(m_before.back(), m_lastText, bonus);
}

StatTotals ReadStatTexts::withAppended(std::string_view statText, const BonusSettings &bonus) const
{
    Sums sums = m_before.back();
    add(sums, read(statText));
    return finish(sums, statText, bonus);
}

StatTotals ReadStatTexts::withReplaced(std::size_t position, std::string_view statText, const BonusSettings &bonus) const
{
    Sums sums = m_before[position];
    add(sums, read(statText));
    for (std::size_t row = position + 1; row < m_amounts.size(); ++row)
        add(sums, m_amounts[row]);
    return finish(sums, position + 1 == m_amounts.size() ? statText : std::string_view(m_lastText), bonus);
}

ExplainedStats explainExpectedStats(std::span<const EquipmentRow> rows, const BonusSettings &bonus,
                                    const StatTotals *previous, Comparison comparison)
{
    Sums sums{};
    for (std::size_t i = 0; i < SumCount; ++i)
        sums[i] = sumSources[i].start;
    RowLines rowLines;
    for (const EquipmentRow &row : rows)
        addRow(sums, row.statText, &rowLines, &row);
    const EquipmentRow *lastRow = rows.empty() ? nullptr : &rows.back();
    const Steps steps = work(sums, lastRow ? lastRow->statText : std::string_view(), bonus);

    ExplainedStats result;
    result.captions = captionsOf(steps);
    result.explanations = explain(steps, rowLines, lastRow, result.captions, bonus);
    if (previous) {
        // A change stands beside the value it changed: before a derived value's result line,
        // after everything else.
        const auto changes = changeLines(*previous, result.captions, comparison);
        for (std::size_t i = 0; i < changes.size(); ++i) {
            if (!changes[i])
                continue;
            std::vector<std::string> &lines = result.explanations[i];
            lines.insert(isDerived(i) ? lines.end() - 1 : lines.end(), *changes[i]);
        }
    }
    return result;
}

} // namespace velmora
