// The input as a set file someone handed over. Reading never crashes, and what it takes is a set
// the program can hold: UTF-8 throughout, no control character in any text, grade names only, at
// most the row limit. That set, written and read again, is the same set, written the same way.
// The same bytes, cut at '|' into the texts of one row, a bonus and a caption, go through the
// writer as well: its file always reads back, to those texts themselves when they are valid
// UTF-8 without control characters.

#include "FuzzSupport.h"
#include "stats/Grades.h"
#include "stats/SetFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

bool holdsControl(std::string_view text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

/// A text the reader takes as it stands.
bool isPlainText(std::string_view text)
{
    return isValidUtf8(text) && !holdsControl(text);
}

void checkSet(const EquipmentSetData &set)
{
    require(set.rows.size() <= setFileMaxRows, "no more rows than the limit");
    for (const SetRow &row : set.rows) {
        for (const std::string *text : {&row.row.itemName, &row.row.kind, &row.row.statText, &row.row.grade, &row.address})
            require(isPlainText(*text), "a text read is UTF-8 without control characters", *text);
        require(gradeNumber(row.row.grade).has_value(), "a grade read is a grade name", row.row.grade);
        require(row.row.auctionUnitPrice.empty(), "nothing reads an auction price");
    }
    for (const std::optional<std::string> &typed : set.bonuses)
        require(!typed || isPlainText(*typed), "a bonus read is UTF-8 without control characters", typed.value_or(""));
    if (set.reference)
        for (const std::string &caption : *set.reference)
            require(isPlainText(caption), "a caption read is UTF-8 without control characters", caption);
}

/// Writes `set` and reads it back; the file must be taken, and written again it must not change.
EquipmentSetData writtenAndRead(const EquipmentSetData &set)
{
    const std::string bytes = writeSetFile(set);
    require(isValidUtf8(bytes) && bytes.ends_with("}\n"), "the writer writes UTF-8 ending in a line break", bytes);
    const auto read = readSetFile(bytes);
    if (const auto *problem = std::get_if<SetFileProblem>(&read))
        fail("a written set reads back", std::string(setFileProblemName(problem->kind)) + " " + problem->where);
    const EquipmentSetData &back = std::get<EquipmentSetData>(read);
    checkSet(back);
    require(writeSetFile(back) == bytes, "the set read back is written the same way", bytes);
    return back;
}

void checkReading(std::string_view bytes)
{
    const auto read = readSetFile(bytes);
    if (const auto *problem = std::get_if<SetFileProblem>(&read)) {
        if (problem->kind == SetFileProblem::Kind::TooLarge)
            require(bytes.size() > setFileMaxBytes, "only a large file is too large");
        if (problem->kind == SetFileProblem::Kind::InvalidUtf8 || problem->kind == SetFileProblem::Kind::NotJson
            || problem->kind == SetFileProblem::Kind::TooDeep)
            require(problem->number <= bytes.size() && problem->where.empty(), "a fault in the bytes is placed in them");
        return;
    }
    require(isValidUtf8(bytes), "a set is only read from UTF-8");
    const EquipmentSetData &set = std::get<EquipmentSetData>(read);
    checkSet(set);
    require(writtenAndRead(set) == set, "a set read, written and read again is the same set");
}

void checkWriting(std::string_view bytes)
{
    std::string_view parts[7];
    std::string_view rest = bytes.empty() ? bytes : bytes.substr(1);
    for (std::string_view &part : parts) {
        const std::size_t cut = rest.find('|');
        part = rest.substr(0, cut);
        rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    }
    const int grade = bytes.empty() ? 1 : static_cast<unsigned char>(bytes[0]) % gradeCount + 1;

    EquipmentSetData set;
    set.rows.push_back({{std::string(parts[0]), std::string(parts[1]), std::string(parts[2]),
                         std::string(gradeName(grade)), ""},
                        std::string(parts[3])});
    set.bonuses[static_cast<std::size_t>(grade) % set.bonuses.size()] = std::string(parts[4]);
    set.reference.emplace();
    (*set.reference)[static_cast<std::size_t>(grade)] = std::string(parts[5]);
    set.rows.push_back({{std::string(parts[6]), "", "", "신화", ""}, ""});

    const EquipmentSetData back = writtenAndRead(set);
    bool plain = true;
    for (const std::string_view part : parts)
        plain = plain && isPlainText(part);
    if (plain)
        require(back == set, "plain texts are written and read back as they are");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes = asText(data, size);
    checkReading(bytes);
    checkWriting(bytes);
    return 0;
}
