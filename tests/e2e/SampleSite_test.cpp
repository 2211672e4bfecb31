// The sample site against the program's own page cutting: whatever the site serves must cut back
// into exactly the catalog's items, or a window test against it proves nothing.
#include "sample-site/SampleSite.h"

#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"
#include "itemdb/ItemPage.h"
#include "itemdb/SearchPage.h"
#include "itemdb/URLEncode.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

using namespace velmora;
using velmora::site::Catalog;
using velmora::site::CatalogItem;
using velmora::site::LocalSampleSite;
using Hit = velmora::SearchResultRow;

namespace {

const Catalog &catalog() { return Catalog::builtIn(); }

std::string itemAddress(const LocalSampleSite &site, int code)
{
    return site.base() + "/dataninfo/item/detail.php?code=" + std::to_string(code);
}

Hit expectedRow(const LocalSampleSite &site, const CatalogItem &item)
{
    std::string options;
    for (const std::string &line : item.options)
        options += (options.empty() ? "" : ",") + line;
    return {item.name, item.kind, options, itemAddress(site, item.code)};
}

// A client that sends the target byte for byte (httplib would otherwise encode "+" and blanks).
httplib::Client clientOf(const LocalSampleSite &site)
{
    httplib::Client client("127.0.0.1", site.port());
    client.set_url_encode(false);
    return client;
}

std::string get(const LocalSampleSite &site, const std::string &target, int expectedStatus = 200)
{
    httplib::Client client = clientOf(site);
    const httplib::Result result = client.Get(target);
    if (!result) {
        ADD_FAILURE() << "no answer to " << target;
        return {};
    }
    EXPECT_EQ(result->status, expectedStatus) << target;
    return result->body;
}

std::vector<SearchResultRow> search(const LocalSampleSite &site, const std::string &encodedTerm)
{
    httplib::Client client = clientOf(site);
    const httplib::Result result = client.Post("/dataninfo/item/list.php?datagroup=list4&sname=" + encodedTerm);
    if (!result || result->status != 200) {
        ADD_FAILURE() << "search for " << encodedTerm << " failed";
        return {};
    }
    return cutSearchPage(result->body).rows();
}

std::size_t count(std::string_view text, std::string_view marker)
{
    std::size_t n = 0;
    for (std::size_t at = text.find(marker); at != std::string_view::npos; at = text.find(marker, at + marker.size()))
        ++n;
    return n;
}

// "공격력30 힘12 " -> {공격력: 30, 힘: 12}
std::map<std::string, int> statEntries(const std::string &statText)
{
    std::map<std::string, int> entries;
    std::size_t start = 0;
    for (std::size_t space = statText.find(' '); space != std::string::npos; space = statText.find(' ', start)) {
        const std::string entry = statText.substr(start, space - start);
        const std::size_t digits = entry.find_first_of("0123456789");
        entries[entry.substr(0, digits)] = std::stoi(entry.substr(digits));
        start = space + 1;
    }
    EXPECT_EQ(start, statText.size()) << "stat text must end with an entry's space: " << statText;
    return entries;
}

bool isRangedKind(const std::string &kind) { return kind == "활" || kind == "석궁"; }

} // namespace

TEST(SampleSiteSearch, EveryItemCutsBackIntoItsCatalogFields)
{
    const LocalSampleSite site;
    ASSERT_GE(catalog().items().size(), 40u);
    const std::vector<Hit> rows = search(site, ""); // the empty term lists everything
    ASSERT_EQ(rows.size(), catalog().items().size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(rows[i], expectedRow(site, catalog().items()[i])) << "item " << catalog().items()[i].code;
}

TEST(SampleSiteSearch, TermsFindTheItemsWhoseNameHoldsThem)
{
    const struct {
        std::string encodedTerm;
        std::string term;
        std::size_t leastHits;
    } cases[] = {
        {URLEncode(u"목걸이"), "목걸이", 4},
        {URLEncode(u"불꽃"), "불꽃", 3},
        {"%eb%aa%a9%ea%b1%b8%ec%9d%b4", "목걸이", 4},        // lowercase hex digits
        {"%EB%B6%88%EA%BD%83+%EC%8B%AC%EC%9E%A5", "불꽃 심장", 1}, // a browser form's "+" is a blank
        {URLEncode(u"강철 발톱"), "강철 발톱", 1},                 // the program's %20
        {URLEncode(u"없는 아이템"), "없는 아이템", 0},
        {"100%", "100%", 0},                                  // a lone "%" is kept, not refused
    };
    const LocalSampleSite site;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.encodedTerm);
        std::vector<Hit> expected;
        for (const CatalogItem &item : catalog().items())
            if (item.name.find(c.term) != std::string::npos)
                expected.push_back(expectedRow(site, item));
        EXPECT_GE(expected.size(), c.leastHits);
        EXPECT_EQ(search(site, c.encodedTerm), expected);
    }
}

TEST(SampleSiteSearch, ReachesTheProgramsOwnClient)
{
    const LocalSampleSite site;
    HttpRequester requester;
    auto first = searchItems(requester, site.base(), u"불꽃");
    ASSERT_TRUE(first.ok());
    EXPECT_EQ(first.value().status, 200);
    ASSERT_GE(first.value().hits.size(), 3u);
    const std::vector<SearchResultRow> hits = first.value().hits.rows();
    // The hits own their texts: they stay whole when the outcome is moved and copied and the
    // requester has fetched other pages since.
    const SearchHits found = std::move(first).value().hits;
    const SearchHits copy = found;
    EXPECT_TRUE(searchItems(requester, site.base(), u"목걸이").ok());
    EXPECT_EQ(found.rows(), hits);
    EXPECT_EQ(copy, found);
    const auto stats = fetchItemStats(requester, found.text(0, SearchHits::detailAddress), 6);
    ASSERT_TRUE(stats.ok());
    EXPECT_FALSE(stats.value().statText.empty());
    EXPECT_EQ(stats.value().errorStatus, 0);
}

TEST(SampleSiteSearch, AnswersAPostWithoutAnyBodyHeaders)
{
    // What `curl -X POST` sends: neither Content-Length nor Transfer-Encoding, so no body.
    const LocalSampleSite site;
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(site.port()));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    const std::string request = "POST /dataninfo/item/list.php?datagroup=list4&sname=" + URLEncode(u"목걸이")
                                + " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), 0);
    std::string response;
    char buffer[4096];
    for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        response.append(buffer, static_cast<std::size_t>(n));
    ::close(fd);
    EXPECT_TRUE(response.starts_with("HTTP/1.1 200")) << response.substr(0, 40);
    EXPECT_GE(cutSearchPage(response).size(), 4u);
}

TEST(SampleSiteItemPage, GradeLinksLeadToEachGradesTooltip)
{
    const LocalSampleSite site;
    for (const CatalogItem &item : catalog().items()) {
        SCOPED_TRACE(item.code);
        const std::string page = get(site, "/dataninfo/item/detail.php?code=" + std::to_string(item.code));
        EXPECT_EQ(count(page, "<td class = \"left\"><a href=\""), 12u);
        for (const auto &[grade, gradeName] : {std::pair{1, "저급"}, std::pair{12, "신화"}}) {
            const std::string expected = site.base() + "/dataninfo/item/item_layer.inc.php?code="
                                         + std::to_string(item.code) + "&grade=" + std::to_string(grade);
            ASSERT_EQ(tooltipAddress(page, grade), expected);
            const std::string tooltip = get(site, expected.substr(site.base().size()));
            EXPECT_NE(tooltip.find(item.name), std::string::npos);
            EXPECT_NE(tooltip.find(gradeName), std::string::npos);
        }
    }
}

TEST(SampleSiteTooltip, StatTextCarriesTheCatalogStatsAndRisesWithGrade)
{
    using velmora::site::Stat;
    const LocalSampleSite site;
    for (const CatalogItem &item : catalog().items()) {
        SCOPED_TRACE(item.name);
        auto statsAt = [&](int grade) {
            return statEntries(statTextFromTooltip(get(site, "/dataninfo/item/item_layer.inc.php?code="
                                                                 + std::to_string(item.code)
                                                                 + "&grade=" + std::to_string(grade))));
        };
        const std::map<std::string, int> low = statsAt(1);
        const std::map<std::string, int> high = statsAt(12);

        const bool weapon = item.base(Stat::dps) > 0;
        EXPECT_EQ(low.contains("원공"), weapon && isRangedKind(item.kind));
        EXPECT_EQ(low.contains("공격력"), weapon && !isRangedKind(item.kind));

        // Grade 1 shows the catalog's own values under the program's labels; zeros are left out.
        const std::pair<const char *, Stat> labels[] = {
            {isRangedKind(item.kind) ? "원공" : "공격력", Stat::dps},
            {"주문력", Stat::mdps}, {"방어도", Stat::armor}, {"저항도", Stat::resist}, {"힘", Stat::str},
            {"체력", Stat::sta}, {"정신", Stat::spi}, {"민첩", Stat::dex}, {"지능", Stat::intellect},
        };
        std::map<std::string, int> expected;
        for (const auto &[label, stat] : labels)
            if (item.base(stat) > 0)
                expected[label] = item.base(stat);
        EXPECT_FALSE(expected.empty());
        EXPECT_EQ(low, expected);

        ASSERT_EQ(high.size(), low.size());
        for (const auto &[label, value] : low)
            EXPECT_GT(high.at(label), value) << label;
    }
}

TEST(SampleSite, AnswersWhatItDoesNotHaveWithAnError)
{
    const struct {
        std::string method;
        std::string target;
        std::string host;
        int status;
    } cases[] = {
        {"GET", "/dataninfo/item/detail.php?code=999999", "h", 404},
        {"GET", "/dataninfo/item/detail.php?code=-1001", "h", 404},
        {"GET", "/dataninfo/item/detail.php?grade=1", "h", 404},
        {"GET", "/dataninfo/item/item_layer.inc.php?code=1001&grade=0", "h", 404},
        {"GET", "/dataninfo/item/item_layer.inc.php?code=1001&grade=13", "h", 404},
        {"GET", "/dataninfo/item/item_layer.inc.php?code=1001&grade=1x", "h", 404},
        {"GET", "/dataninfo/item/item_layer.inc.php?code=1001", "h", 404},
        {"GET", "/dataninfo/item/item_layer.inc.php?code=999999&grade=1", "h", 404},
        {"GET", "/dataninfo/item/nothing.php", "h", 404},
        {"POST", "/dataninfo/item/detail.php?code=1001", "h", 405},
        {"GET", "/dataninfo/item/list.php?sname=a", "h", 400},              // no datagroup
        {"GET", "/dataninfo/item/list.php?datagroup=list5&sname=a", "h", 400},
        {"GET", "/dataninfo/item/list.php?datagroup=list4&sname=%FF", "h", 400}, // not UTF-8
        {"GET", "/dataninfo/item/list.php?datagroup=list4&sname=%ED%9E", "h", 400},
        {"GET", "/dataninfo/item/list.php?datagroup=list4&sname=", "", 400}, // no Host to link to
        {"GET", "/dataninfo/item/detail.php?code=1001", "a\"><script>", 400},
        {"GET", "/dataninfo/item/detail.php?code=1001", "127.0.0.1:8750", 200},
    };
    const velmora::site::SampleSite site(catalog());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.method + " " + c.target + " Host: " + c.host);
        EXPECT_EQ(site.answer(c.method, c.target, c.host).status, c.status);
    }
}

TEST(SampleSite, EscapesMarkupSoAnEditedCatalogCannotBreakThePages)
{
    const Catalog edited = Catalog::parse(
        "code\tname\tkind\tlevel\titemtype\tstr\tsta\tspi\tdex\tintellect\tdps\tarmor\tresist\tmdps\toptions\n"
        "1\tA&B <검> spacing:-1px;'>x\t검</td><td class\t1\t1\t1\t0\t0\t0\t0\t5\t0\t0\t0\t<li>\"a\"</li></ul>|b\n"
        "2\t<td class = \"left\"><a href=\"\t<td>\t1\t1\t1\t0\t0\t0\t0\t5\t0\t0\t0\t\n");
    const LocalSampleSite site(edited);
    const std::vector<Hit> expected = {
        {"A&amp;B &lt;검&gt; spacing:-1px;&#39;&gt;x", "검&lt;/td&gt;&lt;td class",
         "&lt;li&gt;&quot;a&quot;&lt;/li&gt;&lt;/ul&gt;,b", itemAddress(site, 1)},
        {"&lt;td class = &quot;left&quot;&gt;&lt;a href=&quot;", "&lt;td&gt;", "", itemAddress(site, 2)},
    };
    EXPECT_EQ(search(site, ""), expected);
    EXPECT_EQ(count(get(site, "/dataninfo/item/detail.php?code=2"), "<td class = \"left\"><a href=\""), 12u);
}

TEST(SampleSiteCatalog, RefusesLinesThePagesCouldNotCarry)
{
    const std::string header =
        "code\tname\tkind\tlevel\titemtype\tstr\tsta\tspi\tdex\tintellect\tdps\tarmor\tresist\tmdps\toptions\n";
    const std::string rest = "\t1\t1\t0\t0\t0\t0\t0\t5\t0\t0\t0"; // level, item type, nine stats
    const struct {
        std::string text;
        std::string why;
    } cases[] = {
        {"code\tname\n", "header"},
        {header + "1\t검\t검" + rest + "\n1\t칼\t검" + rest + "\n", "twice"},
        {header + "1\t검\t검\t1\t1\t0\n", "columns"},
        {header + "1\t검\t검\t1\t1\t0\t0\t0\t0\t0\t-5\t0\t0\t0\n", "dps"},
        {header + "1\t검\t검\tx\t1\t0\t0\t0\t0\t0\t5\t0\t0\t0\n", "level"},
        {header + "0\t검\t검" + rest + "\n", "code"},
        {header + "1\t\t검" + rest + "\n", "name"},
        {header + "1\t지팡이\t지팡이\t1\t3\t0\t0\t0\t0\t5\t0\t0\t0\t9\n", "mdps"},
        {header + "1\tarmor: 9\t검" + rest + "\n", "armor: "},
        {header + "1\t검\t검" + rest + "\ta||b\n", "option"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.why);
        try {
            Catalog::parse(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const velmora::site::CatalogError &error) {
            EXPECT_NE(std::string(error.what()).find(c.why), std::string::npos) << error.what();
        }
    }
    // Windows line ends, blank lines and a dropped options column are fine.
    EXPECT_EQ(Catalog::parse(header + "\r\n1\t검\t검" + rest + "\r\n").items().size(), 1u);
}

TEST(SampleSite, RefusesAPortAnotherServerListensOn)
{
    const LocalSampleSite running;
    const velmora::site::SampleSite site(catalog());
    httplib::Server second;
    site.mount(second);
    EXPECT_FALSE(second.bind_to_port("127.0.0.1", running.port()));
}

TEST(SampleSite, ServesTheVersionDocumentAsGiven)
{
    for (const std::string &text : {std::string(velmora::site::defaultVersionText), std::string("4//새 버전")}) {
        const LocalSampleSite site(catalog(), text);
        httplib::Client client = clientOf(site);
        const httplib::Result result = client.Get("/version.txt");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->body, text);
        EXPECT_EQ(result->get_header_value("Content-Type"), "text/plain; charset=utf-8");
    }
    EXPECT_TRUE(velmora::site::defaultVersionText.starts_with("3//"));
}

TEST(SampleSite, LogsOneLinePerRequest)
{
    EXPECT_EQ(velmora::site::requestLogLine("POST", "/list.php?sname=%EB", 200, 512), "POST /list.php?sname=%EB 200 512");
    EXPECT_EQ(velmora::site::requestLogLine("GET", "/a\r\n\xEB", 404, 0), "GET /a\\x0D\\x0A\\xEB 404 0");
}
