#include "stats/EquipmentList.h"

#include <array>
#include <cstddef>
#include <optional>

#include "stats/Grades.h"

namespace velmora {

namespace {

constexpr char fieldSeparator = '\t';
constexpr std::size_t fieldCount = 4;

// A field's text on one line of its own column: the characters that would start a new field or
// line become spaces.
void appendField(std::string &text, std::string_view field)
{
    for (char c : field)
        text += c == '\t' || c == '\r' || c == '\n' ? ' ' : c;
}

// The fields of `line` if it has exactly four.
std::optional<std::array<std::string_view, fieldCount>> splitFields(std::string_view line)
{
    std::array<std::string_view, fieldCount> fields;
    for (std::size_t i = 0; i < fieldCount; ++i) {
        const std::size_t end = line.find(fieldSeparator);
        if ((end == std::string_view::npos) != (i + 1 == fieldCount))
            return std::nullopt;
        fields[i] = line.substr(0, end);
        if (end != std::string_view::npos)
            line.remove_prefix(end + 1);
    }
    return fields;
}

} // namespace

std::string equipmentListText(std::span<const EquipmentRow> rows, const StatTotals *captions)
{
    std::string text(equipmentListHeader);
    text += '\n';
    for (const EquipmentRow &row : rows) {
        appendField(text, row.itemName);
        text += fieldSeparator;
        appendField(text, row.kind);
        text += fieldSeparator;
        appendField(text, row.statText);
        text += fieldSeparator;
        appendField(text, row.grade);
        text += '\n';
    }
    if (captions) {
        text += '\n';
        for (const std::string &caption : *captions) {
            text += caption;
            text += '\n';
        }
    }
    return text;
}

PastedRows parseEquipmentList(std::string_view text)
{
    PastedRows pasted;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        if (line.empty())
            break; // what follows is no longer the list (the captions)
        if (line == equipmentListHeader)
            continue;
        const auto fields = splitFields(line);
        if (!fields || !gradeNumber((*fields)[3])) {
            ++pasted.ignoredLines;
            continue;
        }
        pasted.rows.push_back({std::string((*fields)[0]), std::string((*fields)[1]),
                               std::string((*fields)[2]), std::string((*fields)[3]), {}});
    }
    return pasted;
}

} // namespace velmora
