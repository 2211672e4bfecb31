#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

/// One hit of a search, as the result list shows it. Every field is exactly the page's text
/// (no entity decoding, no tags removed, no trimming); "" where the page lacked it.
struct SearchResultRow {
    std::string itemName;
    std::string kind;
    std::string options;       // the hit's option lines joined by ","
    std::string detailAddress; // address of the item's own page

    bool operator==(const SearchResultRow &) const = default;
};

/// The hits of one result page, in page order: one value that owns all their texts. The texts
/// of every hit stand one after another in a single text of its own, so a page of thousands of
/// hits costs one allocation rather than one per field, and the page itself can go as soon as it
/// has been cut. The views that the accessors hand out live as long as this value, as those of a
/// std::string do; row() gives a hit with texts of its own.
class SearchHits {
public:
    enum Field { itemName, kind, options, detailAddress, fieldCount };

    std::size_t size() const { return m_ends.size() / fieldCount; }
    bool empty() const { return m_ends.empty(); }

    /// Field `field` of hit `i` (0 <= i < size()).
    std::string_view text(std::size_t i, Field field) const
    {
        const std::size_t at = i * fieldCount + field;
        const std::size_t begin = at == 0 ? 0 : m_ends[at - 1];
        return std::string_view(m_texts).substr(begin, m_ends[at] - begin);
    }

    /// Hit `i` with texts of its own.
    SearchResultRow row(std::size_t i) const;
    /// Every hit, each with texts of its own.
    std::vector<SearchResultRow> rows() const;

    bool operator==(const SearchHits &) const = default;

private:
    friend SearchHits cutSearchPage(std::string_view page);
    std::string m_texts;             // every field of every hit, one after another
    std::vector<std::size_t> m_ends; // where each field ends in m_texts, hit by hit
};

SearchHits cutSearchPage(std::string_view page);

/// Path and query of a search on the item database site; the percent-encoded term follows.
inline constexpr std::string_view searchPath = "/dataninfo/item/list.php?datagroup=list4&sname=";

/// The address of a search for `term`: site base + searchPath + URLEncode(term), the term
/// unchanged (blanks included).
std::string searchAddress(std::string_view siteBase, std::u16string_view term);

/// Cuts a search result page (UTF-8) into its hits, in page order: one per row marker. The
/// addresses are paired with the hits by their order in the page. Linear in the page's size.
/// The hits keep copies of their texts: `page` may go once this returns.
SearchHits cutSearchPage(std::string_view page);

} // namespace velmora
