#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "itemdb/HttpRequester.h"
#include "itemdb/Outcome.h"
#include "itemdb/SearchPage.h"

namespace velmora {

/// A search's page, cut into hits, and the HTTP status it came with.
struct SearchAnswer {
    SearchHits hits;
    int status = 0;
};

/// Posts a search for `term` (empty body, the term percent-encoded in the address) and cuts the
/// result page into its hits; or why the site gave no page. Whatever page came back is cut,
/// whatever its status (a 503 page may still list hits); the status only travels along, so the
/// window can say that the site answered with an error.
Outcome<SearchAnswer, RequestFailure> searchItems(HttpRequester &requester, std::string_view siteBase,
                                                  std::u16string_view term);

/// The request that kept an item from getting its stats.
enum class ItemFetchStep {
    noAddress,   // the search hit has no item page address: nothing was requested
    itemPage,    // the item's own page could not be fetched (or its address is not http/https)
    gradeLink,   // the item page has no link for the chosen grade
    tooltipPage, // the grade's tooltip page could not be fetched
};

/// An item's stat text, and the status of the first of its answers that was 400 or more (0: none
/// was). A 404 tooltip page gives an empty stat text and errorStatus 404.
struct ItemStats {
    std::string statText;
    int errorStatus = 0;
};

/// Where getting an item's stats stopped, and the request's failure there (none for gradeLink,
/// where no request failed: the page lacked the link). errorStatus is the item page's status when
/// it was 400 or more and the fetch then stopped (a 404 page without the grade's link), else 0.
struct ItemFetchFailure {
    ItemFetchStep step;
    std::optional<RequestFailure> request;
    int errorStatus = 0;

    bool operator==(const ItemFetchFailure &) const = default;
};

/// Fetches the item page at `detailAddress`, follows the link of grade `gradeNumber` (1…12) to its
/// tooltip page and cuts the stat text from it. Both requests go through `requester`, one after
/// the other; an empty address asks for nothing (noAddress). The stat text comes from the grade's
/// tooltip page only: when that page was not fetched there is none, and the caller adds the item
/// with an empty stat text.
Outcome<ItemStats, ItemFetchFailure> fetchItemStats(HttpRequester &requester, std::string_view detailAddress,
                                                    int gradeNumber);

/// fetchItemStats in its two requests, for a caller that lets other requests go between them:
/// the item page and, on it, the address of the grade's tooltip page (the item page's error
/// status with it); then that tooltip page's stats.
struct TooltipLink {
    std::string address;
    int itemPageError = 0;
};
Outcome<TooltipLink, ItemFetchFailure> fetchTooltipLink(HttpRequester &requester, std::string_view detailAddress,
                                                        int gradeNumber);
Outcome<ItemStats, ItemFetchFailure> fetchTooltipStats(HttpRequester &requester, const TooltipLink &link);

} // namespace velmora
