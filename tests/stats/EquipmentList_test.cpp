#include "stats/EquipmentList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

const std::vector<EquipmentRow> rows = {
    {"불꽃 깃 활", "활", "주문력4 원공30 힘12 체력7 ", "영웅", ""},
    {"낡은 검", "한손검", "", "저급", ""},
    {"<b>굵은</b> 방패", "방패", "방어도120 ", "신화", ""},
};

TEST(EquipmentList, CopiedTextByteForByteAndReadBack)
{
    EXPECT_EQ(equipmentListText(rows),
              "아이템명\t종류\t옵션\t등급\n"
              "불꽃 깃 활\t활\t주문력4 원공30 힘12 체력7 \t영웅\n"
              "낡은 검\t한손검\t\t저급\n"
              "<b>굵은</b> 방패\t방패\t방어도120 \t신화\n");
    EXPECT_EQ(equipmentListText({}), "아이템명\t종류\t옵션\t등급\n");

    StatTotals captions;
    for (std::size_t i = 0; i < captions.size(); ++i)
        captions[i] = std::string(statResetCaptions[i]) + " " + std::to_string(i);
    captions[10] = "치유력 :";
    const std::string text = equipmentListText(std::vector<EquipmentRow>(rows.begin(), rows.begin() + 1),
                                               &captions);
    EXPECT_EQ(text, "아이템명\t종류\t옵션\t등급\n"
                    "불꽃 깃 활\t활\t주문력4 원공30 힘12 체력7 \t영웅\n"
                    "\n"
                    "힘 : 0\n민첩 : 1\n지능 : 2\n정신 : 3\n체력 : 4\n근공력 : 5\n원공력 : 6\n"
                    "주문력 : 7\n물리 방어도 : 8\n마법 저항도 : 9\n치유력 :\n활력 : 11\n생명력 : 12\n");

    // Read back, with or without the captions, the rows come back column for column.
    EXPECT_EQ(parseEquipmentList(equipmentListText(rows)).rows, rows);
    const PastedRows pasted = parseEquipmentList(equipmentListText(rows, &captions));
    EXPECT_EQ(pasted.rows, rows);
    EXPECT_EQ(pasted.ignoredLines, 0);

    // A field cannot start a column or a line of its own.
    const std::vector<EquipmentRow> odd = {{"a\tb", "c\r\nd", "힘1\n", "영웅", "x"}};
    EXPECT_EQ(equipmentListText(odd), "아이템명\t종류\t옵션\t등급\na b\tc  d\t힘1 \t영웅\n");
}

TEST(EquipmentList, TheProgramsOwnCopyReadsBackWhole)
{
    // Captions as the calculation writes them, a bare healing caption among them.
    std::vector<std::string> statTexts;
    for (const EquipmentRow &row : rows)
        statTexts.push_back(row.statText);
    const StatTotals captions = calculateExpectedStats(statTexts, BonusSettings{});
    ASSERT_EQ(captions[10], "치유력 :");

    const std::string copy = equipmentListText(rows, &captions);
    const PastedRows once = parseEquipmentList(copy);
    EXPECT_EQ(once.rows, rows);
    EXPECT_EQ(once.ignoredLines, 0);

    // Two copies pasted one after the other, with Windows line ends: every row of both.
    std::string crlf;
    for (char c : copy + copy)
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    std::vector<EquipmentRow> twice = rows;
    twice.insert(twice.end(), rows.begin(), rows.end());
    const PastedRows pasted = parseEquipmentList(crlf);
    EXPECT_EQ(pasted.rows, twice);
    EXPECT_EQ(pasted.ignoredLines, 0);
}

TEST(EquipmentList, PastedLinesThatAreNoRowAreCounted)
{
    struct Case {
        const char *name;
        std::string text;
        std::vector<EquipmentRow> rows;
        int ignored;
    };
    const EquipmentRow sword = {"검", "한손검", "공격력30 ", "영웅", ""};
    const std::vector<Case> cases = {
        {"nothing", "", {}, 0},
        {"no header, no final line break", "검\t한손검\t공격력30 \t영웅", {sword}, 0},
        {"CR LF line ends", "아이템명\t종류\t옵션\t등급\r\n검\t한손검\t공격력30 \t영웅\r\n", {sword}, 0},
        {"only one CR is removed", "검\t한손검\t공격력30 \t영웅\r\r\n", {}, 1},
        {"rows after an empty line still count", "검\t한손검\t공격력30 \t영웅\n\r\n검\t한손검\t\t영웅\n",
         {sword, {"검", "한손검", "", "영웅", ""}}, 0},
        {"an empty first line is skipped", "\n검\t한손검\t공격력30 \t영웅\n", {sword}, 0},
        {"three or five fields", "검\t한손검\t영웅\n검\t한손검\t공격력30 \t영웅\t\n", {}, 2},
        {"fourth field no grade", "검\t한손검\t공격력30 \t등급설정\n검\t한손검\t공격력30 \t 영웅\n", {}, 2},
        {"header counted once as such", "아이템명\t종류\t옵션\t등급\n아이템명\t종류\t옵션\t등급\n", {}, 0},
        {"empty fields are kept", "\t\t\t신화\n", {{"", "", "", "신화", ""}}, 0},
        {"a line of text", "hello\n검\t한손검\t공격력30 \t영웅\n", {sword}, 1},
        {"blank lines anywhere", "\n\r\n   \n검\t한손검\t공격력30 \t영웅\n\n\n  \r\n", {sword}, 0},
        {"the stat captions the copy appends",
         "힘 : 170\n치유력 :\n치유력 : 3%\n생명력 : 10296\n물리 방어도 : 12.5\n마법 저항도 :\n", {}, 0},
        {"a stat name without its colon is no caption", "힘 170\n힘:170\n 힘 : 170\n생명 : 1\n", {}, 4},
        {"a row between captions and after a header",
         "힘 : 1\n아이템명\t종류\t옵션\t등급\n검\t한손검\t공격력30 \t영웅\n체력 : 2\n", {sword}, 0},
        {"stat texts as the program writes them", "활\t활\t힘5 힘9 \t신화\n관\t모자\t지능2 민첩7 \t저급\n",
         {{"활", "활", "힘5 힘9 ", "신화", ""}, {"관", "모자", "지능2 민첩7 ", "저급", ""}}, 0},
        {"stat texts are not trimmed", "  검 \t 한손검\t  공격력30  \t영웅\n", {{"  검 ", " 한손검", "  공격력30  ", "영웅", ""}}, 0},
        {"a control character in any field",
         "검\x01\t한손검\t힘5 \t영웅\n검\t한\x1F손검\t힘5 \t영웅\n검\t한손검\t힘5\x7F\t영웅\n검\r\t한손검\t힘5 \t영웅\n"
         "검\t한손검\t힘5\x1B[31m\t영웅\n",
         {}, 5},
        {"no control character: the next line is kept", "검\t한손검\t힘5\x01\t영웅\n검\t한손검\t공격력30 \t영웅\n", {sword}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const PastedRows pasted = parseEquipmentList(c.text);
        EXPECT_EQ(pasted.rows, c.rows);
        EXPECT_EQ(pasted.ignoredLines, c.ignored);
    }
}

} // namespace
} // namespace velmora
