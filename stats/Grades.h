#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace velmora {

/// The twelve item grades; a grade's number is its position here, from 1.
inline constexpr std::array<std::string_view, 12> grades = {
    "저급", "일반", "고급", "희귀", "고대", "영웅", "유일", "유물", "경이", "서사", "전설", "신화",
};
inline constexpr int gradeCount = static_cast<int>(grades.size());

/// What the grade box shows until the player chooses a grade; not a grade itself.
inline constexpr std::string_view gradePlaceholder = "등급설정";

/// The grade's name for 1…12, "" for any other number.
std::string_view gradeName(int number);

/// The number (1…12) of the grade with exactly this name; nullopt for any other text.
std::optional<int> gradeNumber(std::string_view name);

} // namespace velmora
