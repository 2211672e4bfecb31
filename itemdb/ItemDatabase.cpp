#include "itemdb/ItemDatabase.h"

#include "itemdb/ItemPage.h"

namespace velmora {

namespace {

// One whole request on the shared requester: the page's text, taken out of the requester rather
// than copied, or why there is none.
struct Page {
    std::string text;
    int status = 0;
};

Outcome<Page, RequestFailure> request(HttpRequester &requester, std::string_view method, std::string_view address)
{
    if (!requester.open(method, address) || !requester.send())
        return Failed{requester.failure()};
    return Page{std::move(requester.takeResponseText()).value_or(std::string()), requester.status()};
}

int errorStatus(int status) { return status >= 400 ? status : 0; }

} // namespace

Outcome<SearchAnswer, RequestFailure> searchItems(HttpRequester &requester, std::string_view siteBase,
                                                  std::u16string_view term)
{
    const Outcome<Page, RequestFailure> page = request(requester, "POST", searchAddress(siteBase, term));
    if (!page)
        return Failed{page.why()};
    // The hits keep their own texts: the page, mostly markup, goes when this returns.
    return SearchAnswer{cutSearchPage(page.value().text), page.value().status};
}

Outcome<ItemStats, ItemFetchFailure> fetchItemStats(HttpRequester &requester, std::string_view detailAddress,
                                                    int gradeNumber)
{
    const Outcome<Page, RequestFailure> itemPage = request(requester, "GET", detailAddress);
    if (!itemPage)
        return Failed{ItemFetchFailure{ItemFetchStep::itemPage, itemPage.why()}};
    const int itemStatus = errorStatus(itemPage.value().status);

    const std::optional<std::string> address = tooltipAddress(itemPage.value().text, gradeNumber);
    if (!address)
        return Failed{ItemFetchFailure{ItemFetchStep::gradeLink, std::nullopt, itemStatus}};

    const Outcome<Page, RequestFailure> tooltip = request(requester, "GET", *address);
    if (!tooltip)
        return Failed{ItemFetchFailure{ItemFetchStep::tooltipPage, tooltip.why(), itemStatus}};

    return ItemStats{statTextFromTooltip(tooltip.value().text),
                     itemStatus != 0 ? itemStatus : errorStatus(tooltip.value().status)};
}

} // namespace velmora
