#include "itemdb/SearchPage.h"

#include "itemdb/URLEncode.h"
#include "stats/TextCut.h"

#include <cstddef>
#include <utility>

namespace velmora {

namespace {

// The markup of the site's result list that a hit is cut out by. Matched exactly, case-sensitive.
constexpr std::string_view rowMarker = "spacing:-1px;'>";           // opens one hit's stretch
constexpr std::string_view nameEnd = "</span>";                     // ends the item name
constexpr std::string_view kindPartEnd = "</td><td class";          // ends the cells holding the kind
constexpr std::string_view cellStart = "<td>";                      // opens each plain cell
constexpr std::string_view optionListEnd = "</li></ul>";            // ends the option list
constexpr std::string_view optionListStart = "ul><li>";             // opens it (no leading "<")
constexpr std::string_view optionSeparator = "</li><li>";           // between two option lines
constexpr std::string_view addressMarker = "left itemname\"><a href = \""; // precedes an item page address
constexpr std::string_view addressEnd = "\"";                       // ends the address

// Start offsets of every occurrence of `marker` in `text`, left to right, without overlap.
std::vector<std::size_t> occurrences(std::string_view text, std::string_view marker)
{
    std::vector<std::size_t> found;
    for (std::size_t at = text.find(marker); at != std::string_view::npos;
         at = text.find(marker, at + marker.size())) {
        found.push_back(at);
    }
    return found;
}

// The text after occurrence i of a marker, up to the next occurrence or the end of `text`.
std::string_view stretchAfter(std::string_view text, const std::vector<std::size_t> &at,
                              std::size_t markerSize, std::size_t i)
{
    const std::size_t begin = at[i] + markerSize;
    const std::size_t end = i + 1 < at.size() ? at[i + 1] : text.size();
    return text.substr(begin, end - begin);
}

std::string kindOf(std::string_view stretch)
{
    // The kind is the third plain cell: after the second "<td>" of the cells before the first
    // classed cell.
    return std::string(piece(before(stretch, kindPartEnd), cellStart, 2).value_or(""));
}

std::string optionsOf(std::string_view stretch)
{
    const auto lines = piece(before(stretch, optionListEnd), optionListStart, 1);
    return lines ? replaceAll(*lines, optionSeparator, ",") : std::string();
}

} // namespace

std::string searchAddress(std::string_view siteBase, std::u16string_view term)
{
    std::string address(siteBase);
    address += searchPath;
    address += URLEncode(term);
    return address;
}

std::vector<SearchResultRow> cutSearchPage(std::string_view page)
{
    // Every marker is located once over the whole page; each field is then cut from its own
    // hit's stretch only, so a page of many hits costs no more than reading it twice.
    const std::vector<std::size_t> rowAt = occurrences(page, rowMarker);
    const std::vector<std::size_t> addressAt = occurrences(page, addressMarker);

    std::vector<SearchResultRow> rows;
    rows.reserve(rowAt.size());
    for (std::size_t i = 0; i < rowAt.size(); ++i) {
        const std::string_view stretch = stretchAfter(page, rowAt, rowMarker.size(), i);
        SearchResultRow row;
        row.itemName = std::string(before(stretch, nameEnd));
        row.kind = kindOf(stretch);
        row.options = optionsOf(stretch);
        // Addresses pair with hits by their order in the page, not by where they stand: the
        // i-th address belongs to the i-th hit even when it lies in another hit's stretch.
        if (i < addressAt.size()) {
            row.detailAddress =
                std::string(before(stretchAfter(page, addressAt, addressMarker.size(), i), addressEnd));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

} // namespace velmora
