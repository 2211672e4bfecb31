#include "itemdb/ItemDatabase.h"

#include "itemdb/ItemPage.h"

namespace velmora {

namespace {

constexpr int firstErrorStatus = 400;

// A page as one request brought it: its text, taken out of the requester rather than copied,
// and the status it came with.
struct Page {
    std::string text;
    int status = 0;
};

// One whole request on the shared requester: the page, or why there is none.
Outcome<Page, RequestFailure> request(HttpRequester &requester, std::string_view method, std::string_view address)
{
    if (!requester.open(method, address) || !requester.send())
        return Failed{requester.failure()};
    return Page{std::move(requester.takeResponseText()).value_or(std::string()), requester.status()};
}

// The status when it says the site answered with an error, else 0.
int errorStatusOf(const Page &page)
{
    return page.status >= firstErrorStatus ? page.status : 0;
}

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

Outcome<TooltipLink, ItemFetchFailure> fetchTooltipLink(HttpRequester &requester, std::string_view detailAddress,
                                                        int gradeNumber)
{
    // A hit whose page gave it no address is not a refused address: there is nothing to ask for.
    if (detailAddress.empty())
        return Failed{ItemFetchFailure{ItemFetchStep::noAddress, std::nullopt}};

    const Outcome<Page, RequestFailure> itemPage = request(requester, "GET", detailAddress);
    if (!itemPage)
        return Failed{ItemFetchFailure{ItemFetchStep::itemPage, itemPage.why()}};
    const int itemPageError = errorStatusOf(itemPage.value());

    std::optional<std::string> address = tooltipAddress(itemPage.value().text, gradeNumber);
    if (!address)
        return Failed{ItemFetchFailure{ItemFetchStep::gradeLink, std::nullopt, itemPageError}};
    return TooltipLink{std::move(*address), itemPageError};
}

Outcome<ItemStats, ItemFetchFailure> fetchTooltipStats(HttpRequester &requester, const TooltipLink &link)
{
    const Outcome<Page, RequestFailure> tooltip = request(requester, "GET", link.address);
    if (!tooltip)
        return Failed{ItemFetchFailure{ItemFetchStep::tooltipPage, tooltip.why(), link.itemPageError}};

    // The item page's error is named first: it is the one the player's click ran into.
    return ItemStats{statTextFromTooltip(tooltip.value().text),
                     link.itemPageError != 0 ? link.itemPageError : errorStatusOf(tooltip.value())};
}

Outcome<ItemStats, ItemFetchFailure> fetchItemStats(HttpRequester &requester, std::string_view detailAddress,
                                                    int gradeNumber)
{
    const Outcome<TooltipLink, ItemFetchFailure> link = fetchTooltipLink(requester, detailAddress, gradeNumber);
    if (!link)
        return Failed{link.why()};
    return fetchTooltipStats(requester, link.value());
}

} // namespace velmora
