#include "itemdb/SearchPage.h"
#include "stats/TextCut.h"
#include "tests/support/SitePages.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace velmora {
namespace {

using Hit = SearchResultRow;

std::vector<Hit> cut(std::string_view page) { return cutSearchPage(page).rows(); }

const std::string rowMarker = "spacing:-1px;'>";
const std::string addressMarker = "left itemname\"><a href = \"";

// One hit as the site lists it: address cell, name, two plain cells, the option cell.
std::string hit(const std::string &address, const std::string &name, const std::string &kind,
                const std::string &optionCell)
{
    return test::resultRow({name, kind, optionCell, address});
}

TEST(SearchPage, CutsHitsAndPairsAddressesByOrder)
{
    const std::string sword = hit("/i?c=1", "검", "한손검", "<ul><li>힘 +5</li></ul>");
    const Hit swordRow{"검", "한손검", "힘 +5", "/i?c=1"};
    const std::vector<std::pair<std::string, std::vector<Hit>>> cases = {
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
        EXPECT_EQ(cut(page), rows);
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
    const std::vector<Hit> expected = {
        {"낡은 목걸이", "목걸이", "지능 +2,정신 +1", "http://db.example/dataninfo/item/detail.php?code=1001"},
        {"사냥꾼의 활", "활", "민첩 +7", "http://db.example/dataninfo/item/detail.php?code=2040"},
    };
    EXPECT_EQ(cut(page), expected);
    EXPECT_EQ(searchAddress("http://db.example", u" 힘"),
              "http://db.example/dataninfo/item/list.php?datagroup=list4&sname=%20%ED%9E%98");
}

// Where the page cutting looks for a marker by one of its inner bytes, or finds two markers in
// one pass, the boundaries are where it could go wrong: a marker cut off by the next hit or by
// the page's end, an end marker that overlaps a start marker, cells after the kind's end.
TEST(SearchPage, MarkersAtTheEdgesOfAHit)
{
    const std::string name = "n</span>";
    const std::vector<std::pair<std::string, std::vector<Hit>>> cases = {
        // The list's end right after a start: the lines stop at the first end.
        {rowMarker + name + "<ul><li>a</li></ul><li>b</li></ul>", {{"n", "", "a", ""}}},
        // An empty line and three lines.
        {rowMarker + name + "<ul><li>x</li><li></li><li>y</li></ul>", {{"n", "", "x,,y", ""}}},
        // A second list start before the end ends the lines there.
        {rowMarker + name + "<ul><li>a<ul><li>b</li></ul>", {{"n", "", "a<", ""}}},
        // Cells after the end of the kind's part do not count.
        {rowMarker + name + "<td>1</td><td class=x><td>late</td>", {{"n", "", "", ""}}},
        {rowMarker + "<td><td>k</td><td class", {{"<td><td>k</td><td class", "k", "", ""}}},
        // The kind's end marker is completed only by the next hit's row marker: not in this hit.
        {rowMarker + "a<td>b<td>c</td><td clas" + rowMarker + "z",
         {{"a<td>b<td>c</td><td clas", "c</td><td clas", "", ""}, {"z", "", "", ""}}},
        // Markers cut off by the page's end.
        {rowMarker + "n</spa", {{"n</spa", "", "", ""}}},
        {rowMarker + "n<ul><li>a</li></u", {{"n<ul><li>a</li></u", "", "a</li></u", ""}}},
        {addressMarker + "/x" + rowMarker, {{"", "", "", "/x" + rowMarker}}},
        {"spacing:-1px;'" + addressMarker + "/y\"", {}},
    };
    for (const auto &[page, rows] : cases) {
        SCOPED_TRACE(page);
        EXPECT_EQ(cut(page), rows);
    }
}

// The cut as the text cutting helpers define it, written plainly: each field from its hit's
// stretch with piece(), before() and replaceAll().
std::vector<SearchResultRow> cutPlainly(std::string_view page)
{
    auto positions = [page](std::string_view marker) {
        std::vector<std::size_t> at;
        for (std::size_t p = page.find(marker); p != std::string_view::npos; p = page.find(marker, p + marker.size()))
            at.push_back(p);
        return at;
    };
    auto stretch = [page](const std::vector<std::size_t> &at, std::size_t size, std::size_t i) {
        const std::size_t end = i + 1 < at.size() ? at[i + 1] : page.size();
        return page.substr(at[i] + size, end - at[i] - size);
    };
    const std::vector<std::size_t> rowAt = positions(rowMarker);
    const std::vector<std::size_t> addressAt = positions(addressMarker);
    std::vector<SearchResultRow> rows;
    for (std::size_t i = 0; i < rowAt.size(); ++i) {
        const std::string_view hit = stretch(rowAt, rowMarker.size(), i);
        SearchResultRow row;
        row.itemName = before(hit, "</span>");
        row.kind = piece(before(hit, "</td><td class"), "<td>", 2).value_or("");
        if (const auto lines = piece(before(hit, "</li></ul>"), "ul><li>", 1))
            row.options = replaceAll(*lines, "</li><li>", ",");
        if (i < addressAt.size())
            row.detailAddress = before(stretch(addressAt, addressMarker.size(), i), "\"");
        rows.push_back(row);
    }
    return rows;
}

// Pages made of the markers, pieces of them and a few other bytes, in random order.
TEST(SearchPage, CutsAsTheTextCutHelpersDefine)
{
    const std::vector<std::string> pieces = {
        rowMarker, "spacing:-1px;'", "pacing:-1px;'>", addressMarker, "left itemname\"><a href = ", "\"",
        "</span>", "</span", "</td><td class", "</td><td clas", "<td>", "<td", "td>", "</li></ul>", "li></ul>",
        "ul><li>", "l><li>", "</li><li>", "</li", "<", ">", ";", "d", "u", "h", "s", "x", " ", "검",
    };
    std::mt19937 random(20240601);
    for (int n = 0; n < 20000; ++n) {
        std::string page;
        for (std::size_t k = random() % 24; k > 0; --k)
            page += pieces[random() % pieces.size()];
        if (random() % 4 == 0 && !page.empty())
            page.erase(0, random() % page.size()); // start anywhere, even inside a marker
        const std::vector<SearchResultRow> expected = cutPlainly(page);
        if (cut(page) != expected) {
            ADD_FAILURE() << "page: " << page;
            return;
        }
    }
}

} // namespace
} // namespace velmora
