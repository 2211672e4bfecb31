#include "tests/support/LoopbackServer.h"

#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace velmora::test {

namespace {

bool sameName(const std::string &a, const std::string &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

std::string RecordedRequest::header(const std::string &name) const
{
    for (const auto &[key, value] : headers)
        if (sameName(key, name))
            return value;
    return {};
}

struct LoopbackServer::Impl {
    httplib::Server server;
    std::thread thread;
    int port = 0;

    mutable std::mutex mutex;
    std::condition_variable stopping;
    bool stopped = false;
    std::map<std::string, Handler> handlers;
    std::vector<RecordedRequest> received;
    std::atomic<std::size_t> generatedSent{0};

    void generate(httplib::Response &res, const CannedResponse &reply);

    void answer(const httplib::Request &req, httplib::Response &res)
    {
        RecordedRequest record;
        record.method = req.method;
        record.target = req.target;
        record.path = req.path;
        record.headers.assign(req.headers.begin(), req.headers.end());
        record.body = req.body;
        record.connection = req.remote_addr + ":" + std::to_string(req.remote_port);

        Handler handler;
        {
            std::lock_guard lock(mutex);
            received.push_back(record);
            if (auto it = handlers.find(req.path); it != handlers.end())
                handler = it->second;
        }
        if (!handler) {
            res.status = 404;
            res.set_content("not found", "text/plain");
            return;
        }
        const CannedResponse reply = handler(record);
        if (reply.delay.count() > 0) {
            std::unique_lock lock(mutex);
            stopping.wait_for(lock, reply.delay, [this] { return stopped; });
        }
        res.status = reply.status;
        for (const auto &[key, value] : reply.headers)
            res.set_header(key.c_str(), value);
        if (reply.generatedBodyBytes > 0) {
            generate(res, reply);
            return;
        }
        if (!reply.closeMidBody) {
            res.set_content(reply.body, reply.contentType.c_str());
            return;
        }
        // Announce the whole length, deliver the first half, then give up: the client sees the
        // connection close in the middle of the body.
        const std::string body = reply.body;
        res.set_content_provider(body.size(), reply.contentType.c_str(),
                                 [body](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                     if (offset == 0)
                                         sink.write(body.data(), body.size() / 2);
                                     return false;
                                 });
    }
};

void LoopbackServer::Impl::generate(httplib::Response &res, const CannedResponse &reply)
{
    // Filler made chunk by chunk as the client takes it, so a huge body costs the server nothing.
    const std::size_t total = reply.generatedBodyBytes;
    auto sendSome = [this, total](std::size_t offset, httplib::DataSink &sink) {
        static const std::string filler(64 * 1024, 'x');
        const std::size_t size = std::min(filler.size(), total - offset);
        if (!sink.write(filler.data(), size))
            return false;
        generatedSent += size;
        return true;
    };
    if (!reply.chunked) {
        res.set_content_provider(total, reply.contentType.c_str(),
                                 [sendSome](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                     return sendSome(offset, sink);
                                 });
        return;
    }
    auto offset = std::make_shared<std::size_t>(0);
    res.set_chunked_content_provider(reply.contentType.c_str(), [sendSome, offset, total](std::size_t,
                                                                                           httplib::DataSink &sink) {
        if (*offset >= total) {
            sink.done();
            return true;
        }
        if (!sendSome(*offset, sink))
            return false;
        *offset += std::min<std::size_t>(64 * 1024, total - *offset);
        return true;
    });
}

LoopbackServer::LoopbackServer() : m_impl(std::make_unique<Impl>())
{
    Impl &impl = *m_impl;
    auto route = [&impl](const httplib::Request &req, httplib::Response &res) { impl.answer(req, res); };
    impl.server.Get(".*", route);
    impl.server.Post(".*", route);
    impl.server.Put(".*", route);
    impl.server.Delete(".*", route);
    impl.server.Options(".*", route);
    impl.server.Patch(".*", route);
    impl.server.set_keep_alive_timeout(2);
    impl.port = impl.server.bind_to_any_port("127.0.0.1");
    if (impl.port <= 0)
        throw std::runtime_error("loopback server: cannot bind to 127.0.0.1");
    impl.thread = std::thread([&impl] { impl.server.listen_after_bind(); });
    // stop() before the listening loop runs would be lost and join() would hang.
    while (!impl.server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

LoopbackServer::~LoopbackServer()
{
    {
        std::lock_guard lock(m_impl->mutex);
        m_impl->stopped = true;
    }
    m_impl->stopping.notify_all();
    m_impl->server.stop();
    m_impl->thread.join();
}

int LoopbackServer::port() const { return m_impl->port; }

std::string LoopbackServer::base() const { return "http://127.0.0.1:" + std::to_string(m_impl->port); }

std::string LoopbackServer::url(const std::string &path) const { return base() + path; }

void LoopbackServer::on(const std::string &path, CannedResponse response)
{
    on(path, [response = std::move(response)](const RecordedRequest &) { return response; });
}

void LoopbackServer::on(const std::string &path, Handler handler)
{
    std::lock_guard lock(m_impl->mutex);
    m_impl->handlers[path] = std::move(handler);
}

std::vector<RecordedRequest> LoopbackServer::requests() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->received;
}

std::size_t LoopbackServer::generatedBytesSent() const { return m_impl->generatedSent; }

std::size_t LoopbackServer::requestCount() const
{
    std::lock_guard lock(m_impl->mutex);
    return m_impl->received.size();
}

} // namespace velmora::test
