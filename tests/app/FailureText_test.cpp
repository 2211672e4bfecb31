// Every way a request can fail, each made to happen over a real socket on 127.0.0.1, and what
// the player is told about it.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include <curl/curl.h>

#include "app/FailureText.h"
#include "itemdb/HttpRequester.h"
#include "tests/app/WindowFixture.h"
#include "tests/support/RawReplyServer.h"
#ifndef _WIN32
#include "tests/support/SelfSignedTlsServer.h"
#endif

using namespace std::chrono_literals;

namespace velmora::test {
namespace {

// The transfer library allocates through these, set before anything else in this program uses
// it: while `failAllocations` is on, every allocation but a string copy fails (the address is
// still handed over, then the transfer itself runs out of memory).
std::atomic<bool> failAllocations{false};

void *curlMalloc(std::size_t size) { return failAllocations ? nullptr : std::malloc(size); }
void curlFree(void *block) { std::free(block); }
void *curlRealloc(void *block, std::size_t size) { return failAllocations ? nullptr : std::realloc(block, size); }
char *curlStrdup(const char *text) { return ::strdup(text); }
void *curlCalloc(std::size_t count, std::size_t size) { return failAllocations ? nullptr : std::calloc(count, size); }

const bool curlAllocatorsSet = [] {
    return curl_global_init_mem(CURL_GLOBAL_DEFAULT, curlMalloc, curlFree, curlRealloc, curlStrdup, curlCalloc) ==
           CURLE_OK;
}();

// An environment variable set, or removed (nullopt), for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char *name, std::optional<std::string> value) : m_name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            m_old = qgetenv(name);
        if (value)
            qputenv(name, QByteArray::fromStdString(*value));
        else
            qunsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            qputenv(m_name, *m_old);
        else
            qunsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    const char *m_name;
    std::optional<QByteArray> m_old;
};

CannedResponse redirectTo(std::string location)
{
    return CannedResponse{.status = 302, .body = "moved", .headers = {{"Location", std::move(location)}}};
}

// A page whose header is `lines` lines of `lineBytes` bytes each, on top of the usual ones.
CannedResponse withHeader(int lines, std::size_t lineBytes)
{
    CannedResponse reply{.body = "page"};
    for (int i = 0; i < lines; ++i)
        reply.headers.emplace_back("X-Filler-" + std::to_string(i), std::string(lineBytes, 'a'));
    return reply;
}

// One way to fail: the request, what the requester makes of it and what the player reads.
struct FailureRow {
    const char *what;
    std::string address;
    RequestFailure failure;
    const char *text;
    std::chrono::milliseconds timeout = 20s;
    std::optional<std::string> httpProxy = std::nullopt; // the environment's http_proxy
    std::string certificateStore = {};
    bool outOfMemory = false;
};

void expectFailures(const std::vector<FailureRow> &rows)
{
    ASSERT_TRUE(curlAllocatorsSet);
    for (const FailureRow &row : rows) {
        SCOPED_TRACE(row.what);
        // The requester takes its proxy from the environment, as a player's system sets it.
        const ScopedEnv proxy("http_proxy", row.httpProxy);
        const ScopedEnv noProxy("no_proxy", std::nullopt), noProxyUpper("NO_PROXY", std::nullopt);
        HttpRequester requester(RequestLimits{.timeout = row.timeout, .maxBodyBytes = 1u << 20},
                                row.certificateStore);
        ASSERT_TRUE(requester.open("GET", row.address));
        failAllocations = row.outOfMemory;
        EXPECT_FALSE(requester.send());
        failAllocations = false;
        EXPECT_EQ(requester.failure(), row.failure) << requester.failureDetail();
        EXPECT_EQ(requester.responseText(), std::nullopt);
        EXPECT_EQ(failureText(requester.failure()), QString::fromUtf8(row.text));
    }
}

TEST(FailureText, EachFailureSaysWhatWentWrong)
{
    LoopbackServer site;
    CannedResponse held{.body = "late", .delay = 60s}; // held until the server stops
    site.on("/page", CannedResponse{.body = "page"});
    site.on("/held", held);
    site.on("/over", CannedResponse{.body = std::string((1u << 20) + 1, 'x')});
    site.on("/cut", CannedResponse{.body = std::string(100'000, 'x'), .closeMidBody = true});
    site.on("/loop", redirectTo("/loop"));
    site.on("/to-file", redirectTo("file:///etc/passwd"));
    site.on("/one-huge-line", withHeader(1, 200'000));
    site.on("/many-lines", withHeader(300, 1'000));
    RawReplyServer http09("벨모라 버전 3\n"); // no status line at all
    RawReplyServer brokenStatus("HTTP/1.1 abc OK\r\nContent-Length: 2\r\n\r\nok");
    RawReplyServer garbledHeader("HTTP/1.1 200 OK\r\nno colon in this line\r\nContent-Length: 2\r\n\r\nok");
    RawReplyServer silent("");
    RawReplyServer cutInHeader("HTTP/1.1 200 OK\r\nContent-Le");
    const std::string closedPort = LoopbackServer().url("/");

    const std::vector<FailureRow> rows = {
        {"redirect to file:", site.url("/to-file"), RequestFailure::refusedAddress, "허용되지 않는 주소입니다"},
        {"nothing listens", closedPort, RequestFailure::couldNotConnect, "사이트에 연결할 수 없습니다"},
        {"the proxy does not listen", site.url("/page"), RequestFailure::proxyUnreachable,
         "프록시 서버에 연결할 수 없습니다", 20s, closedPort},
        {"out of memory before any answer", site.url("/page"), RequestFailure::outOfMemory, "메모리가 부족합니다",
         20s, std::nullopt, {}, true},
        {"answer held back", site.url("/held"), RequestFailure::timedOut, "응답 시간이 초과되었습니다", 300ms},
        {"body past the limit", site.url("/over"), RequestFailure::bodyTooLarge, "응답이 너무 큽니다"},
        {"cut off mid-body", site.url("/cut"), RequestFailure::transferFailed, "전송이 중간에 끊겼습니다"},
        {"cut off mid-header", cutInHeader.url("/"), RequestFailure::transferFailed, "전송이 중간에 끊겼습니다"},
        {"closed without a word", silent.url("/"), RequestFailure::noAnswer,
         "사이트가 아무 응답 없이 연결을 끊었습니다"},
        {"HTTP/0.9 answer", http09.url("/"), RequestFailure::notHttp, "사이트의 응답이 올바른 HTTP 응답이 아닙니다"},
        {"broken status line", brokenStatus.url("/"), RequestFailure::notHttp,
         "사이트의 응답이 올바른 HTTP 응답이 아닙니다"},
        {"header line without a colon", garbledHeader.url("/"), RequestFailure::notHttp,
         "사이트의 응답이 올바른 HTTP 응답이 아닙니다"},
        {"redirect loop", site.url("/loop"), RequestFailure::tooManyRedirects, "리디렉션 횟수가 너무 많습니다"},
        {"one 200 KB header line", site.url("/one-huge-line"), RequestFailure::headerTooLarge,
         "응답 헤더가 너무 큽니다"},
        {"300 KB of header lines", site.url("/many-lines"), RequestFailure::headerTooLarge, "응답 헤더가 너무 큽니다"},
        {"https to a plain http server", "https://127.0.0.1:" + std::to_string(site.port()) + "/",
         RequestFailure::secureConnectionFailed, "보안 연결을 맺을 수 없습니다"},
    };
    expectFailures(rows);
}

TEST(FailureText, AnUntrustedCertificateIsRefused)
{
#ifdef _WIN32
    GTEST_SKIP() << "Schannel under Wine accepts a self-signed certificate, and the https server that "
                    "presents one is the openssl command of the build machine";
#else
    SelfSignedTlsServer untrusted;
    expectFailures({
        {"no store of trusted certificates", untrusted.url("/"), RequestFailure::certificateStoreUnreadable,
         "이 컴퓨터의 인증서 저장소를 읽을 수 없습니다", 20s, std::nullopt, "/nonexistent/velmora-ca.pem"},
        {"self-signed certificate", untrusted.url("/"), RequestFailure::untrustedConnection,
         "보안 연결의 인증서를 확인할 수 없습니다"},
    });
#endif
}

TEST(FailureText, EveryFailureHasWordsOfItsOwn)
{
    // otherFailure is the last of the failures.
    std::set<QString> seen;
    for (int i = static_cast<int>(RequestFailure::none) + 1; i <= static_cast<int>(RequestFailure::otherFailure); ++i) {
        const QString text = failureText(static_cast<RequestFailure>(i));
        EXPECT_FALSE(text.isEmpty()) << i;
        EXPECT_TRUE(seen.insert(text).second) << "said twice: " << text.toStdString();
    }
    EXPECT_EQ(failureText(RequestFailure::none), QString());
}

TEST(FailureText, AnItemWithoutStatsSaysWhichStepFailed)
{
    const std::pair<ItemFetchFailure, const char *> rows[] = {
        {{ItemFetchStep::noAddress, std::nullopt}, "검색 결과에 아이템 주소가 없습니다"},
        {{ItemFetchStep::itemPage, RequestFailure::refusedAddress}, "아이템 페이지 요청 실패 (허용되지 않는 주소입니다)"},
        {{ItemFetchStep::itemPage, RequestFailure::proxyUnreachable},
         "아이템 페이지 요청 실패 (프록시 서버에 연결할 수 없습니다)"},
        {{ItemFetchStep::gradeLink, std::nullopt, 404}, "아이템 페이지에서 이 등급의 링크를 찾지 못함"},
        {{ItemFetchStep::tooltipPage, RequestFailure::timedOut}, "툴팁 페이지 요청 실패 (응답 시간이 초과되었습니다)"},
    };
    for (const auto &[failure, text] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(fetchFailureText(failure), QString::fromUtf8(text));
    }
}

TEST(FailureText, OnlyAnErrorStatusIsNoted)
{
    const std::pair<int, const char *> rows[] = {
        {0, ""},
        {200, ""},
        {304, ""},
        {399, ""},
        {400, "사이트 응답 HTTP 400"},
        {404, "사이트 응답 HTTP 404"},
        {503, "사이트 응답 HTTP 503"},
    };
    for (const auto &[status, note] : rows)
        EXPECT_EQ(siteStatusNote(status), QString::fromUtf8(note)) << status;
}

using FailureTextWindow = WindowTest;

TEST_F(FailureTextWindow, TheStatusBarNamesTheFailure)
{
    site.on("/dataninfo/item/list.php", redirectTo("/dataninfo/item/list.php"));
    searchFor(QStringLiteral("목걸이"));
    EXPECT_EQ(status(), QStringLiteral("검색 실패: 리디렉션 횟수가 너무 많습니다"));
}

} // namespace
} // namespace velmora::test
