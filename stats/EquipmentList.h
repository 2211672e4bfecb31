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

/// The rows in a text such as equipmentListText() writes. Only the lines before the first empty
/// one count (a trailing "\r" is removed from every line first); the header line is skipped; a
/// line of exactly four tab-separated fields whose fourth is a grade name is a row (name, kind,
/// stat text, grade; no price); every other line is ignored and counted.
PastedRows parseEquipmentList(std::string_view text);

} // namespace velmora
