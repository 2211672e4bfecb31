// Cuts arbitrary bytes as a search result page and checks what every cut must satisfy whatever
// the markup: one hit per row marker, names and addresses right after their markers, and every
// field a piece of the page itself.

#include "FuzzSupport.h"
#include "itemdb/SearchPage.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

using namespace velmora;
using namespace velmora::fuzz;

namespace {

constexpr std::string_view rowMarker = "spacing:-1px;'>";
constexpr std::string_view addressMarker = "left itemname\"><a href = \"";

// Start offsets of every occurrence of `marker`, left to right, without overlap.
std::vector<std::size_t> positionsOf(std::string_view text, std::string_view marker)
{
    std::vector<std::size_t> found;
    for (std::size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, at + marker.size()))
        found.push_back(at);
    return found;
}

// `field` is the text right after the marker at `markerAt`, and what follows it in the page is
// `end`, the next occurrence of the marker, or the end of the page.
void requireCutAfter(std::string_view page, std::size_t markerAt, std::string_view marker, std::string_view field,
                     std::string_view end, std::string_view what)
{
    const std::string_view after = page.substr(markerAt + marker.size());
    require(after.starts_with(field), what, field);
    const std::string_view next = after.substr(field.size());
    require(next.empty() || next.starts_with(end) || next.starts_with(marker), what, field);
}

void requirePieceOfPage(std::string_view page, std::string_view field, std::string_view what)
{
    require(field.empty() || contains(page, field), what, field);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view page = asText(data, size);
    const std::vector<SearchResultRow> rows = cutSearchPage(page).rows();

    const std::vector<std::size_t> rowAt = positionsOf(page, rowMarker);
    const std::vector<std::size_t> addressAt = positionsOf(page, addressMarker);
    require(rows.size() == rowAt.size(), "one row per row marker");

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SearchResultRow &row = rows[i];
        requirePieceOfPage(page, row.kind, "kind is a piece of the page");

        require(!contains(row.itemName, "</span>"), "item name stops at the name end", row.itemName);
        require(!contains(row.kind, "<td>"), "kind stops at the next cell", row.kind);
        require(!contains(row.kind, "</td><td class"), "kind stops at the classed cell", row.kind);
        require(!contains(row.detailAddress, "\""), "address stops at the quote", row.detailAddress);
        requireCutAfter(page, rowAt[i], rowMarker, row.itemName, "</span>",
                        "the i-th name follows the i-th row marker");
        // Addresses pair with hits by their order in the page.
        if (i < addressAt.size())
            requireCutAfter(page, addressAt[i], addressMarker, row.detailAddress, "\"",
                            "the i-th address follows the i-th address marker");
        else
            require(row.detailAddress.empty(), "a hit without an address has none", row.detailAddress);

        // The option lines were joined by ","; each line on its own still stands in the page,
        // and no separator survives the joining.
        require(!contains(row.options, "</li><li>"), "option separators are replaced", row.options);
        require(!contains(row.options, "</li></ul>"), "options stop at the list end", row.options);
        std::string_view rest = row.options;
        for (;;) {
            const std::size_t comma = rest.find(',');
            requirePieceOfPage(page, rest.substr(0, comma), "option line is a piece of the page");
            if (comma == std::string_view::npos)
                break;
            rest.remove_prefix(comma + 1);
        }
    }
    return 0;
}
