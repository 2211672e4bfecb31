#include "stats/SetFile.h"

#include "stats/Grades.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace velmora {
namespace {

using Kind = SetFileProblem::Kind;

SetRow row(std::string name, std::string kind, std::string stats, std::string grade, std::string address = "")
{
    return {{std::move(name), std::move(kind), std::move(stats), std::move(grade), ""}, std::move(address)};
}

StatTotals someCaptions()
{
    StatTotals captions;
    for (std::size_t i = 0; i < captions.size(); ++i)
        captions[i] = std::string(statResetCaptions[i]) + " " + std::to_string(150 + i);
    captions[10] = "치유력 :";
    return captions;
}

/// A file of ours around `members` (JSON object members after the version, with no leading comma).
std::string setFile(std::string_view members)
{
    return std::string(R"({"format": "velmora-set", "version": 1, )") + std::string(members) + "}";
}

const std::string sword = R"({"name": "검", "kind": "한손검", "stats": "공격력30 ", "grade": "영웅"})";

std::string describe(const std::variant<EquipmentSetData, SetFileProblem> &read)
{
    if (const auto *problem = std::get_if<SetFileProblem>(&read))
        return std::string(setFileProblemName(problem->kind)) + " at \"" + problem->where + "\", "
               + std::to_string(problem->number);
    return "a set of " + std::to_string(std::get<EquipmentSetData>(read).rows.size()) + " rows";
}

TEST(SetFile, WrittenAsAPersonReadsIt)
{
    EquipmentSetData set;
    set.rows = {row("불꽃 깃 활", "활", "주문력4 원공30 ", "영웅", "http://127.0.0.1:8750/dataninfo/item.php?id=7"),
                row("\"큰\" 검\\", "한손검", "", "저급")};
    set.bonuses[0] = "5";
    set.bonuses[9] = "";
    EXPECT_EQ(writeSetFile(set),
              "{\n"
              "  \"format\": \"velmora-set\",\n"
              "  \"version\": 1,\n"
              "  \"rows\": [\n"
              "    {\"name\": \"불꽃 깃 활\", \"kind\": \"활\", \"stats\": \"주문력4 원공30 \", \"grade\": \"영웅\", "
              "\"address\": \"http://127.0.0.1:8750/dataninfo/item.php?id=7\"},\n"
              "    {\"name\": \"\\\"큰\\\" 검\\\\\", \"kind\": \"한손검\", \"stats\": \"\", \"grade\": \"저급\", "
              "\"address\": \"\"}\n"
              "  ],\n"
              "  \"bonuses\": [\"5\", null, null, null, null, null, null, null, null, \"\"]\n"
              "}\n");

    EquipmentSetData empty;
    empty.reference = someCaptions();
    empty.reference->fill("x");
    EXPECT_EQ(writeSetFile(empty),
              "{\n  \"format\": \"velmora-set\",\n  \"version\": 1,\n  \"rows\": [],\n"
              "  \"bonuses\": [null, null, null, null, null, null, null, null, null, null],\n"
              "  \"reference\": [\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n"
              "    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\",\n    \"x\"\n  ]\n}\n");

    // Only the weights that count, in label order, each in its shortest exact form.
    EquipmentSetData weighed;
    weighed.weights.weight = {0.5, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, -2.25e-5, 0.1};
    weighed.weights.weight[8] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(writeSetFile(weighed),
              "{\n  \"format\": \"velmora-set\",\n  \"version\": 1,\n  \"rows\": [],\n"
              "  \"bonuses\": [null, null, null, null, null, null, null, null, null, null],\n"
              "  \"weights\": {\"힘\": 0.5, \"근공력\": 1, \"활력\": -2.25e-05, \"생명력\": 0.1}\n}\n");
}

TEST(SetFile, WhatIsWrittenReadsBackTheSame)
{
    struct Case {
        const char *name;
        EquipmentSetData set;
    };
    std::vector<Case> cases;
    cases.push_back({"nothing at all", {}});

    EquipmentSetData texts;
    texts.rows = {
        row("불꽃 깃 활", "활", "주문력4 원공30 힘12 체력7 ", "영웅", "http://example.org/item?id=1&g=6"),
        // The program's own stat texts keep their doubled markers and trailing blank.
        row("낡은 검", "한손검", "힘5 힘9 ", "저급"),
        row("\"따옴표\" 'and' \\백슬래시\\ \\u0041 /", "\\", "\"", "신화", "\\\\server\\share"),
        row("<b>굵은</b> &amp; 방패", "방패", "방어도120 ", "전설"),
        // Right-to-left text, an override, isolates and marks read back as they were.
        row("\u05E9\u05DC\u05D5\u05DD \u202Eevil\u202C", "\u0627\u0644\u0633\u064A\u0641", "\u2068x\u2069\u200F",
            "유물", "http://example.org/\u061C"),
        // Four-byte characters, the line and paragraph separators, C1 controls and U+FFFF.
        row("🗡️ 𝕍 \u2028\u2029", "\u0085\u009F", "\uFFFF\uFEFF", "서사"),
    };
    cases.push_back({"texts of every sort", texts});

    EquipmentSetData pinned;
    pinned.rows = {row("검", "한손검", "공격력30 ", "고급")};
    pinned.reference = someCaptions();
    cases.push_back({"a reference", pinned});

    EquipmentSetData weighed;
    weighed.rows = pinned.rows;
    weighed.reference = someCaptions();
    weighed.weights.weight = {1, -0.5, 1.0 / 3, 1e300, 4.9e-324, 12345.678, 0.1, 0.2, 0.3, 0, 0, 0, -7};
    cases.push_back({"weights of every size", weighed});

    EquipmentSetData everyGrade;
    for (const std::string_view grade : grades)
        everyGrade.rows.push_back(row("검", "한손검", "", std::string(grade)));
    cases.push_back({"every grade", everyGrade});

    // Every pattern of checked boxes, checked ones with a number or the empty text of a cancel.
    for (unsigned pattern = 0; pattern < (1u << bonusBoxCount); ++pattern) {
        EquipmentSetData bonuses;
        for (std::size_t box = 0; box < bonuses.bonuses.size(); ++box) {
            if (pattern & (1u << box))
                bonuses.bonuses[box] = box % 3 == 0 ? "" : box % 3 == 1 ? "12.5" : " 숫자 아님 ";
        }
        cases.push_back({"a bonus pattern", bonuses});
    }

    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = writeSetFile(c.set);
        const auto read = readSetFile(bytes);
        ASSERT_TRUE(std::holds_alternative<EquipmentSetData>(read)) << describe(read) << "\n" << bytes;
        EXPECT_EQ(std::get<EquipmentSetData>(read), c.set);
        EXPECT_EQ(writeSetFile(std::get<EquipmentSetData>(read)), bytes);
    }
}

TEST(SetFile, TheWriterNeverWritesAFileItCannotRead)
{
    struct Case {
        const char *name;
        std::string text;
        std::string readBack;
        std::string_view written; // a part of the file
    };
    const std::vector<Case> cases = {
        {"a tab and line breaks become spaces", "힘5\t민첩3\r\n", "힘5 민첩3  ", "\"힘5 민첩3  \""},
        {"NUL, escape and DEL become spaces", std::string("a\0b\x1B[31mc\x7F", 10), "a b [31mc ", "\"a b [31mc \""},
        {"bytes that are no UTF-8 become U+FFFD", "\xC0\xAF x \xED\xA0\x80 \xE2\x82", "\uFFFD\uFFFD x \uFFFD\uFFFD\uFFFD \uFFFD\uFFFD",
         "x"},
        {"direction marks are shown as escapes", "a\u202Eb\u2066c\u200Fd", "a\u202Eb\u2066c\u200Fd",
         "\"a\\u202eb\\u2066c\\u200fd\""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EquipmentSetData set;
        set.rows = {row(c.text, c.text, c.text, "희귀", c.text)};
        set.bonuses[4] = c.text;
        set.reference = someCaptions();
        (*set.reference)[12] = c.text;
        const std::string bytes = writeSetFile(set);
        EXPECT_NE(bytes.find(c.written), std::string::npos) << bytes;
        const auto read = readSetFile(bytes);
        ASSERT_TRUE(std::holds_alternative<EquipmentSetData>(read)) << describe(read) << "\n" << bytes;
        const EquipmentSetData &back = std::get<EquipmentSetData>(read);
        ASSERT_EQ(back.rows.size(), 1u);
        EXPECT_EQ(back.rows[0], row(c.readBack, c.readBack, c.readBack, "희귀", c.readBack));
        EXPECT_EQ(back.bonuses[4], c.readBack);
        EXPECT_EQ((*back.reference)[12], c.readBack);
    }
}

TEST(SetFile, TakesWhatPeopleAndLaterVersionsMayWrite)
{
    struct Case {
        const char *name;
        std::string bytes;
        std::vector<SetRow> rows;
        BonusTexts bonuses;
    };
    const std::vector<SetRow> oneSword = {row("검", "한손검", "공격력30 ", "영웅")};
    BonusTexts twoBoxes{};
    twoBoxes[1] = "7";
    twoBoxes[8] = "";
    const std::vector<Case> cases = {
        {"no address, no bonuses", setFile(R"("rows": [)" + sword + "]"), oneSword, {}},
        {"no rows in the list", setFile(R"("rows": [])"), {}, {}},
        {"keys in another order, no blanks",
         R"({"bonuses":[null,"7",null,null,null,null,null,null,"",null],"rows":[{"grade":"영웅","stats":"공격력30 ","kind":"한손검","name":"검"}],"version":1,"format":"velmora-set"})",
         oneSword, twoBoxes},
        {"unknown keys everywhere, of every type",
         setFile(R"("made by": {"program": "someone else", "list": [1, -2.5e-3, true, false, null, {"a": [[]]}]},
                   "rows": [{"name": "검", "colour": "\u0007 not read", "kind": "한손검", "stats": "공격력30 ",
                             "grade": "영웅", "grade2": 12, "notes": {"grade": "아님"}}],
                   "bonuses": [null, "7", null, null, null, null, null, null, "", null], "zzz": "\t"
                  )"),
         oneSword, twoBoxes},
        {"a key we do not read may repeat", setFile(R"("x": 1, "x": 2, "rows": [])"), {}, {}},
        {"64 levels in an unknown value",
         setFile(R"("rows": [], "x": )" + std::string(63, '[') + std::string(63, ']')), {}, {}},
        {"version 1.0", R"({"format": "velmora-set", "version": 1.0, "rows": []})", {}, {}},
        {"version 1e0", R"({"format": "velmora-set", "version": 1e0, "rows": []})", {}, {}},
        {"version 10E-1", R"({"format": "velmora-set", "version": 10E-1, "rows": []})", {}, {}},
        {"version 0.1e+1", R"({"format": "velmora-set", "version": 0.1e+1, "rows": []})", {}, {}},
        {"a byte order mark and blanks around", "\xEF\xBB\xBF \r\n\t" + setFile(R"("rows": [])") + "\n\n", {}, {}},
        {"escapes, a surrogate pair among them",
         setFile(R"("rows": [{"name": "\uAC80 \"\\\/ \ud83d\uDDE1", "kind": "\u0041", "stats": "", "grade": "\uC601\uC6C5", "address": "http:\/\/x"}])"),
         {row("검 \"\\/ 🗡", "A", "", "영웅", "http://x")}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = readSetFile(c.bytes);
        ASSERT_TRUE(std::holds_alternative<EquipmentSetData>(read)) << describe(read);
        const EquipmentSetData &set = std::get<EquipmentSetData>(read);
        EXPECT_EQ(set.rows, c.rows);
        EXPECT_EQ(set.bonuses, c.bonuses);
        EXPECT_FALSE(set.reference.has_value());
        EXPECT_FALSE(set.weights.any());
    }

    // Weights as a person may write them: any order, any number form, zeros, stats left out.
    const auto read = readSetFile(
        setFile(R"("weights": {"생명력": 25E-1, "힘": -0, "근공력": 1.50, "마법 저항도": 0e-400, "민첩": -3}, "rows": [])"));
    ASSERT_TRUE(std::holds_alternative<EquipmentSetData>(read)) << describe(read);
    StatWeights expected;
    expected.weight[12] = 2.5;
    expected.weight[5] = 1.5;
    expected.weight[1] = -3;
    EXPECT_EQ(std::get<EquipmentSetData>(read).weights, expected);
}

TEST(SetFile, RefusesWithWhatAndWhere)
{
    struct Case {
        std::string name;
        std::string bytes;
        Kind kind;
        std::string where;
        std::uint64_t number;
    };
    // For problems told by their place in the bytes: the offset of `marker`'s first occurrence.
    const auto at = [](std::string name, std::string bytes, Kind kind, std::string_view marker) {
        const std::size_t offset = bytes.find(marker);
        EXPECT_NE(offset, std::string::npos) << name;
        return Case{std::move(name), std::move(bytes), kind, "", offset};
    };
    const auto field = [](std::string name, std::string members, Kind kind, std::string where,
                          std::uint64_t number = 0) {
        return Case{std::move(name), setFile(members), kind, std::move(where), number};
    };
    const std::string rows = R"("rows": [)" + sword + "]";
    const std::string ten = R"(null, null, null, null, null, null, null, null, null, null)";
    constexpr std::uint64_t most = std::numeric_limits<std::uint64_t>::max();
    const std::string whole = setFile(rows);
    // The top object is level 1, so the 64th bracket of "x" stands at level 65.
    const std::string deeper = setFile(R"("rows": [], "x": )" + std::string(64, '[') + std::string(64, ']'));

    const std::vector<Case> cases = {
        // The bytes.
        at("an overlong form in a name", setFile("\"rows\": [{\"name\": \"a\xC0\xAF\"}]"), Kind::InvalidUtf8, "\xC0"),
        at("a surrogate written in UTF-8", setFile("\"rows\": [], \"x\": \"\xED\xA0\x80\""), Kind::InvalidUtf8, "\xED"),
        at("a sequence cut off by the end", whole + "\xE2\x82", Kind::InvalidUtf8, "\xE2\x82"),
        at("a Latin-1 byte where JSON fails anyway", "\xFF{", Kind::InvalidUtf8, "\xFF"),
        at("a lone high surrogate escape", setFile(R"("rows": [], "x": "a\uD83D")"), Kind::InvalidUtf8, "\\uD83D"),
        at("a high surrogate before another escape", setFile(R"("x": "\uD83D\u0041")"), Kind::InvalidUtf8, "\\uD83D"),
        at("a lone low surrogate escape", setFile(R"("x": "\uDE00\uD83D")"), Kind::InvalidUtf8, "\\uDE00"),

        // The JSON.
        {"nothing", "", Kind::NotJson, "", 0},
        {"blanks only", " \n", Kind::NotJson, "", 2},
        {"cut off", whole.substr(0, whole.size() - 1), Kind::NotJson, "", whole.size() - 1},
        {"cut off in a row", whole.substr(0, 50), Kind::NotJson, "", 50},
        {"cut off in a string", R"({"format": "velmora)", Kind::NotJson, "", 19},
        {"cut off in an escape", R"({"format": "\u00)", Kind::NotJson, "", 16},
        {"cut off in a surrogate pair", R"({"format": "\uD83D\uDE)", Kind::NotJson, "", 22},
        at("something after the set", whole + " x", Kind::NotJson, "x"),
        {"a second set after the first", whole + whole, Kind::NotJson, "", whole.size()},
        at("a comment", "// my set\n" + whole, Kind::NotJson, "//"),
        at("a trailing comma", setFile(R"("rows": [)" + sword + ",]"), Kind::NotJson, "]"),
        at("a key without quotes", R"({format: "velmora-set"})", Kind::NotJson, "format"),
        at("single quotes", R"({'format': 'velmora-set'})", Kind::NotJson, "'"),
        at("a raw tab in a string", setFile("\"rows\": [], \"x\": \"a\tb\""), Kind::NotJson, "\t"),
        at("an unknown escape", setFile(R"("rows": [], "x": "\x41")"), Kind::NotJson, "x41"),
        at("a leading zero", setFile(R"("rows": [], "x": 012)"), Kind::NotJson, "12"),
        at("a point without digits", setFile(R"("rows": [], "x": 1.)"), Kind::NotJson, "}"),
        at("NaN", setFile(R"("rows": [], "x": NaN)"), Kind::NotJson, "NaN"),
        at("a word cut short", setFile(R"("rows": [], "x": tru)"), Kind::NotJson, "}"),
        at("a missing colon", setFile(R"("rows" [])"), Kind::NotJson, "["),

        // Nesting, counted in unknown values too.
        {"65 levels", deeper, Kind::TooDeep, "", deeper.find(std::string(64, '[')) + 63},
        {"a million brackets", std::string(1'000'000, '['), Kind::TooDeep, "", 64},
        {"a million braces", std::string(1'000'000, '{'), Kind::NotJson, "", 1}, // a brace needs a key

        // Not a set.
        {"an array", "[" + whole + "]", Kind::NotASet, "", 0},
        {"a string", R"("velmora-set")", Kind::NotASet, "", 0},
        {"a number", "1", Kind::NotASet, "", 0},
        {"an empty object", "{}", Kind::NotASet, "format", 0},
        {"no format", R"({"version": 1, "rows": []})", Kind::NotASet, "format", 0},
        {"another format", R"({"format": "velmora-sets", "version": 1, "rows": []})", Kind::NotASet, "format", 0},
        {"another case", R"({"format": "Velmora-Set", "version": 1, "rows": []})", Kind::NotASet, "format", 0},
        {"format a number", R"({"format": 1, "version": 1, "rows": []})", Kind::NotASet, "format", 0},
        {"format repeated", R"({"format": "velmora-set", "format": "x", "version": 1, "rows": []})",
         Kind::DuplicateKey, "format", 0},

        // The version decides before any field.
        {"no version", R"({"format": "velmora-set", "rows": []})", Kind::MissingField, "version", 0},
        {"version a string", R"({"format": "velmora-set", "version": "1", "rows": []})", Kind::WrongType, "version", 0},
        {"version null", R"({"format": "velmora-set", "version": null, "rows": []})", Kind::WrongType, "version", 0},
        {"version repeated", R"({"format": "velmora-set", "version": 1, "version": 2, "rows": []})",
         Kind::DuplicateKey, "version", 0},
        {"version 2", R"({"format": "velmora-set", "version": 2, "rows": []})", Kind::NewerVersion, "version", 2},
        {"version 2.0 after the rows", R"({"format": "velmora-set", "rows": [{"grade": "새 등급"}], "version": 2.0})",
         Kind::NewerVersion, "version", 2},
        {"a newer version without rows", R"({"format": "velmora-set", "version": 17})", Kind::NewerVersion, "version", 17},
        {"version beyond 64 bits", R"({"format": "velmora-set", "version": 123456789012345678901234567890})",
         Kind::NewerVersion, "version", most},
        {"version 1e400", R"({"format": "velmora-set", "version": 1e400})", Kind::NewerVersion, "version", most},
        {"version with a 30-digit exponent", R"({"format": "velmora-set", "version": 1E+999999999999999999999999999999})",
         Kind::NewerVersion, "version", most},
        {"version 1 with a 30-digit negative exponent",
         R"({"format": "velmora-set", "version": 1e-999999999999999999999999999999})", Kind::UnsupportedVersion, "version", 0},
        {"version 0", R"({"format": "velmora-set", "version": 0, "rows": []})", Kind::UnsupportedVersion, "version", 0},
        {"version -1", R"({"format": "velmora-set", "version": -1, "rows": []})", Kind::UnsupportedVersion, "version", 0},
        {"version 1.5", R"({"format": "velmora-set", "version": 1.5, "rows": []})", Kind::UnsupportedVersion, "version", 0},
        {"version 1e-400", R"({"format": "velmora-set", "version": 1e-400, "rows": []})", Kind::UnsupportedVersion,
         "version", 0},

        // The rows.
        field("no rows", R"("bonuses": [)" + ten + "]", Kind::MissingField, "rows"),
        field("rows an object", R"("rows": {})", Kind::WrongType, "rows"),
        field("rows null", R"("rows": null)", Kind::WrongType, "rows"),
        field("rows repeated", rows + ", " + rows, Kind::DuplicateKey, "rows"),
        field("a row a string", R"("rows": [)" + sword + R"(, "검"])", Kind::WrongType, "rows[1]"),
        field("a name a number", R"("rows": [{"name": 5, "kind": "", "stats": "", "grade": "영웅"}])", Kind::WrongType,
              "rows[0].name"),
        field("an address null", R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "영웅", "address": null}])",
              Kind::WrongType, "rows[0].address"),
        field("stats an array", R"("rows": [{"name": "", "kind": "", "stats": ["힘5"], "grade": "영웅"}])", Kind::WrongType,
              "rows[0].stats"),
        field("no name", R"("rows": [{"kind": "", "stats": "", "grade": "영웅"}])", Kind::MissingField, "rows[0].name"),
        field("no kind", R"("rows": [{"name": "", "stats": "", "grade": "영웅"}])", Kind::MissingField, "rows[0].kind"),
        field("no stats", R"("rows": [{"name": "", "kind": "", "grade": "영웅"}])", Kind::MissingField, "rows[0].stats"),
        field("no grade in the third row", R"("rows": [)" + sword + "," + sword + R"(, {"name": "", "kind": "", "stats": ""}])",
              Kind::MissingField, "rows[2].grade"),
        field("an empty row", R"("rows": [{}])", Kind::MissingField, "rows[0].name"),
        field("a name repeated", R"("rows": [{"name": "a", "name": "b", "kind": "", "stats": "", "grade": "영웅"}])",
              Kind::DuplicateKey, "rows[0].name"),
        field("the placeholder as grade", R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "등급설정"}])",
              Kind::UnknownGrade, "rows[0].grade"),
        field("a grade with a blank", R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "영웅 "}])",
              Kind::UnknownGrade, "rows[0].grade"),
        field("a grade number", R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "6"}])", Kind::UnknownGrade,
              "rows[0].grade"),
        field("an empty grade", R"("rows": [{"name": "", "kind": "", "stats": "", "grade": ""}])", Kind::UnknownGrade,
              "rows[0].grade"),
        field("a tab in the stats", R"("rows": [{"name": "", "kind": "", "stats": "힘5\t", "grade": "영웅"}])",
              Kind::ControlCharacter, "rows[0].stats", 9),
        field("a line break in a name", R"("rows": [{"name": "a\nb", "kind": "", "stats": "", "grade": "영웅"}])",
              Kind::ControlCharacter, "rows[0].name", 10),
        field("NUL in a kind", R"("rows": [{"name": "", "kind": "\u0000", "stats": "", "grade": "영웅"}])",
              Kind::ControlCharacter, "rows[0].kind", 0),
        field("DEL escaped in an address",
              R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "영웅", "address": "http://x/\u007f"}])",
              Kind::ControlCharacter, "rows[0].address", 0x7F),
        field("DEL raw in a grade", "\"rows\": [{\"name\": \"\", \"kind\": \"\", \"stats\": \"\", \"grade\": \"영웅\x7F\"}]",
              Kind::ControlCharacter, "rows[0].grade", 0x7F),
        field("the first problem in the file is told",
              R"("rows": [{"name": "", "kind": "", "stats": "", "grade": "영"}, {"name": 1}], "bonuses": [])",
              Kind::UnknownGrade, "rows[0].grade"),
        field("the bonuses before the rows", R"("bonuses": [1], "rows": [{}])", Kind::WrongType, "bonuses[0]"),

        // The bonuses.
        field("nine bonuses", rows + R"(, "bonuses": [null, null, null, null, null, null, null, null, null])",
              Kind::WrongCount, "bonuses", 9),
        field("eleven bonuses", rows + R"(, "bonuses": [)" + ten + R"(, "5"])", Kind::WrongCount, "bonuses", 11),
        field("no bonus entries", rows + R"(, "bonuses": [])", Kind::WrongCount, "bonuses", 0),
        field("bonuses an object", rows + R"(, "bonuses": {})", Kind::WrongType, "bonuses"),
        field("bonuses null", rows + R"(, "bonuses": null)", Kind::WrongType, "bonuses"),
        field("a bonus a number", rows + R"(, "bonuses": [null, null, null, 5, null, null, null, null, null, null])",
              Kind::WrongType, "bonuses[3]"),
        field("a bonus false", rows + R"(, "bonuses": [false, null, null, null, null, null, null, null, null, null])",
              Kind::WrongType, "bonuses[0]"),
        field("a line break in a bonus",
              rows + R"(, "bonuses": [null, null, "5\r", null, null, null, null, null, null, null])",
              Kind::ControlCharacter, "bonuses[2]", 13),
        field("bonuses repeated", rows + R"(, "bonuses": [)" + ten + R"(], "bonuses": [)" + ten + "]",
              Kind::DuplicateKey, "bonuses"),

        // The reference.
        field("twelve captions", rows + R"(, "reference": ["", "", "", "", "", "", "", "", "", "", "", ""])",
              Kind::WrongCount, "reference", 12),
        field("fourteen captions", rows + R"(, "reference": ["", "", "", "", "", "", "", "", "", "", "", "", "", ""])",
              Kind::WrongCount, "reference", 14),
        field("a caption null", rows + R"(, "reference": ["", "", "", "", null, "", "", "", "", "", "", "", ""])",
              Kind::WrongType, "reference[4]"),
        field("reference null", rows + R"(, "reference": null)", Kind::WrongType, "reference"),
        field("a tab in a caption", rows + R"(, "reference": ["", "", "", "", "", "", "", "", "", "", "", "", "힘\t"])",
              Kind::ControlCharacter, "reference[12]", 9),

        // The weights.
        field("weights an array", rows + R"(, "weights": [1, 0.5])", Kind::WrongType, "weights"),
        field("weights null", rows + R"(, "weights": null)", Kind::WrongType, "weights"),
        field("a weight a string", rows + R"(, "weights": {"힘": 0.5, "근공력": "1"})", Kind::WrongType, "weights.근공력"),
        field("a weight null", rows + R"(, "weights": {"물리 방어도": null})", Kind::WrongType, "weights.물리 방어도"),
        field("a weight beyond a double", rows + R"(, "weights": {"힘": 1e400})", Kind::WrongType, "weights.힘"),
        field("a weight too small for a double", rows + R"(, "weights": {"힘": -1e-400})", Kind::WrongType, "weights.힘"),
        field("a key no stat's name", rows + R"(, "weights": {"힘 ": 1})", Kind::WrongType, "weights"),
        field("a caption as key", rows + R"(, "weights": {"힘 :": 1})", Kind::WrongType, "weights"),
        field("a weight repeated", rows + R"(, "weights": {"힘": 1, "민첩": 2, "힘": 1})", Kind::DuplicateKey,
              "weights.힘"),
        field("weights repeated", rows + R"(, "weights": {}, "weights": {})", Kind::DuplicateKey, "weights"),
        at("a weight NaN", setFile(R"("rows": [], "weights": {"힘": NaN})"), Kind::NotJson, "NaN"),
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const auto read = readSetFile(c.bytes);
        ASSERT_TRUE(std::holds_alternative<SetFileProblem>(read)) << "read as " << describe(read);
        const SetFileProblem &problem = std::get<SetFileProblem>(read);
        EXPECT_EQ(setFileProblemName(problem.kind), setFileProblemName(c.kind));
        EXPECT_EQ(problem.where, c.where);
        EXPECT_EQ(problem.number, c.number);
    }
}

TEST(SetFile, SizeAndRowLimits)
{
    // Only the size is looked at: the bytes are not even UTF-8.
    const std::string tooLarge(setFileMaxBytes + 1, '\xFF');
    EXPECT_EQ(describe(readSetFile(tooLarge)), "TooLarge at \"\", " + std::to_string(setFileMaxBytes + 1));

    // A file of exactly the largest size is read.
    const std::string start = R"({"format": "velmora-set", "version": 1, "rows": [], "padding": ")";
    std::string largest = start + std::string(setFileMaxBytes - start.size() - 2, 'x') + "\"}";
    ASSERT_EQ(largest.size(), setFileMaxBytes);
    EXPECT_EQ(describe(readSetFile(largest)), "a set of 0 rows");

    EquipmentSetData set;
    set.rows.assign(setFileMaxRows, row("검", "", "", "일반"));
    std::string bytes = writeSetFile(set);
    EXPECT_EQ(describe(readSetFile(bytes)), "a set of 100000 rows");

    const std::string last = R"(, {"name": "검", "kind": "", "stats": "", "grade": "일반", "address": ""})";
    bytes.insert(bytes.find("\n  ]"), last);
    EXPECT_EQ(describe(readSetFile(bytes)), "TooManyRows at \"rows\", 100001");
}

} // namespace
} // namespace velmora
