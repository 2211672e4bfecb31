#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace velmora::test {

/// One request as the server received it.
struct RecordedRequest {
    std::string method;
    std::string target;     // the request target exactly as it stood on the request line
    std::string path;       // the target's path, percent-decoded, without the query
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    std::string connection; // "address:port" of the client's end: equal for one TCP connection

    std::string header(const std::string &name) const; // "" when absent; name case-insensitive
};

/// What the server answers on one path.
struct CannedResponse {
    int status = 200;
    std::string body;
    std::string contentType = "text/html; charset=utf-8";
    std::vector<std::pair<std::string, std::string>> headers = {}; // further headers (Location, …)
    std::chrono::milliseconds delay{0}; // wait before answering (cut short when the server stops)
    bool closeMidBody = false;          // announce the whole body, send half of it, then hang up
    std::size_t generatedBodyBytes = 0; // instead of `body`: this many filler bytes, made as sent
    bool chunked = false;               // send the generated body without announcing its length
};

/// A real HTTP server on 127.0.0.1 with an ephemeral port, running in its own thread for the
/// life of the object. Answers per path (any method); unknown paths get 404. Records every
/// request it receives.
class LoopbackServer {
public:
    using Handler = std::function<CannedResponse(const RecordedRequest &)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    int port() const;
    /// "http://127.0.0.1:<port>"
    std::string base() const;
    /// base() + path
    std::string url(const std::string &path) const;

    void on(const std::string &path, CannedResponse response);
    void on(const std::string &path, Handler handler);

    /// Every request received so far, in arrival order.
    std::vector<RecordedRequest> requests() const;
    std::size_t requestCount() const;
    /// Generated body bytes handed to the network so far, over all answers.
    std::size_t generatedBytesSent() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace velmora::test
