#include "itemdb/ItemDatabase.h"

#include "itemdb/ItemPage.h"

namespace velmora {

namespace {

// One whole request on the shared requester: the page's text, or nullopt with the failure left
// in the requester. The text is taken out of the requester, not copied.
std::optional<std::string> request(HttpRequester &requester, std::string_view method, std::string_view address)
{
    if (!requester.open(method, address) || !requester.send())
        return std::nullopt;
    return requester.takeResponseText();
}

} // namespace

SearchOutcome searchItems(HttpRequester &requester, std::string_view siteBase, std::u16string_view term)
{
    SearchOutcome outcome;
    std::optional<std::string> page = request(requester, "POST", searchAddress(siteBase, term));
    if (!page) {
        outcome.failure = requester.failure();
        return outcome;
    }
    // The page is kept where it stands, so the rows cut from it stay valid however the
    // outcome is moved.
    outcome.page = std::make_unique<const std::string>(std::move(*page));
    outcome.rows = cutSearchPage(*outcome.page);
    return outcome;
}

ItemStatsOutcome fetchItemStats(HttpRequester &requester, std::string_view detailAddress, int gradeNumber)
{
    ItemStatsOutcome outcome;
    auto stop = [&](ItemFetchStep step, RequestFailure failure) {
        outcome.failedStep = step;
        outcome.failure = failure;
        return outcome;
    };

    const std::optional<std::string> itemPage = request(requester, "GET", detailAddress);
    if (!itemPage)
        return stop(ItemFetchStep::itemPage, requester.failure());

    const std::optional<std::string> address = tooltipAddress(*itemPage, gradeNumber);
    if (!address)
        return stop(ItemFetchStep::gradeLink, RequestFailure::none);

    const std::optional<std::string> tooltip = request(requester, "GET", *address);
    if (!tooltip)
        return stop(ItemFetchStep::tooltipPage, requester.failure());

    outcome.statText = statTextFromTooltip(*tooltip);
    return outcome;
}

} // namespace velmora
