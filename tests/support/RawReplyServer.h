#pragma once

#include <memory>
#include <string>

namespace velmora::test {

/// A TCP server on 127.0.0.1 (ephemeral port) that reads each request's head and answers with
/// the same raw bytes, whatever was asked, then closes the connection: for answers that no HTTP
/// server library would send, such as a reply without a status line or nothing at all.
class RawReplyServer {
public:
    explicit RawReplyServer(std::string reply);
    ~RawReplyServer();
    RawReplyServer(const RawReplyServer &) = delete;
    RawReplyServer &operator=(const RawReplyServer &) = delete;

    int port() const;
    /// "http://127.0.0.1:<port>" + path
    std::string url(const std::string &path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace velmora::test
