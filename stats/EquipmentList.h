#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "stats/EquipmentRow.h"
#include "stats/ExpectedStats.h"

namespace velmora {

/// The first line of the equipment list as text.
inline constexpr std::string_view equipmentListHeader = "아이템명\t종류\t옵션\t등급";

/// The equipment list as text for a spreadsheet or a chat: the header line, then one line per
/// row "itemName\tkind\tstatText\tgrade", every line ending with "\n". A tab, CR or LF inside a
/// field becomes one space; nothing else changes (the stat text keeps its trailing space). With
/// `captions`, an empty line and the thirteen captions follow, one per line.
std::string equipmentListText(std::span<const EquipmentRow> rows,
                              const StatTotals *captions = nullptr);

/// What a paste found: its rows in text order, and how many lines were no row.
struct PastedRows {
    std::vector<EquipmentRow> rows;
    int ignoredLines = 0;
};

/// The rows in a text such as equipmentListText() writes, several such texts one after the other
/// included. Each line is read on its own, a trailing "\r" removed first. A row is a line of
/// exactly four tab-separated fields whose fourth is a grade name (name, kind, stat text, grade;
/// no price), wherever it stands; its stat text is taken exactly as it stands ("힘5 힘9 "). Blank
/// lines, the header line and the stat captions the copy appends ("힘 : 170", "치유력 :") are
/// skipped. Every other line is ignored and counted, a row-shaped line with a control character
/// (below U+0020, or U+007F) in a field included.
///   parseEquipmentList("\n검\t한손검\t힘5 \t영웅\n\n힘 : 5\nhello\n")
///       == {rows: {{"검", "한손검", "힘5 ", "영웅"}}, ignoredLines: 1}
PastedRows parseEquipmentList(std::string_view text);

} // namespace velmora
