#pragma once

#include <memory>
#include <string>

namespace velmora::test {

/// An https server on 127.0.0.1 (ephemeral port) whose certificate, for 127.0.0.1, is signed
/// by nobody but itself: made fresh with the `openssl` command when the object is made, and
/// served by `openssl s_server` for the life of the object. No client that checks certificates
/// can trust it. Throws std::runtime_error when the `openssl` command cannot do its part.
class SelfSignedTlsServer {
public:
    SelfSignedTlsServer();
    ~SelfSignedTlsServer();
    SelfSignedTlsServer(const SelfSignedTlsServer &) = delete;
    SelfSignedTlsServer &operator=(const SelfSignedTlsServer &) = delete;

    int port() const;
    /// "https://127.0.0.1:<port>" + path
    std::string url(const std::string &path) const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace velmora::test
