#include "itemdb/SearchPage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

const std::string rowMarker = "spacing:-1px;'>";
const std::string addressMarker = "left itemname\"><a href = \"";

// One hit as the site lists it: address cell, name, two plain cells, the option cell.
std::string hit(const std::string &address, const std::string &name, const std::string &kind,
                const std::string &options)
{
    return "<tr><td class=\"" + addressMarker + address + "\"><span style='letter-" + rowMarker + name +
           "</span></a></td><td>45</td><td>" + kind + "</td><td class=\"left\">" + options + "</td></tr>\n";
}

TEST(SearchPage, CutsHitsAndPairsAddressesByOrder)
{
    const std::string sword = hit("/i?c=1", "검", "한손검", "<ul><li>힘 +5</li></ul>");
    const SearchResultRow swordRow{"검", "한손검", "힘 +5", "/i?c=1"};
    const std::vector<std::pair<std::string, std::vector<SearchResultRow>>> cases = {
        {"<html>" + addressMarker + "x\" spacing:-1px;}</html>", {}},
        {sword + sword + sword, {swordRow, swordRow, swordRow}},
        {hit("/a", "n", "k", "<ul><li>힘 +5</li><li>체력 +3</li><li>방어도 +20</li></ul>"),
         {{"n", "k", "힘 +5,체력 +3,방어도 +20", "/a"}}},
        {hit("/i?a=1&amp;b=2", "<b>S &amp; S</b>", "&lt;활&gt;", "-"),
         {{"<b>S &amp; S</b>", "&lt;활&gt;", "", "/i?a=1&amp;b=2"}}},
        {rowMarker + "<td><td>kind<td>more", {{"<td><td>kind<td>more", "kind", "", ""}}},
        {addressMarker + "/1\"" + rowMarker + "a" + rowMarker + "b", {{"a", "", "", "/1"}, {"b", "", "", ""}}},
        {rowMarker + "a" + addressMarker + "/1\"" + rowMarker + "b" + rowMarker + "c" + addressMarker + "/3",
         {{"a" + addressMarker + "/1\"", "", "", "/1"}, {"b", "", "", "/3"}, {"c" + addressMarker + "/3", "", "", ""}}},
        {addressMarker + "/1\"" + addressMarker + "/2\"" + rowMarker + rowMarker, {{"", "", "", "/1"}, {"", "", "", "/2"}}},
    };
    for (const auto &[page, rows] : cases) {
        SCOPED_TRACE(page);
        EXPECT_EQ(cutSearchPage(page), rows);
    }
}

TEST(SearchPage, RealisticPageWithHeaderRow)
{
    const std::string page =
        "<html><head><meta charset=\"utf-8\"></head><body><table class=\"list\">\n"
        "<tr><th class=\"left\">아이템명</th><th>레벨</th><th>종류</th><th>옵션</th></tr>\n" +
        hit("http://db.example/dataninfo/item/detail.php?code=1001", "낡은 목걸이", "목걸이",
            "<ul><li>지능 +2</li><li>정신 +1</li></ul>") +
        hit("http://db.example/dataninfo/item/detail.php?code=2040", "사냥꾼의 활", "활", "<ul><li>민첩 +7</li></ul>") +
        "</table></body></html>\n";
    const std::vector<SearchResultRow> expected = {
        {"낡은 목걸이", "목걸이", "지능 +2,정신 +1", "http://db.example/dataninfo/item/detail.php?code=1001"},
        {"사냥꾼의 활", "활", "민첩 +7", "http://db.example/dataninfo/item/detail.php?code=2040"},
    };
    EXPECT_EQ(cutSearchPage(page), expected);
    EXPECT_EQ(searchAddress("http://db.example", u" 힘"),
              "http://db.example/dataninfo/item/list.php?datagroup=list4&sname=%20%ED%9E%98");
}

} // namespace
} // namespace velmora
