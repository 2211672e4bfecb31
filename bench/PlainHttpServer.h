#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "sample-site/SampleSite.h"

namespace velmora::bench {

/// One answer of the plain server.
struct PlainResponse {
    int status = 200;
    std::string contentType;
    std::string body;
};

/// A small HTTP/1.1 server on 127.0.0.1 (a port the system picks) that answers every request
/// through `answer(method, target, host)`, keeps connections alive, sends each response in one
/// write with Nagle's algorithm off, and never compresses. It lets the benchmarks time the
/// program's side of a request: the sample site's own server compresses every page it sends,
/// which on loopback takes far longer than anything the program does.
class PlainHttpServer {
public:
    using Answer = std::function<PlainResponse(std::string_view method, std::string_view target,
                                               std::string_view host)>;

    explicit PlainHttpServer(Answer answer);
    ~PlainHttpServer();
    PlainHttpServer(const PlainHttpServer &) = delete;
    PlainHttpServer &operator=(const PlainHttpServer &) = delete;

    int port() const;
    /// "http://127.0.0.1:<port>"
    std::string base() const;

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

/// The sample site's pages (SampleSite::answer) served by a PlainHttpServer.
class PlainSampleSite {
public:
    /// The catalog must outlive the site.
    explicit PlainSampleSite(const site::Catalog &catalog);

    std::string base() const { return m_server.base(); }
    int port() const { return m_server.port(); }

private:
    site::SampleSite m_site;
    PlainHttpServer m_server;
};

} // namespace velmora::bench
