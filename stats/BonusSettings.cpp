#include "stats/BonusSettings.h"

#include <array>

#include "stats/Numbers.h"

namespace velmora {

namespace {

enum class BonusKind {
    Ratio,       // a percentage, held as a fraction
    Amount,      // a flat amount, held as typed
    WholeNumber, // a flat amount, held as the nearest int32
};

// Everything that tells one bonus box from another. `decimalField` is set for ratio and amount
// boxes, `wholeField` for whole-number boxes.
struct BonusBox {
    std::string_view initialCaption;
    std::string_view promptLine;
    BonusKind kind;
    double BonusSettings::*decimalField;
    std::int32_t BonusSettings::*wholeField;
    std::string_view labelText;
    // Boxes 2 and 9 do not return to their initial caption when unchecked.
    std::string_view captionAfterUnchecking;
};

constexpr std::string_view ratioPromptLine = "추가 퍼센트 비율 입력";

constexpr std::array<BonusBox, bonusBoxCount> bonusBoxes = {{
    {"공격력 % 증가 설정", ratioPromptLine, BonusKind::Ratio, &BonusSettings::attackRatio, nullptr,
     "공격력 ", "공격력 % 증가 설정"},
    {"추가 원거리 공격력 설정", "추가 원거리 공격력 입력", BonusKind::Amount,
     &BonusSettings::rangedAttackBonus, nullptr, "원거리 공격력 ", "추가 원거리 공격력 설정"},
    {"물리 방어력 % 증가 설정", ratioPromptLine, BonusKind::Ratio, &BonusSettings::physDefenseRatio,
     nullptr, "방어도 ", "물리 방어도 % 증가 설정"},
    {"마법 저항도 % 증가 설정", ratioPromptLine, BonusKind::Ratio, &BonusSettings::magicResistRatio,
     nullptr, "저항도 ", "마법 저항도 % 증가 설정"},
    {"추가 물리 방어도 설정", "추가 방어력 입력", BonusKind::WholeNumber, nullptr,
     &BonusSettings::physDefenseBonus, "방어도 ", "추가 물리 방어도 설정"},
    {"추가 마법 저항도 설정", "추가 마법 저항도 입력", BonusKind::WholeNumber, nullptr,
     &BonusSettings::magicResistBonus, "저항도 ", "추가 마법 저항도 설정"},
    {"추가 공격력 설정", "추가 공격력 입력", BonusKind::Amount, &BonusSettings::attackBonus, nullptr,
     "공격력 ", "추가 공격력 설정"},
    {"추가 주문력 설정", "추가 주문력 입력", BonusKind::Amount, &BonusSettings::spellPowerBonus,
     nullptr, "주문력 ", "추가 주문력 설정"},
    {"생명력 % 증가 설정", ratioPromptLine, BonusKind::Ratio, &BonusSettings::lifeRatio, nullptr,
     "생명력 ", "생명력 % 증가 설정"},
    {"추가 생명력 설정", "추가 생명력 입력", BonusKind::WholeNumber, nullptr,
     &BonusSettings::lifeBonus, "생명력 ", "추가 생명력 증가 설정"},
}};

constexpr std::string_view promptHint = "숫자만 입력하세요.";
constexpr std::string_view ratioSuffix = "% 추가 완료.";
constexpr std::string_view amountSuffix = " 추가 완료.";

// Percentages are stored multiplied by this factor and shown multiplied by its inverse; the
// product is stored as it comes out (5 becomes 5 * 0.01, not 5 / 100).
constexpr double percentToFraction = 0.01;
constexpr double fractionToPercent = 100;

const BonusBox *findBox(int index)
{
    if (index < 0 || index >= bonusBoxCount)
        return nullptr;
    return &bonusBoxes[static_cast<std::size_t>(index)];
}

} // namespace

std::optional<std::string_view> bonusInitialCaption(int index)
{
    const BonusBox *box = findBox(index);
    if (!box)
        return std::nullopt;
    return box->initialCaption;
}

std::optional<std::string> bonusPrompt(int index)
{
    const BonusBox *box = findBox(index);
    if (!box)
        return std::nullopt;
    std::string prompt(box->promptLine);
    prompt += '\n';
    prompt += promptHint;
    return prompt;
}

std::optional<std::string> switchBonusOn(BonusSettings &settings, int index, std::string_view typed)
{
    const BonusBox *box = findBox(index);
    if (!box)
        return std::nullopt;

    // A text that is no number, or a number the field cannot hold, leaves the field as it is;
    // the confirmation caption is written either way.
    const std::optional<double> number = readNumber(typed);
    std::string caption(box->labelText);
    switch (box->kind) {
    case BonusKind::Ratio: {
        double &field = settings.*box->decimalField;
        if (number)
            field = *number * percentToFraction;
        caption += formatDecimal(field * fractionToPercent);
        caption += ratioSuffix;
        break;
    }
    case BonusKind::Amount: {
        double &field = settings.*box->decimalField;
        if (number)
            field = *number;
        caption += formatDecimal(field);
        caption += amountSuffix;
        break;
    }
    case BonusKind::WholeNumber: {
        std::int32_t &field = settings.*box->wholeField;
        if (const std::optional<std::int32_t> whole = number ? roundToInt32(*number) : std::nullopt)
            field = *whole;
        caption += formatInteger(field);
        caption += amountSuffix;
        break;
    }
    }
    return caption;
}

std::optional<std::string> switchBonusOff(BonusSettings &settings, int index)
{
    const BonusBox *box = findBox(index);
    if (!box)
        return std::nullopt;
    if (box->kind == BonusKind::WholeNumber)
        settings.*box->wholeField = 0;
    else
        settings.*box->decimalField = 0;
    return std::string(box->captionAfterUnchecking);
}

} // namespace velmora
