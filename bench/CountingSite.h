#pragma once

// The sample site on loopback for the benchmarks that count what the program asks of it.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <thread>

#include "bench/BenchData.h"
#include "sample-site/SampleSite.h"

namespace velmora::bench {

// The sample site over a generated catalog, in a thread of its own on 127.0.0.1, counting every
// request it receives before answering it.
class CountingSite {
public:
    explicit CountingSite(std::size_t items) : m_catalog(generatedCatalog(items)), m_site(m_catalog)
    {
        m_site.mount(m_server);
        m_server.set_pre_routing_handler([this](const httplib::Request &, httplib::Response &) {
            ++m_requests;
            return httplib::Server::HandlerResponse::Unhandled;
        });
        m_port = m_server.bind_to_any_port("127.0.0.1");
        if (m_port <= 0)
            throw std::runtime_error("cannot listen on 127.0.0.1");
        m_thread = std::thread([this] {
            m_server.listen_after_bind();
            m_listenEnded = true;
        });
        // A stop() that comes before the listening loop runs is lost, and join() would then hang.
        while (!m_server.is_running() && !m_listenEnded)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~CountingSite()
    {
        m_server.stop();
        m_thread.join();
    }
    CountingSite(const CountingSite &) = delete;
    CountingSite &operator=(const CountingSite &) = delete;

    std::string base() const { return "http://127.0.0.1:" + std::to_string(m_port); }
    std::string host() const { return "127.0.0.1:" + std::to_string(m_port); }
    std::int64_t requests() const { return m_requests; }
    const site::Catalog &catalog() const { return m_catalog; }
    const site::SampleSite &site() const { return m_site; }

private:
    const site::Catalog &m_catalog;
    site::SampleSite m_site;
    httplib::Server m_server;
    std::thread m_thread;
    std::atomic<bool> m_listenEnded{false};
    std::atomic<std::int64_t> m_requests{0};
    int m_port = 0;
};

} // namespace velmora::bench
