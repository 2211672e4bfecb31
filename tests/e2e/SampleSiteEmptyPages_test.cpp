// Pages of the sample site that hold little or nothing: each must be answered whole and at once,
// its length announced, so that a client never waits for more.
#include "sample-site/SampleSite.h"

#include "itemdb/HttpRequester.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <string>

using namespace std::chrono_literals;
using velmora::site::Catalog;
using velmora::site::LocalSampleSite;

namespace {

// The time a client gives the site for an answer. Any answer comes within a fraction of it; an
// answer that never ends runs into it, and the request fails.
constexpr auto clientPatience = 10s;

const Catalog &emptyCatalog()
{
    static const Catalog empty = Catalog::parse(
        "code\tname\tkind\tlevel\titemtype\tstr\tsta\tspi\tdex\tintellect\tdps\tarmor\tresist\tmdps\toptions\n");
    return empty;
}

TEST(SampleSiteEmptyPages, AreAnsweredWholeAndAtOnce)
{
    struct Case {
        const char *what;
        const Catalog &catalog;
        std::string versionText;
        std::string method;
        std::string target;
        int status;
        bool emptyBody;
    };
    const std::string search = "/dataninfo/item/list.php?datagroup=list4&sname=";
    const Case cases[] = {
        {"empty version document", Catalog::builtIn(), "", "GET", "/version.txt", 200, true},
        {"empty version document, head only", Catalog::builtIn(), "", "HEAD", "/version.txt", 200, true},
        {"search without hits", Catalog::builtIn(), "3", "POST", search + "%EC%97%86%EC%9D%8C", 200, false},
        {"empty catalog: search", emptyCatalog(), "3", "POST", search, 200, false},
        {"empty catalog: index", emptyCatalog(), "3", "GET", "/", 200, false},
        {"empty catalog: item page", emptyCatalog(), "3", "GET", "/dataninfo/item/detail.php?code=1001", 404, false},
        {"empty catalog: tooltip", emptyCatalog(), "3", "GET",
         "/dataninfo/item/item_layer.inc.php?code=1001&grade=1", 404, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const LocalSampleSite site(c.catalog, c.versionText);
        httplib::Client client("127.0.0.1", site.port());
        client.set_read_timeout(clientPatience);
        const httplib::Result result = c.method == "HEAD" ? client.Head(c.target)
                                       : c.method == "POST" ? client.Post(c.target)
                                                            : client.Get(c.target);
        ASSERT_TRUE(result) << "no whole answer: " << httplib::to_string(result.error());
        EXPECT_EQ(result->status, c.status);
        EXPECT_EQ(result->body.empty(), c.emptyBody);
        // The length is announced, so the answer's end is known without waiting for the
        // connection to close.
        EXPECT_EQ(result->get_header_value("Content-Length"),
                  c.method == "HEAD" ? std::string("0") : std::to_string(result->body.size()));
    }
}

TEST(SampleSiteEmptyPages, TheProgramsClientGetsTheEmptyVersionDocument)
{
    const LocalSampleSite site(Catalog::builtIn(), "");
    velmora::HttpRequester requester(velmora::RequestLimits{.timeout = clientPatience});
    ASSERT_TRUE(requester.open("GET", site.base() + "/version.txt"));
    EXPECT_TRUE(requester.send()) << requester.failureDetail();
    EXPECT_EQ(requester.responseText(), "");
    // The connection stays usable: the next page comes over it as usual.
    ASSERT_TRUE(requester.open("POST", site.base() + "/dataninfo/item/list.php?datagroup=list4&sname="));
    ASSERT_TRUE(requester.send()) << requester.failureDetail();
    EXPECT_NE(requester.responseText().value_or("").find("전체 아이템 " + std::to_string(Catalog::builtIn().items().size()) + "건"),
              std::string::npos);
}

} // namespace
