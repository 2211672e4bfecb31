#pragma once

#include <cstddef>
#include <string>

#include "stats/Grades.h"
#include "stats/SetFile.h"

namespace velmora::test {

/// The two sets the killed writer alternates between: different in every row, in their length
/// and in their bonuses, so that any mix of the two is neither. As big as a large working set
/// (about 250 KiB), yet small enough that a test build writes one in a few milliseconds: kills
/// within 20 ms then land in every part of a write, the flush and the rename included, and not
/// only in making the text of the first one.
inline EquipmentSetData killedWriteSet(int which)
{
    static constexpr const char *kinds[] = {"검", "활", "지팡이", "목걸이", "갑옷", "반지"};
    const std::size_t count = which == 0 ? 1000 : 1200;
    const std::string tag = which == 0 ? "붉은" : "푸른";
    EquipmentSetData set;
    set.rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        SetRow row;
        row.row.itemName = tag + " 용의 " + kinds[i % 6] + " " + std::to_string(i);
        row.row.kind = kinds[i % 6];
        row.row.statText = "힘" + std::to_string(i % 40 + which) + " 체력" + std::to_string(i % 17) + " 공격력"
                           + std::to_string(20 + i % 90) + " 방어도" + std::to_string(i % 300) + " ";
        row.row.grade = std::string(grades[(i + static_cast<std::size_t>(which)) % grades.size()]);
        row.address = "http://127.0.0.1:8750/dataninfo/item/detail.php?code=" + std::to_string(i * 2 + 1);
        set.rows.push_back(std::move(row));
    }
    if (which == 0) {
        set.bonuses[0] = "10";
        set.bonuses[9] = "";
    } else {
        set.bonuses[3] = "7.5";
    }
    return set;
}

} // namespace velmora::test
