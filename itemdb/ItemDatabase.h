#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "itemdb/HttpRequester.h"
#include "itemdb/SearchPage.h"

namespace velmora {

/// What one search brought back: the hits, or why the site gave no page.
struct SearchOutcome {
    std::unique_ptr<const std::string> texts; // the hits' names, kinds and addresses; the rows point into it
    std::vector<SearchResultRow> rows;
    RequestFailure failure = RequestFailure::none; // none: a page came back (it may hold no hit)
};

/// Posts a search for `term` (empty body, the term percent-encoded in the address) and cuts the
/// result page. The status code is not looked at: whatever page came back is cut.
SearchOutcome searchItems(HttpRequester &requester, std::string_view siteBase, std::u16string_view term);

/// The request that kept an item from getting its stats.
enum class ItemFetchStep {
    itemPage,    // the item's own page could not be fetched (or its address is not http/https)
    gradeLink,   // the item page has no link for the chosen grade
    tooltipPage, // the grade's tooltip page could not be fetched
};

/// The stat text of an item at one grade, or where getting it stopped. The stat text is cut from
/// the grade's tooltip page only: when that page was not fetched it is empty.
struct ItemStatsOutcome {
    std::string statText;
    std::optional<ItemFetchStep> failedStep;
    RequestFailure failure = RequestFailure::none; // the request's failure at failedStep, if any
};

/// Fetches the item page at `detailAddress`, follows the link of grade `gradeNumber` (1…12) to its
/// tooltip page and cuts the stat text from it. Both requests go through `requester`, one after
/// the other.
ItemStatsOutcome fetchItemStats(HttpRequester &requester, std::string_view detailAddress, int gradeNumber);

} // namespace velmora
