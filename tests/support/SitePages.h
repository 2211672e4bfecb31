#pragma once

// Pages in the item site's markup, for the tests that serve them or cut them. One builder, so
// that every test speaks the same markup as the site and a change of it is made once.

#include <string>
#include <vector>

namespace velmora::test {

/// One hit of a result page. `optionCell` is the option cell's content as the page has it:
/// optionList({...}) for a list of lines, anything else to try the cutting.
struct PageHit {
    std::string name, kind, optionCell, address;
};

/// An option cell that lists `lines`.
inline std::string optionList(const std::vector<std::string> &lines)
{
    std::string cell = "<ul>";
    for (const std::string &line : lines)
        cell += "<li>" + line + "</li>";
    return cell + "</ul>";
}

/// One hit's table row: the address cell (the address marker, then the address), the name after
/// the row marker, the level and the kind cells, the option cell.
inline std::string resultRow(const PageHit &hit)
{
    return "<tr><td class=\"left itemname\"><a href = \"" + hit.address +
           "\"><span style='letter-spacing:-1px;'>" + hit.name + "</span></a></td><td>30</td><td>" + hit.kind +
           "</td><td class=\"left options\">" + hit.optionCell + "</td></tr>\n";
}

/// A whole result page with a header row and the hits in order.
inline std::string resultPage(const std::vector<PageHit> &hits)
{
    std::string page = "<html><body><table><tr><th>이름</th><th>레벨</th><th>종류</th></tr>\n";
    for (const PageHit &hit : hits)
        page += resultRow(hit);
    return page + "</table></body></html>";
}

/// One grade's link on an item page: the grade link marker, the address, the address end marker.
inline std::string gradeLink(const std::string &address, const std::string &label = "g")
{
    return "<tr><td class = \"left\"><a href=\"" + address + "\" velmora-tip>" + label + "</a></td></tr>\n";
}

/// An item page whose grade n (1…links) links to `addressOfGrade` followed by n.
inline std::string itemPage(const std::string &addressOfGrade, int links = 12)
{
    std::string page = "<html><body><table>\n";
    for (int grade = 1; grade <= links; ++grade)
        page += gradeLink(addressOfGrade + std::to_string(grade), std::to_string(grade));
    return page + "</table></body></html>";
}

} // namespace velmora::test
