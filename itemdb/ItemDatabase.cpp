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

// A result page is mostly markup, and the rows cut from it point into it. Their names, kinds and
// addresses are copied into one text of their own, so that the page can go at once and a long
// list holds no more than its texts; one copy, where a text per field would cost thousands of
// allocations. The text stays where it is however the outcome moves.
std::unique_ptr<const std::string> keepHitTexts(std::vector<SearchResultRow> &rows)
{
    std::size_t total = 0;
    for (const SearchResultRow &row : rows)
        total += row.itemName.size() + row.kind.size() + row.detailAddress.size();
    auto texts = std::make_unique<std::string>();
    texts->reserve(total); // never grows past this, so what is in it never moves
    auto keep = [&texts](std::string_view &field) {
        const std::size_t at = texts->size();
        texts->append(field);
        field = std::string_view(texts->data() + at, field.size());
    };
    for (SearchResultRow &row : rows) {
        keep(row.itemName);
        keep(row.kind);
        keep(row.detailAddress);
    }
    return texts;
}

} // namespace

SearchOutcome searchItems(HttpRequester &requester, std::string_view siteBase, std::u16string_view term)
{
    SearchOutcome outcome;
    const std::optional<std::string> page = request(requester, "POST", searchAddress(siteBase, term));
    if (!page) {
        outcome.failure = requester.failure();
        return outcome;
    }
    outcome.rows = cutSearchPage(*page);
    outcome.texts = keepHitTexts(outcome.rows);
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
