#include "itemdb/ItemDatabase.h"

#include "itemdb/ItemPage.h"

namespace velmora {

namespace {

// One whole request on the shared requester: the page's text, taken out of the requester rather
// than copied, or why there is none.
Outcome<std::string, RequestFailure> request(HttpRequester &requester, std::string_view method,
                                             std::string_view address)
{
    if (!requester.open(method, address) || !requester.send())
        return Failed{requester.failure()};
    return std::move(requester.takeResponseText()).value_or(std::string());
}

} // namespace

Outcome<SearchHits, RequestFailure> searchItems(HttpRequester &requester, std::string_view siteBase,
                                                std::u16string_view term)
{
    const Outcome<std::string, RequestFailure> page = request(requester, "POST", searchAddress(siteBase, term));
    if (!page)
        return Failed{page.why()};
    // The hits keep their own texts: the page, mostly markup, goes when this returns.
    return cutSearchPage(page.value());
}

Outcome<std::string, ItemFetchFailure> fetchItemStats(HttpRequester &requester, std::string_view detailAddress,
                                                      int gradeNumber)
{
    const Outcome<std::string, RequestFailure> itemPage = request(requester, "GET", detailAddress);
    if (!itemPage)
        return Failed{ItemFetchFailure{ItemFetchStep::itemPage, itemPage.why()}};

    const std::optional<std::string> address = tooltipAddress(itemPage.value(), gradeNumber);
    if (!address)
        return Failed{ItemFetchFailure{ItemFetchStep::gradeLink, std::nullopt}};

    const Outcome<std::string, RequestFailure> tooltip = request(requester, "GET", *address);
    if (!tooltip)
        return Failed{ItemFetchFailure{ItemFetchStep::tooltipPage, tooltip.why()}};

    return statTextFromTooltip(tooltip.value());
}

} // namespace velmora
