#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "stats/BonusSettings.h"
#include "stats/EquipmentRow.h"
#include "stats/ExpectedStats.h"
#include "stats/StatWeights.h"

namespace velmora {

/// A set file: the equipment list, the item page address of each row, the text typed for each
/// bonus box, when the player pinned one, the reference captions, and when the player gave any,
/// the stat weights the ranking scores with. UTF-8 JSON that a person can read and that stays
/// readable for years:
///   {
///     "format": "velmora-set",
///     "version": 1,
///     "rows": [
///       {"name": "불꽃 깃 활", "kind": "활", "stats": "주문력4 원공30 ", "grade": "영웅", "address": "http://…"}
///     ],
///     "bonuses": [null, "5", null, null, null, null, null, null, null, ""],
///     "reference": ["힘 : 170", …thirteen captions],
///     "weights": {"근공력": 1, "힘": 0.5}
///   }
/// "weights" was added within version 1: a reader that does not know it skips it, as any unknown
/// key, and a set without weights is written exactly as before.
inline constexpr std::string_view setFileFormat = "velmora-set";
inline constexpr std::uint64_t setFileVersion = 1;
/// Larger files are refused before a byte of them is looked at.
inline constexpr std::size_t setFileMaxBytes = 16 * 1024 * 1024;
inline constexpr std::size_t setFileMaxRows = 100'000;
/// Arrays and objects nested deeper than this (unknown values included) are refused.
inline constexpr int setFileMaxDepth = 64;

/// Per bonus box 0…9: nullopt while unchecked, else the text the player typed for it ("" when
/// the dialog was cancelled, which leaves the box checked).
using BonusTexts = std::array<std::optional<std::string>, bonusBoxCount>;

struct EquipmentSetData {
    std::vector<SetRow> rows;
    BonusTexts bonuses{};
    std::optional<StatTotals> reference; // the thirteen captions pinned for comparison
    StatWeights weights;                 // all 0: the player gave none

    bool operator==(const EquipmentSetData &) const = default;
};

/// The set as a set file: two-space indents, one row per line, keys always in the order above,
/// "reference" only when there is one, "weights" only when a weight is not 0, ending with a line
/// break. The weights are keyed by the stats' names (statName()), in label order, only those that
/// are not 0, each the shortest decimal text that reads back as exactly that number, with the
/// point as decimal separator ({"힘": 0.5, "근공력": 1, "생명력": -2.25e-05}); a weight that is
/// no finite number is left out like a 0. Texts are written as they
/// stand, except what reading would refuse or a person could not see in the file:
/// - a control character (U+0000…U+001F, U+007F) becomes a space,
/// - a byte that is not part of valid UTF-8 becomes U+FFFD,
/// - the invisible direction marks and overrides (U+061C, U+200E, U+200F, U+202A…U+202E,
///   U+2066…U+2069) are written as \u escapes, so that they cannot reorder the file's text in
///   an editor; they read back as themselves.
/// So for a set of at most setFileMaxRows rows whose grades are grade names, readSetFile of the
/// result always succeeds, and gives back the set itself when its texts needed none of these.
std::string writeSetFile(const EquipmentSetData &set);

/// Why a file is not a set that can be opened. `where` names the value in the file ("rows[3].grade",
/// "bonuses", "version"; rows and entries counted from 0) and is "" when the file as a whole is
/// at fault; `number` is said per kind.
struct SetFileProblem {
    enum class Kind {
        TooLarge,           // number: the file's size in bytes
        InvalidUtf8,        // number: the offset of the first bad byte, or of a \u escape that
                            // names half of a surrogate pair alone
        NotJson,            // number: the offset where reading stopped (the size when cut off)
        TooDeep,            // number: the offset of the bracket one level past setFileMaxDepth
        NotASet,            // where: "" (no object at the top) or "format" (missing or another)
        NewerVersion,       // number: the version (saturated at 2^64-1): a newer velmora wrote it
        UnsupportedVersion, // number: the version when a whole number, else 0 (0, 0.5, -1)
        MissingField,       // where: the field, e.g. "version", "rows", "rows[2].stats"
        WrongType,          // where: the value of the wrong type
        DuplicateKey,       // where: the field given twice
        UnknownGrade,       // where: "rows[i].grade"
        ControlCharacter,   // where: the text; number: the character's code point
        TooManyRows,        // where: "rows"; number: how many rows there are
        WrongCount,         // where: "bonuses" or "reference"; number: how many entries there are
    };
    Kind kind;
    std::string where;
    std::uint64_t number = 0;

    bool operator==(const SetFileProblem &) const = default;
};

/// The kind's name in English ("NotJson"), for logs and test output.
std::string_view setFileProblemName(SetFileProblem::Kind kind);

/// Reads a set file, all or nothing. Checked in this order, the first failure answering:
/// the size (above setFileMaxBytes), UTF-8 anywhere in the bytes, the JSON itself (strict
/// RFC 8259: no comments, no trailing commas, no raw control characters in strings, nothing
/// after the value but blanks; a UTF-8 byte order mark in front is skipped; nesting up to
/// setFileMaxDepth), then the top level: an object, "format" exactly "velmora-set", "version"
/// present, a number, and exactly 1 ("1", "1.0" and "1e0" alike), "rows" present; then the
/// first problem with a field in file order.
/// Fields: "rows" an array of at most setFileMaxRows objects with string "name", "kind", "stats"
/// and "grade" (one of the twelve grade names), and an optional string "address" (else "");
/// "bonuses" optional (else every box off), exactly ten entries each null or a string;
/// "reference" optional, exactly thirteen strings; "weights" optional (else none), an object whose
/// keys are stat names (statName(), each at most once) and whose values are numbers a double holds
/// as they are written (not 1e400, not 1e-400; 0 in any form is 0), stats it leaves out weighing 0.
/// A key that is no stat name is WrongType at "weights" (the key is the file's text and is not
/// repeated in ours), a value that is no such number WrongType at "weights.<name>". No text we
/// read may hold a control character (U+0000…U+001F, U+007F); otherwise texts are taken exactly
/// as they stand.
/// Keys we do not know are skipped wherever they are (a later version may add fields), though
/// their values must be valid JSON (inside "weights" every key is ours); a key we read given twice
/// in one object is refused, as either value could be the one meant.
std::variant<EquipmentSetData, SetFileProblem> readSetFile(std::string_view bytes);

} // namespace velmora
