#include "stats/ExpectedStats.h"

#include <cmath>
#include <cstdint>
#include <optional>

#include "stats/Numbers.h"
#include "stats/StatText.h"
#include "stats/TextCut.h"

namespace velmora {

const std::array<std::string_view, statLabelCount> statResetCaptions = {
    "힘 :",      "민첩 :",        "지능 :",        "정신 :",   "체력 :", "근공력 :", "원공력 :",
    "주문력 :",  "물리 방어도 :", "마법 저항도 :", "치유력 :", "활력 :", "생명력 :",
};

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

// `sum` plus `amount`, brought to the nearest integer; `sum` stays as it was when the result
// is no int32.
void addRounded(std::int32_t &sum, double amount)
{
    if (const std::optional<std::int32_t> result = roundToInt32(static_cast<double>(sum) + amount))
        sum = *result;
}

void addRow(std::array<std::int32_t, SumCount> &sums, std::string_view statText)
{
    for (std::size_t i = 0; i < SumCount; ++i) {
        const std::optional<std::string_view> segment = segmentAfter(statText, marker(i));
        if (!segment)
            continue;
        // The intelligence entry is the last one of a stat text, so its whole segment is its
        // value and trailing space; any other value ends at the first space.
        const std::string_view token = i == Intellect ? *segment : before(*segment, " ");
        if (const std::optional<double> amount = readNumber(token))
            addRounded(sums[i], *amount);
    }
}

// Fills `caption` with the reset caption, a space and `value`; leaves it bare when the value
// could not be computed.
void setDecimal(std::string &caption, double value)
{
    if (std::isfinite(value))
        caption += ' ' + formatDecimal(value);
}

void setInteger(std::string &caption, std::optional<std::int32_t> value)
{
    if (value)
        caption += ' ' + formatInteger(*value);
}

} // namespace

StatTotals calculateExpectedStats(std::span<const std::string> statTexts, const BonusSettings &bonus)
{
    StatTotals captions;
    for (std::size_t i = 0; i < captions.size(); ++i)
        captions[i] = std::string(statResetCaptions[i]);

    std::array<std::int32_t, SumCount> sums{};
    for (std::size_t i = 0; i < SumCount; ++i)
        sums[i] = sumSources[i].start;

    std::string_view lastStatText;
    for (const std::string &statText : statTexts) {
        addRow(sums, statText);
        lastStatText = statText;
    }

    // Bonuses. Strength enters the attack power as a whole number, before its percentage.
    addRounded(sums[AttackPower], bonus.attackBonus);
    if (const auto attack = roundToInt32(sums[Strength] * primaryToPowerFactor + sums[AttackPower]))
        sums[AttackPower] = *attack;
    addRounded(sums[SpellPower], bonus.spellPowerBonus);
    addRounded(sums[RangedAttack], bonus.rangedAttackBonus);
    if (const auto defense = addInt32(sums[PhysDefense], bonus.physDefenseBonus))
        sums[PhysDefense] = *defense;
    if (const auto resist = addInt32(sums[MagicResist], bonus.magicResistBonus))
        sums[MagicResist] = *resist;

    // Derived values, each evaluated left to right as written in double precision; agility and
    // intelligence count here with their fractions, not through the sums above.
    for (std::size_t i : {Strength, Agility, Intellect, Spirit, Stamina})
        setInteger(captions[i], sums[i]);
    const double attackPower = sums[AttackPower];
    setDecimal(captions[MeleeAttackCaption],
               attackPower * bonus.attackRatio + attackPower + meleeAttackAddend);
    setDecimal(captions[RangedAttackCaption],
               sums[Agility] * primaryToPowerFactor + sums[RangedAttack] + rangedAttackAddend);
    setDecimal(captions[SpellPowerCaption],
               sums[Intellect] * primaryToPowerFactor + sums[SpellPower] + spellPowerAddend);
    const double physDefense = sums[PhysDefense];
    setDecimal(captions[PhysDefenseCaption], physDefense * bonus.physDefenseRatio + physDefense);
    const double magicResist = sums[MagicResist];
    setDecimal(captions[MagicResistCaption],
               magicResist * bonus.magicResistRatio + magicResist + sums[Spirit]);

    // Healing power is not summed: the last item's token is shown as it stands.
    // A marker with nothing after it up to the next space has no token to show.
    const std::optional<std::string_view> segment = segmentAfter(lastStatText, healingMarker);
    if (const std::string_view token = segment ? before(*segment, " ") : ""; !token.empty()) {
        captions[HealingCaption] += ' ';
        captions[HealingCaption] += token;
    }

    // Vitality and the health base are whole-number arithmetic; an overflow leaves the caption
    // bare.
    const std::optional<std::int32_t> intellectVitality =
        mulInt32(sums[Intellect], vitalityPerIntellect);
    setInteger(captions[VitalityCaption],
               intellectVitality ? addInt32(*intellectVitality, baseVitality) : std::nullopt);

    const std::optional<std::int32_t> staminaHealth = mulInt32(sums[Stamina], healthPerStamina);
    if (const auto health = staminaHealth ? addInt32(*staminaHealth, baseHealth) : std::nullopt) {
        const double h = *health;
        setDecimal(captions[HealthCaption], h * bonus.lifeRatio + h + bonus.lifeBonus);
    }
    return captions;
}

} // namespace velmora
