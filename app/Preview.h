#pragma once

#include <QString>

#include <vector>

#include "stats/EquipmentRow.h"
#include "stats/ExpectedStats.h"

namespace velmora {

class EquipmentSet;

/// What 계산 would show for `rows` with the bonuses of `set`.
StatTotals captionsFor(const EquipmentSet &set, const std::vector<EquipmentRow> &rows);

/// What putting `item` into `set` would do, before anything changes: measured against what 계산
/// would show now, for the item added at the end, in place of the first row of its kind when
/// there is one, and against the reference when one is pinned.
struct PreviewText {
    /// For the status bar: "미리보기 ⁨불꽃 송곳니⁩ (영웅): 힘 +16, 근공력 +3.2 · ⁨녹슨 검⁩ 대신: …".
    QString status;
    /// For the hit's tooltip (rich text, its texts escaped): a line per stat that moves,
    /// "근공력 168.6 → 171.8 (+3.2)", gains and losses in colours of their own.
    QString tooltip;
};
PreviewText describePreview(const EquipmentSet &set, const EquipmentRow &item);

} // namespace velmora
