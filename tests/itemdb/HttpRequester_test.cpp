// The request object against a real HTTP server on loopback: what goes over the wire, what comes
// back, and that a failed request never leaves text behind.
#include "itemdb/HttpRequester.h"
#include "tests/support/LoopbackServer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using velmora::HttpRequester;
using velmora::RequestFailure;
using velmora::RequestLimits;
using velmora::test::CannedResponse;
using velmora::test::LoopbackServer;

namespace {

CannedResponse page(std::string body, std::string contentType = "text/html; charset=utf-8", int status = 200)
{
    CannedResponse reply;
    reply.status = status;
    reply.body = std::move(body);
    reply.contentType = std::move(contentType);
    return reply;
}

CannedResponse redirect(int status, std::string location)
{
    CannedResponse reply = page("moved", "text/html; charset=utf-8", status);
    reply.headers = {{"Location", std::move(location)}};
    return reply;
}

// One whole request; the text, or nullopt when open() or send() failed.
std::optional<std::string> fetch(HttpRequester &requester, const std::string &method, const std::string &address)
{
    if (!requester.open(method, address) || !requester.send())
        return std::nullopt;
    return requester.responseText();
}

// A gzip member holding `data` in one stored deflate block, so the test needs no zlib.
std::string gzipStored(const std::string &data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char byte : data) {
        crc ^= byte;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    const auto le = [](std::uint32_t v, int bytes) {
        std::string out;
        for (int i = 0; i < bytes; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
        return out;
    };
    const auto size = static_cast<std::uint32_t>(data.size());
    return std::string("\x1F\x8B\x08\0\0\0\0\0\0\xFF\x01", 11) + le(size, 2) + le(~size, 2) + data + le(~crc, 4) +
           le(size, 4);
}

} // namespace

TEST(HttpRequester, SendsTheRequestExactlyAsOpened)
{
    LoopbackServer server;
    for (const char *path : {"/dataninfo/item/list.php", "/item/detail.php", "/item/detail.php/./x/../"})
        server.on(path, page("본문"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"POST", "/dataninfo/item/list.php?datagroup=list4&sname=%61%62%63"},
        {"POST", "/dataninfo/item/list.php?datagroup=list4&sname=%EB%AA%A9%EA%B1%B8%EC%9D%B4"},
        {"POST", "/dataninfo/item/list.php?datagroup=list4&sname="},
        {"GET", "/item/detail.php?id=%2B+1&g=%ED%95%9C"},
        {"GET", "/item/detail.php/./x/../"}, // no dot-segment tidying either
    };
    HttpRequester requester;
    for (const auto &[method, target] : cases) {
        SCOPED_TRACE(method + " " + target);
        EXPECT_EQ(fetch(requester, method, server.url(target)), "본문") << requester.failureDetail();
        const auto got = server.requests().back();
        EXPECT_EQ(got.method, method);
        EXPECT_EQ(got.target, target);
        EXPECT_EQ(got.body, "");
        EXPECT_EQ(got.header("Content-Length"), method == "POST" ? "0" : "");
        EXPECT_EQ(got.header("Content-Type"), "");
        EXPECT_EQ(got.header("Expect"), "");
    }
}

TEST(HttpRequester, ConsecutiveRequestsShareOneConnection)
{
    LoopbackServer server;
    server.on("/a", page("A"));
    HttpRequester requester;
    for (const char *method : {"POST", "GET", "GET", "POST"})
        ASSERT_EQ(fetch(requester, method, server.url("/a")), "A") << requester.failureDetail();
    HttpRequester other;
    ASSERT_EQ(fetch(other, "GET", server.url("/a")), "A");

    const auto got = server.requests();
    ASSERT_EQ(got.size(), 5u);
    for (std::size_t i = 1; i < 4; ++i)
        EXPECT_EQ(got[i].connection, got[0].connection) << "request " << i;
    EXPECT_NE(got[4].connection, got[0].connection);
}

TEST(HttpRequester, NeverShowsAnEarlierResponse)
{
    LoopbackServer server;
    server.on("/first", page("first"));
    server.on("/second", page("second"));
    HttpRequester requester;
    EXPECT_FALSE(requester.send()); // nothing opened yet
    EXPECT_EQ(requester.failure(), RequestFailure::notOpened);

    ASSERT_EQ(fetch(requester, "GET", server.url("/first")), "first");
    ASSERT_TRUE(requester.open("GET", server.url("/second")));
    EXPECT_EQ(requester.responseText(), std::nullopt); // opened, not yet sent
    ASSERT_TRUE(requester.send());
    EXPECT_EQ(requester.responseText(), "second");

    EXPECT_FALSE(requester.open("GET", "file:///etc/passwd"));
    EXPECT_EQ(requester.responseText(), std::nullopt);
    EXPECT_FALSE(requester.send()); // the refused open left nothing to send
    EXPECT_EQ(requester.failure(), RequestFailure::notOpened);
    EXPECT_EQ(fetch(requester, "DELETE", server.url("/first")), std::nullopt);
    EXPECT_EQ(server.requestCount(), 2u);
}

TEST(HttpRequester, TakingTheTextLeavesNoneBehind)
{
    LoopbackServer server;
    server.on("/first", page("first"));
    server.on("/second", page("second"));
    HttpRequester requester;
    ASSERT_TRUE(requester.open("GET", server.url("/first")));
    ASSERT_TRUE(requester.send());
    EXPECT_EQ(requester.takeResponseText(), "first");
    EXPECT_EQ(requester.responseText(), std::nullopt);
    EXPECT_EQ(requester.takeResponseText(), std::nullopt);
    EXPECT_EQ(requester.failure(), RequestFailure::none);

    EXPECT_EQ(fetch(requester, "GET", server.url("/second")), "second");
    EXPECT_FALSE(requester.open("GET", "ftp://127.0.0.1/"));
    EXPECT_EQ(requester.takeResponseText(), std::nullopt);
}

TEST(HttpRequester, RequestsOnlyAbsoluteHttpAddresses)
{
    LoopbackServer server;
    server.on("/ok", page("ok"));
    const std::string hostPort = "127.0.0.1:" + std::to_string(server.port());
    const std::vector<std::string> refused = {
        "",
        "file:///etc/passwd",
        "FILE:///etc/passwd",
        "data:text/html,<b>x</b>",
        "javascript:alert(1)",
        "ftp://" + hostPort + "/ok",
        "/ok",
        hostPort + "/ok",
        "//" + hostPort + "/ok",
        "http:/" + hostPort + "/ok",
        "http:///ok",
        "http://:80/ok",
        "http://" + hostPort + "/ok\r\nX-Injected: 1",
        "http://" + hostPort + "/o k",
        "http://" + hostPort + std::string("/ok\0.txt", 8),
        "http://" + hostPort + "/ok?" + std::string(10'000, 'a'),
    };
    HttpRequester requester;
    for (const std::string &address : refused) {
        SCOPED_TRACE(address);
        EXPECT_FALSE(requester.open("GET", address));
        EXPECT_EQ(requester.failure(), RequestFailure::refusedAddress);
        EXPECT_FALSE(requester.send());
        EXPECT_EQ(requester.responseText(), std::nullopt);
    }
    EXPECT_EQ(server.requestCount(), 0u);

    EXPECT_EQ(fetch(requester, "GET", "HTTP://" + hostPort + "/ok"), "ok");
    EXPECT_EQ(fetch(requester, "GET", "Http://" + hostPort + "/ok#part"), "ok");
    // The longest address still sent: 8 KB.
    const std::string longest = "http://" + hostPort + "/ok?";
    EXPECT_EQ(fetch(requester, "GET", longest + std::string(8192 - longest.size(), 'a')), "ok");
}

TEST(HttpRequester, FailedRequestsGiveNoText)
{
    LoopbackServer server;
    server.on("/fine", page("fine"));
    CannedResponse slow = page("late");
    slow.delay = 10s;
    server.on("/slow", slow);
    server.on("/huge", page(std::string(4u << 20, 'x'), "application/octet-stream"));
    server.on("/over", page(std::string((1u << 20) + 1, 'x'), "application/octet-stream"));
    CannedResponse cut = page(std::string(100'000, 'x'));
    cut.closeMidBody = true;
    server.on("/cut", cut);
    server.on("/loop", redirect(302, "/loop"));
    server.on("/to-file", redirect(302, "file:///etc/passwd"));
    server.on("/to-ftp", redirect(301, "ftp://127.0.0.1/x"));
    const std::string closedPort = LoopbackServer().url("/fine");

    struct Case {
        std::string address;
        RequestFailure expected;
        std::chrono::milliseconds timeout = 10s;
    };
    const std::vector<Case> cases = {
        {server.url("/slow"), RequestFailure::timedOut, 300ms},
        {server.url("/huge"), RequestFailure::bodyTooLarge},
        {server.url("/over"), RequestFailure::bodyTooLarge},
        {server.url("/cut"), RequestFailure::transferFailed},
        {server.url("/loop"), RequestFailure::tooManyRedirects},
        {server.url("/to-file"), RequestFailure::refusedAddress},
        {server.url("/to-ftp"), RequestFailure::refusedAddress},
        {closedPort, RequestFailure::couldNotConnect},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.address);
        HttpRequester requester(RequestLimits{.timeout = c.timeout, .maxBodyBytes = 1u << 20});
        // A good answer just before must not be mistaken for the failed one's.
        ASSERT_EQ(fetch(requester, "GET", server.url("/fine")), "fine");
        ASSERT_TRUE(requester.open("GET", c.address));
        EXPECT_FALSE(requester.send());
        EXPECT_EQ(requester.failure(), c.expected) << requester.failureDetail();
        EXPECT_FALSE(requester.failureDetail().empty());
        EXPECT_EQ(requester.responseText(), std::nullopt);
    }
}

TEST(HttpRequester, AnswersAreReadWhateverTheStatus)
{
    LoopbackServer server;
    // The redirect's own Content-Type must not decide how the final page is decoded.
    server.on("/old", redirect(302, "/new"));
    server.on("/new", page("\x8C\x63 \xB0\xA1", "text/html; charset=euc-kr"));
    server.on("/error", page("서버 오류", "text/html; charset=utf-8", 500));
    server.on("/limit", page(std::string(1u << 20, 'x'), "application/octet-stream"));
    CannedResponse packed = page(gzipStored("압축된 본문"), "application/octet-stream; charset=utf-8");
    packed.headers = {{"Content-Encoding", "gzip"}};
    server.on("/packed", packed);

    HttpRequester requester(RequestLimits{.maxBodyBytes = 1u << 20});
    EXPECT_EQ(fetch(requester, "GET", server.url("/old")), "똠 가");
    EXPECT_EQ(server.requests().back().target, "/new");
    EXPECT_EQ(fetch(requester, "POST", server.url("/old")), "똠 가");
    EXPECT_EQ(fetch(requester, "GET", server.url("/error")), "서버 오류");
    EXPECT_EQ(fetch(requester, "GET", server.url("/limit")), std::string(1u << 20, 'x')); // the limit itself
    EXPECT_EQ(fetch(requester, "GET", server.url("/packed")), "압축된 본문");
    EXPECT_NE(server.requests().back().header("Accept-Encoding").find("gzip"), std::string::npos);
}

namespace {

// The most memory this process has held so far (VmHWM), in bytes.
std::size_t peakResidentBytes()
{
    std::FILE *status = std::fopen("/proc/self/status", "r");
    char line[256];
    std::size_t kib = 0;
    while (status && std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %zu kB", &kib) == 1)
            break;
    if (status)
        std::fclose(status);
    return kib * 1024;
}

} // namespace

TEST(HttpRequester, AHundredMegabyteBodyStopsAtTheLimit)
{
    constexpr std::size_t hundredMegabytes = 100'000'000;
    constexpr std::size_t limit = RequestLimits{}.maxBodyBytes;
    for (const bool announced : {true, false}) {
        SCOPED_TRACE(announced ? "length announced" : "length not announced");
        LoopbackServer server;
        CannedResponse huge;
        huge.generatedBodyBytes = hundredMegabytes;
        huge.chunked = !announced;
        server.on("/huge", huge);
        [[maybe_unused]] const std::size_t peakBefore = peakResidentBytes();

        HttpRequester requester; // the limits the window uses
        ASSERT_TRUE(requester.open("GET", server.url("/huge")));
        EXPECT_FALSE(requester.send());
        EXPECT_EQ(requester.failure(), RequestFailure::bodyTooLarge) << requester.failureDetail();
        EXPECT_EQ(requester.responseText(), std::nullopt);
        // Cut off: an announced length is refused before the body; a stream is dropped at the
        // limit (what the server counts as sent includes what sat in the sockets' buffers).
        EXPECT_LT(server.generatedBytesSent(), announced ? limit / 4 : hundredMegabytes * 3 / 4);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer keeps freed blocks; its figures say nothing here
        EXPECT_LT(peakResidentBytes() - peakBefore, 2 * limit);
#endif
    }
}

TEST(HttpRequester, ReportsTheFinalAnswersStatus)
{
    LoopbackServer server;
    server.on("/ok", page("ok"));
    server.on("/gone", page("없는 페이지", "text/html; charset=utf-8", 404));
    server.on("/busy", page("점검 중", "text/html; charset=utf-8", 503));
    server.on("/moved", redirect(301, "/gone"));
    server.on("/moved-ok", redirect(302, "/ok"));
    const std::string closedPort = LoopbackServer().url("/ok");

    struct Case {
        const char *what;
        std::string address;
        int status;
        std::optional<std::string> text;
    };
    const std::vector<Case> cases = {
        {"found", server.url("/ok"), 200, "ok"},
        {"not found, its page still read", server.url("/gone"), 404, "없는 페이지"},
        {"unavailable, its page still read", server.url("/busy"), 503, "점검 중"},
        {"redirected to a missing page", server.url("/moved"), 404, "없는 페이지"},
        {"redirected to a found page", server.url("/moved-ok"), 200, "ok"},
        {"nothing listens", closedPort, 0, std::nullopt},
    };
    HttpRequester requester;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // After a 503 the next answer's own status shows, or none when it failed.
        ASSERT_EQ(fetch(requester, "GET", server.url("/busy")), "점검 중");
        ASSERT_EQ(requester.status(), 503);
        ASSERT_TRUE(requester.open("GET", c.address));
        EXPECT_EQ(requester.status(), 0); // opened, nothing answered yet
        EXPECT_EQ(requester.send(), c.text.has_value());
        EXPECT_EQ(requester.status(), c.status);
        EXPECT_EQ(requester.takeResponseText(), c.text);
        EXPECT_EQ(requester.status(), c.status); // taking the text keeps the status
    }
    EXPECT_FALSE(requester.open("GET", "file:///etc/passwd"));
    EXPECT_EQ(requester.status(), 0);
}
