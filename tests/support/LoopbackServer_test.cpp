// The fixture itself: what it records must be what went over the wire, or every HTTP test
// built on it proves nothing.
#include "tests/support/LoopbackServer.h"
#include "tests/support/Sockets.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>

using velmora::test::CannedResponse;
using velmora::test::LoopbackServer;
namespace sockets = velmora::test::sockets;

namespace {

// A client that writes exactly the bytes it is given, so nothing between the test and the
// server can normalise the request line.
class RawClient {
public:
    explicit RawClient(int port)
    {
        m_socket = sockets::openTcp();
        if (!sockets::connectToLoopback(m_socket, port))
            ADD_FAILURE() << "cannot connect to the loopback server";
    }
    ~RawClient() { sockets::closeSocket(m_socket); }

    // Sends one request and reads until the response's announced body has arrived or the peer
    // closes.
    std::string exchange(const std::string &request)
    {
        sockets::sendSome(m_socket, request.data(), request.size());
        std::string got;
        char buffer[4096];
        while (true) {
            const auto headerEnd = got.find("\r\n\r\n");
            if (headerEnd != std::string::npos) {
                const auto lengthAt = got.find("Content-Length: ");
                if (lengthAt != std::string::npos && lengthAt < headerEnd) {
                    const auto length = std::stoul(got.substr(lengthAt + 16));
                    if (got.size() >= headerEnd + 4 + length)
                        return got;
                }
            }
            const long n = sockets::receiveSome(m_socket, buffer, sizeof buffer);
            if (n <= 0)
                return got;
            got.append(buffer, static_cast<std::size_t>(n));
        }
    }

private:
    sockets::Socket m_socket = sockets::invalidSocket;
};

std::string bodyOf(const std::string &response)
{
    const auto at = response.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : response.substr(at + 4);
}

} // namespace

TEST(LoopbackServer, RecordsTheRequestTargetByteForByte)
{
    LoopbackServer server;
    server.on("/dataninfo/item/list.php", CannedResponse{.body = "page"});

    const std::string targets[] = {
        "/dataninfo/item/list.php?datagroup=list4&sname=%61%62%63",
        "/dataninfo/item/list.php?datagroup=list4&sname=%EB%AA%A9%EA%B1%B8%EC%9D%B4",
        "/dataninfo/item/list.php?datagroup=list4&sname=",
        "/dataninfo/item/list.php?sname=%2B%20+",
    };
    for (const auto &target : targets) {
        RawClient client(server.port());
        const std::string reply = client.exchange("POST " + target +
                                                  " HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        EXPECT_EQ(bodyOf(reply), "page") << target;
    }
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), std::size(targets));
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].method, "POST");
        EXPECT_EQ(requests[i].target, targets[i]);
        EXPECT_EQ(requests[i].path, "/dataninfo/item/list.php");
        EXPECT_EQ(requests[i].body, "");
        EXPECT_EQ(requests[i].header("content-length"), "0");
    }
}

TEST(LoopbackServer, TellsConnectionsApart)
{
    LoopbackServer server;
    server.on("/a", CannedResponse{.body = "A"});
    const std::string get = "GET /a HTTP/1.1\r\nHost: x\r\n\r\n";
    {
        RawClient kept(server.port());
        EXPECT_EQ(bodyOf(kept.exchange(get)), "A");
        EXPECT_EQ(bodyOf(kept.exchange(get)), "A");
    }
    RawClient other(server.port());
    EXPECT_EQ(bodyOf(other.exchange(get)), "A");

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[0].connection, requests[1].connection);
    EXPECT_NE(requests[1].connection, requests[2].connection);
}

TEST(LoopbackServer, AnswersAsTold)
{
    LoopbackServer server;
    server.on("/error", CannedResponse{.status = 500, .body = "boom", .contentType = "text/plain; charset=euc-kr"});
    server.on("/cut", CannedResponse{.body = std::string(1000, 'x'), .closeMidBody = true});
    server.on("/echo", [](const velmora::test::RecordedRequest &req) {
        return CannedResponse{.body = req.method + " " + req.body};
    });

    RawClient a(server.port());
    const std::string error = a.exchange("GET /error HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(error.rfind("HTTP/1.1 500", 0), 0u) << error;
    EXPECT_NE(error.find("Content-Type: text/plain; charset=euc-kr"), std::string::npos);
    EXPECT_EQ(bodyOf(error), "boom");

    RawClient b(server.port());
    const std::string cut = b.exchange("GET /cut HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_NE(cut.find("Content-Length: 1000"), std::string::npos);
    EXPECT_EQ(bodyOf(cut), std::string(500, 'x'));

    RawClient c(server.port());
    EXPECT_EQ(bodyOf(c.exchange("PUT /echo HTTP/1.1\r\nHost: x\r\nContent-Length: 3\r\n\r\nabc")), "PUT abc");

    RawClient d(server.port());
    EXPECT_EQ(d.exchange("GET /nothing HTTP/1.1\r\nHost: x\r\n\r\n").rfind("HTTP/1.1 404", 0), 0u);
}

TEST(LoopbackServer, StopsPromptlyWhileAnAnswerIsHeldBack)
{
    auto server = std::make_unique<LoopbackServer>();
    server->on("/hang", CannedResponse{.body = "late", .delay = std::chrono::hours(1)});
    RawClient client(server->port());
    std::string reply;
    std::thread asker([&] { reply = client.exchange("GET /hang HTTP/1.1\r\nHost: x\r\n\r\n"); });
    while (server->requestCount() == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    server.reset(); // cuts the hour short; a hang here is caught by ctest's time-out
    asker.join();
    EXPECT_EQ(bodyOf(reply), "late");
}
