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
        {"stops at the first empty line", "검\t한손검\t공격력30 \t영웅\n\r\n검\t한손검\t\t영웅\n", {sword}, 0},
        {"an empty first line ends at once", "\n검\t한손검\t공격력30 \t영웅\n", {}, 0},
        {"three or five fields", "검\t한손검\t영웅\n검\t한손검\t공격력30 \t영웅\t\n", {}, 2},
        {"fourth field no grade", "검\t한손검\t공격력30 \t등급설정\n검\t한손검\t공격력30 \t 영웅\n", {}, 2},
        {"header counted once as such", "아이템명\t종류\t옵션\t등급\n아이템명\t종류\t옵션\t등급\n", {}, 0},
        {"empty fields are kept", "\t\t\t신화\n", {{"", "", "", "신화", ""}}, 0},
        {"a line of text", "hello\n검\t한손검\t공격력30 \t영웅\n", {sword}, 1},
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
