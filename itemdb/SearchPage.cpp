#include "itemdb/SearchPage.h"

#include "itemdb/URLEncode.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <optional>

namespace velmora {

namespace {

// A text of the site's result list that hits are cut by, matched exactly (case-sensitive), and
// the position in it of the byte that a search looks for first. That byte is one that the
// site's pages hold rarely: '<' opens every tag, so a search that stopped at each one would
// compare the marker a few times per line, while memchr skips most of a page at once when
// looking for ';' or 'u'. Which byte is looked for first never changes what is found.
struct Marker {
    std::string_view text;
    std::size_t anchor;
};

constexpr Marker rowMarker{"spacing:-1px;'>", 12};              // opens one hit's stretch
constexpr Marker nameEnd{"</span>", 0};                         // ends the item name
constexpr Marker kindPartEnd{"</td><td class", 3};              // ends the cells holding the kind
constexpr Marker cellStart{"<td>", 2};                          // opens each plain cell
constexpr Marker optionListEnd{"</li></ul>", 7};                // ends the option list
constexpr Marker optionListStart{"ul><li>", 0};                 // opens it (no leading "<")
constexpr Marker optionSeparator{"</li><li>", 0};               // between two option lines
constexpr Marker addressMarker{"left itemname\"><a href = \"", 18}; // precedes an item page address
constexpr char addressEnd = '"';                                // ends the address

constexpr std::size_t notFound = std::string_view::npos;

// The first occurrence of `marker` in `text` at or after `from`, as std::string_view::find finds
// it; notFound when there is none. The marker is a template argument so that comparing it is
// a few inlined instructions rather than a library call per candidate.
template <const Marker &marker>
std::size_t find(std::string_view text, std::size_t from = 0)
{
    constexpr std::size_t size = marker.text.size();
    constexpr char key = marker.text[marker.anchor];
    if (from > text.size() || text.size() - from < size)
        return notFound;
    const char *const begin = text.data();
    // Where the anchor byte of an occurrence can stand: from `from` on, up to the last start.
    const char *at = begin + from + marker.anchor;
    const char *const last = begin + (text.size() - size) + marker.anchor;
    while (at <= last) {
        at = static_cast<const char *>(std::memchr(at, key, static_cast<std::size_t>(last - at) + 1));
        if (at == nullptr)
            return notFound;
        const char *const start = at - marker.anchor;
        if (std::equal(marker.text.begin(), marker.text.end(), start))
            return static_cast<std::size_t>(start - begin);
        ++at;
    }
    return notFound;
}

// The text before the first occurrence of `marker`, or the whole text.
template <const Marker &marker>
std::string_view before(std::string_view text)
{
    return text.substr(0, find<marker>(text));
}

// Whether an occurrence of `marker` can begin inside another one (a proper prefix that is also
// a suffix). For markers that cannot, every occurrence is one of the non-overlapping ones that
// a left-to-right search finds.
constexpr bool overlapsItself(std::string_view marker)
{
    for (std::size_t n = 1; n < marker.size(); ++n)
        if (marker.substr(0, n) == marker.substr(marker.size() - n))
            return true;
    return false;
}

// Piece k of the text before the first `end`, cut at every `part`:
// piece(before(text, end), part, k) as stats/TextCut.h defines them, found in one pass. Both
// markers are looked for by the same byte, so one walk over that byte's places finds the end
// and every `part` wholly before it.
template <const Marker &end, const Marker &part, std::size_t k>
std::optional<std::string_view> pieceBefore(std::string_view text)
{
    constexpr char key = end.text[end.anchor];
    static_assert(part.text[part.anchor] == key, "both markers must be found by the same byte");
    static_assert(!overlapsItself(part.text), "every occurrence of the part marker must count");

    const char *const begin = text.data();
    const std::size_t size = text.size();
    std::size_t limit = size;      // where the first `end` starts
    std::size_t parts[k + 1] = {}; // the first k + 1 `part`s
    std::size_t count = 0;
    for (std::size_t at = 0; at < size; ++at) {
        const void *found = std::memchr(begin + at, key, size - at);
        if (found == nullptr)
            break;
        at = static_cast<std::size_t>(static_cast<const char *>(found) - begin);
        if (at >= end.anchor && at - end.anchor + end.text.size() <= size
            && std::equal(end.text.begin(), end.text.end(), begin + at - end.anchor)) {
            limit = at - end.anchor;
            break;
        }
        if (count <= k && at >= part.anchor && at - part.anchor + part.text.size() <= size
            && std::equal(part.text.begin(), part.text.end(), begin + at - part.anchor))
            parts[count++] = at - part.anchor;
    }
    // A `part` that reaches past the limit is not in the text before it; nor is any later one.
    while (count > 0 && parts[count - 1] + part.text.size() > limit)
        --count;
    if (limit == 0 || count < k)
        return std::nullopt;
    const std::size_t start = k == 0 ? 0 : parts[k - 1] + part.text.size();
    const std::size_t stop = count > k ? parts[k] : limit;
    return text.substr(start, stop - start);
}

// Start offsets of every occurrence of `marker` in `text`, left to right, without overlap.
template <const Marker &marker>
std::vector<std::size_t> occurrences(std::string_view text)
{
    std::vector<std::size_t> found;
    for (std::size_t at = find<marker>(text); at != notFound; at = find<marker>(text, at + marker.text.size()))
        found.push_back(at);
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

std::string_view kindOf(std::string_view stretch)
{
    // The kind is the third plain cell: after the second "<td>" of the cells before the first
    // classed cell.
    return pieceBefore<kindPartEnd, cellStart, 2>(stretch).value_or("");
}

// The option lines of a hit as the page has them, still separated by their markup; "" when
// the hit has no option list.
std::string_view optionLinesOf(std::string_view stretch)
{
    return pieceBefore<optionListEnd, optionListStart, 1>(stretch).value_or("");
}

// Appends the option lines joined by ",": every separator replaced, left to right (replaceAll in
// stats/TextCut.h), written straight into the hits' text.
void appendJoined(std::string &out, std::string_view lines)
{
    std::size_t from = 0;
    for (std::size_t at = find<optionSeparator>(lines); at != notFound; at = find<optionSeparator>(lines, from)) {
        out.append(lines, from, at - from);
        out += ',';
        from = at + optionSeparator.text.size();
    }
    out.append(lines, from);
}

// A hit's fields as they stand in the page, before they are copied into the hits' own text.
struct HitInPage {
    std::string_view name, kind, optionLines, address;
};

} // namespace

std::string searchAddress(std::string_view siteBase, std::u16string_view term)
{
    std::string address(siteBase);
    address += searchPath;
    address += URLEncode(term);
    return address;
}

SearchResultRow SearchHits::row(std::size_t i) const
{
    return {std::string(text(i, itemName)), std::string(text(i, kind)), std::string(text(i, options)),
            std::string(text(i, detailAddress))};
}

std::vector<SearchResultRow> SearchHits::rows() const
{
    std::vector<SearchResultRow> all;
    all.reserve(size());
    for (std::size_t i = 0; i < size(); ++i)
        all.push_back(row(i));
    return all;
}

SearchHits cutSearchPage(std::string_view page)
{
    // Every marker is located once over the whole page; each field is then cut from its own
    // hit's stretch only, so a page of many hits costs no more than reading it twice.
    const std::vector<std::size_t> rowAt = occurrences<rowMarker>(page);
    const std::vector<std::size_t> addressAt = occurrences<addressMarker>(page);

    std::vector<HitInPage> found(rowAt.size());
    std::size_t textBytes = 0;
    for (std::size_t i = 0; i < rowAt.size(); ++i) {
        const std::string_view stretch = stretchAfter(page, rowAt, rowMarker.text.size(), i);
        HitInPage &hit = found[i];
        hit.name = before<nameEnd>(stretch);
        hit.kind = kindOf(stretch);
        hit.optionLines = optionLinesOf(stretch);
        // Addresses pair with hits by their order in the page, not by where they stand: the
        // i-th address belongs to the i-th hit even when it lies in another hit's stretch.
        if (i < addressAt.size()) {
            const std::string_view address = stretchAfter(page, addressAt, addressMarker.text.size(), i);
            hit.address = address.substr(0, address.find(addressEnd));
        }
        textBytes += hit.name.size() + hit.kind.size() + hit.optionLines.size() + hit.address.size();
    }

    // One text for all hits, reserved once: the joined option lines are never longer than the
    // lines with their markup.
    SearchHits hits;
    hits.m_texts.reserve(textBytes);
    hits.m_ends.reserve(found.size() * SearchHits::fieldCount);
    for (const HitInPage &hit : found) {
        hits.m_texts += hit.name;
        hits.m_ends.push_back(hits.m_texts.size());
        hits.m_texts += hit.kind;
        hits.m_ends.push_back(hits.m_texts.size());
        appendJoined(hits.m_texts, hit.optionLines);
        hits.m_ends.push_back(hits.m_texts.size());
        hits.m_texts += hit.address;
        hits.m_ends.push_back(hits.m_texts.size());
    }
    return hits;
}

} // namespace velmora
