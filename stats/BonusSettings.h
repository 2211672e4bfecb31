#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

/// The player's ten stat bonuses, one per bonus box. Ratios are fractions: 10 % is held as
/// 10 * 0.01. Every field is 0 while its box is unchecked.
struct BonusSettings {
    double attackRatio = 0;            // box 0
    double lifeRatio = 0;              // box 8
    std::int32_t lifeBonus = 0;        // box 9
    double rangedAttackBonus = 0;      // box 1
    double physDefenseRatio = 0;       // box 2
    double magicResistRatio = 0;       // box 3
    std::int32_t physDefenseBonus = 0; // box 4
    std::int32_t magicResistBonus = 0; // box 5
    double attackBonus = 0;            // box 6
    double spellPowerBonus = 0;        // box 7

    bool operator==(const BonusSettings &) const = default;
};

inline constexpr int bonusBoxCount = 10;

/// The caption box `index` shows when the window opens; nullopt outside 0…9.
std::optional<std::string_view> bonusInitialCaption(int index);

/// The input dialog's prompt for box `index`: its prompt line, "\n", "숫자만 입력하세요.".
std::optional<std::string> bonusPrompt(int index);

/// Box `index` was checked and the player typed `typed` ("" on Cancel). Stores what the text
/// allows (ratio boxes: number * 0.01; amount boxes: the number; whole-number boxes: the nearest
/// int32, halves to even) and leaves the field unchanged when the text is no number or out of
/// range. Returns the confirmation caption, which is written whatever happened.
///   box 0, "5" -> attackRatio 0.05, "공격력 5% 추가 완료."
///   box 4, "2.5" -> physDefenseBonus 2, "방어도 2 추가 완료."
/// nullopt (and nothing changed) outside 0…9.
std::optional<std::string> switchBonusOn(BonusSettings &settings, int index, std::string_view typed);

/// Box `index` was unchecked: its field becomes 0. Returns its caption after unchecking.
/// nullopt (and nothing changed) outside 0…9.
std::optional<std::string> switchBonusOff(BonusSettings &settings, int index);

} // namespace velmora
