#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "itemdb/HttpRequester.h"
#include "itemdb/Outcome.h"
#include "itemdb/SearchPage.h"

namespace velmora {

/// Posts a search for `term` (empty body, the term percent-encoded in the address) and cuts the
/// result page into its hits; or why the site gave no page. The status code is not looked at:
/// whatever page came back is cut (it may hold no hit).
/// A search's page, cut into hits, and the HTTP status it came with.
struct SearchAnswer {
    SearchHits hits;
    int status = 0;
};

Outcome<SearchAnswer, RequestFailure> searchItems(HttpRequester &requester, std::string_view siteBase,
                                                std::u16string_view term);

/// The request that kept an item from getting its stats.
enum class ItemFetchStep {
    itemPage,    // the item's own page could not be fetched (or its address is not http/https)
    gradeLink,   // the item page has no link for the chosen grade
    tooltipPage, // the grade's tooltip page could not be fetched
};

/// Where getting an item's stats stopped, and the request's failure there (none for gradeLink,
/// where no request failed: the page lacked the link).
struct ItemFetchFailure {
    ItemFetchStep step;
    std::optional<RequestFailure> request;
    int errorStatus = 0;

    bool operator==(const ItemFetchFailure &) const = default;
};

/// Fetches the item page at `detailAddress`, follows the link of grade `gradeNumber` (1…12) to its
/// tooltip page and cuts the stat text from it. Both requests go through `requester`, one after
/// the other. The stat text comes from the grade's tooltip page only: when that page was not
/// fetched there is none, and the caller adds the item with an empty stat text.
/// An item's stat text, and the status of the first of its answers that was 400 or more (0: none was).
struct ItemStats {
    std::string statText;
    int errorStatus = 0;
};

Outcome<ItemStats, ItemFetchFailure> fetchItemStats(HttpRequester &requester, std::string_view detailAddress,
                                                      int gradeNumber);

} // namespace velmora
