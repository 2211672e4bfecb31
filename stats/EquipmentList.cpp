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

// Whether `field` holds a control character (the tabs between fields are no longer in it).
bool hasControlCharacter(std::string_view field)
{
    for (char c : field)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

// Whether `line` holds nothing but spaces, if anything.
bool isBlank(std::string_view line)
{
    return line.find_first_not_of(' ') == std::string_view::npos;
}

// Whether `line` is one of the captions the program's own copy appends after the rows ("힘 : 170",
// "치유력 :"): a stat's name followed by " :".
bool isStatCaption(std::string_view line)
{
    for (std::string_view caption : statResetCaptions)
        if (line.starts_with(caption))
            return true;
    return false;
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

        // A row is a row wherever it stands: a paste may gather several copies, with the
        // captions of each between them.
        if (const auto fields = splitFields(line); fields && gradeNumber((*fields)[3])) {
            bool control = false;
            for (std::string_view field : *fields)
                control = control || hasControlCharacter(field);
            if (control) {
                ++pasted.ignoredLines; // no field of a row can hold one; the list would show it raw
                continue;
            }
            pasted.rows.push_back({std::string((*fields)[0]), std::string((*fields)[1]),
                                   std::string((*fields)[2]), std::string((*fields)[3]), {}});
            continue;
        }
        // What the program's own copy writes around the rows is passed over without a word.
        if (isBlank(line) || line == equipmentListHeader || isStatCaption(line))
            continue;
        ++pasted.ignoredLines;
    }
    return pasted;
}

} // namespace velmora
