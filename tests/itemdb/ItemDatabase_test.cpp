// A search and an item's stats over a real socket: whatever page came back is cut, and an answer
// of 400 or more travels along as its status.
#include "itemdb/ItemDatabase.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/SitePages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora {
namespace {

using test::CannedResponse;
using test::LoopbackServer;

const std::string searchPath = "/dataninfo/item/list.php";

CannedResponse answer(int status, std::string body)
{
    return CannedResponse{.status = status, .body = std::move(body)};
}

TEST(ItemDatabase, ASearchCutsWhateverPageCameAndKeepsItsStatus)
{
    const test::PageHit hit{"불꽃 깃 활", "활", test::optionList({"힘 +3"}), "http://127.0.0.1/detail.php?id=1"};
    struct Case {
        const char *what;
        CannedResponse reply;
        std::size_t hits;
        int status;
    };
    const std::vector<Case> cases = {
        {"a page of hits", answer(200, test::resultPage({hit, hit})), 2, 200},
        {"an error page without hits", answer(503, "<html>점검 중입니다</html>"), 0, 503},
        {"an error status on real results", answer(503, test::resultPage({hit})), 1, 503},
        {"not found, yet a result page", answer(404, test::resultPage({hit, hit, hit})), 3, 404},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LoopbackServer site;
        site.on(searchPath, c.reply);
        HttpRequester requester;
        const auto found = searchItems(requester, site.base(), u"활");
        ASSERT_TRUE(found.ok()) << requester.failureDetail();
        EXPECT_EQ(found.value().hits.size(), c.hits);
        EXPECT_EQ(found.value().status, c.status);
    }

    const std::string closedBase = LoopbackServer().base(); // nothing listens there any more
    HttpRequester requester;
    const auto failed = searchItems(requester, closedBase, u"활");
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.why(), RequestFailure::couldNotConnect);
}

TEST(ItemDatabase, AnItemsStatsNameTheFirstErrorStatus)
{
    const std::string tooltip = "str: 5, ";
    struct Case {
        const char *what;
        CannedResponse itemPage;
        CannedResponse tooltipPage;
        Outcome<ItemStats, ItemFetchFailure> expected;
    };
    // The item page's grade links lead to /item/item_layer.inc.php?g=N on the same site.
    LoopbackServer site;
    const std::string links = test::itemPage(site.url("/item/detail.php?g="));
    const std::vector<Case> cases = {
        {"both found", answer(200, links), answer(200, tooltip), ItemStats{"힘5 ", 0}},
        {"the tooltip page not found", answer(200, links), answer(404, "Not Found"), ItemStats{"", 404}},
        {"stats on a tooltip page of status 503", answer(200, links), answer(503, tooltip), ItemStats{"힘5 ", 503}},
        {"an item page of status 404, then the tooltip", answer(404, links), answer(200, tooltip),
         ItemStats{"힘5 ", 404}},
        {"both 4xx: the first one is named", answer(404, links), answer(410, "Gone"), ItemStats{"", 404}},
        {"a 404 page without the grade's link", answer(404, "Not Found"), answer(200, tooltip),
         Failed{ItemFetchFailure{ItemFetchStep::gradeLink, std::nullopt, 404}}},
        {"a found page without the grade's link", answer(200, "<html></html>"), answer(200, tooltip),
         Failed{ItemFetchFailure{ItemFetchStep::gradeLink, std::nullopt, 0}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        site.on("/item/detail.php", c.itemPage);
        site.on("/item/item_layer.inc.php", c.tooltipPage);
        HttpRequester requester;
        const auto stats = fetchItemStats(requester, site.url("/item/detail.php"), 6);
        ASSERT_EQ(stats.ok(), c.expected.ok()) << (stats.ok() ? stats.value().statText : requester.failureDetail());
        if (stats.ok()) {
            EXPECT_EQ(stats.value().statText, c.expected.value().statText);
            EXPECT_EQ(stats.value().errorStatus, c.expected.value().errorStatus);
        } else {
            EXPECT_EQ(stats.why(), c.expected.why());
        }
    }
    const auto asked = site.requests();
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked[1].target, "/item/item_layer.inc.php?g=6");
}

TEST(ItemDatabase, AFailedRequestKeepsTheItemPagesErrorStatus)
{
    LoopbackServer site;
    const std::string closedBase = LoopbackServer().base();
    // The grade's link leads to a site where nothing listens.
    site.on("/gone/detail.php", answer(404, test::itemPage(closedBase + "/detail.php?g=")));
    site.on("/found/detail.php", answer(200, test::itemPage(closedBase + "/detail.php?g=")));
    struct Case {
        const char *what;
        std::string address;
        ItemFetchFailure expected;
    };
    const std::vector<Case> cases = {
        {"the item page unreachable", closedBase + "/detail.php", {ItemFetchStep::itemPage, RequestFailure::couldNotConnect, 0}},
        {"a 404 item page, its tooltip unreachable", site.url("/gone/detail.php"),
         {ItemFetchStep::tooltipPage, RequestFailure::couldNotConnect, 404}},
        {"a found item page, its tooltip unreachable", site.url("/found/detail.php"),
         {ItemFetchStep::tooltipPage, RequestFailure::couldNotConnect, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        HttpRequester requester;
        const auto stats = fetchItemStats(requester, c.address, 3);
        ASSERT_FALSE(stats.ok());
        EXPECT_EQ(stats.why(), c.expected);
    }
}

TEST(ItemDatabase, AHitWithoutAnAddressAsksForNothing)
{
    LoopbackServer site;
    HttpRequester requester;
    // A page fetched before must not be taken for the missing item's.
    site.on("/item/detail.php", answer(200, test::itemPage(site.url("/item/detail.php?g="))));
    ASSERT_TRUE(fetchItemStats(requester, site.url("/item/detail.php"), 1).ok());
    const std::size_t before = site.requestCount();

    const auto stats = fetchItemStats(requester, "", 1);
    ASSERT_FALSE(stats.ok());
    EXPECT_EQ(stats.why(), (ItemFetchFailure{ItemFetchStep::noAddress, std::nullopt, 0}));
    EXPECT_EQ(site.requestCount(), before);
}

} // namespace
} // namespace velmora
