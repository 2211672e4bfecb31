#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// One hit of a search, as the result list shows it. Every field is exactly the page's text
/// (no entity decoding, no tags removed, no trimming); "" where the page lacked it. The name,
/// kind and address are views into the page the row was cut from, which must outlive the row:
/// a page of thousands of hits is cut without a copy of each text.
struct SearchResultRow {
    std::string_view itemName;
    std::string_view kind;
    std::string options;            // the hit's option lines joined by ","
    std::string_view detailAddress; // address of the item's own page

    bool operator==(const SearchResultRow &) const = default;
};

/// Path and query of a search on the item database site; the percent-encoded term follows.
inline constexpr std::string_view searchPath = "/dataninfo/item/list.php?datagroup=list4&sname=";

/// The address of a search for `term`: site base + searchPath + URLEncode(term), the term
/// unchanged (blanks included).
std::string searchAddress(std::string_view siteBase, std::u16string_view term);

/// Cuts a search result page (UTF-8) into its hits, in page order: one per row marker. The
/// addresses are paired with the hits by their order in the page. Linear in the page's size.
/// The rows point into `page`.
std::vector<SearchResultRow> cutSearchPage(std::string_view page);

} // namespace velmora
