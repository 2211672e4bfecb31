#include "bench/PlainHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velmora::bench {

namespace {

bool sendAll(int socket, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t sent = ::send(socket, data.data(), data.size(), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
}

std::string_view headerValue(std::string_view head, std::string_view name)
{
    std::size_t at = head.find("\r\n");
    while (at != std::string_view::npos && at + 2 < head.size()) {
        const std::size_t lineStart = at + 2;
        const std::size_t lineEnd = head.find("\r\n", lineStart);
        const std::string_view line = head.substr(lineStart, lineEnd - lineStart);
        const std::size_t colon = line.find(':');
        if (colon == name.size()) {
            bool same = true;
            for (std::size_t i = 0; i < colon && same; ++i)
                same = std::tolower(static_cast<unsigned char>(line[i])) == std::tolower(static_cast<unsigned char>(name[i]));
            if (same) {
                std::string_view value = line.substr(colon + 1);
                while (!value.empty() && value.front() == ' ')
                    value.remove_prefix(1);
                return value;
            }
        }
        at = lineEnd;
    }
    return {};
}

} // namespace

struct PlainHttpServer::Impl {
    Answer answer;
    int listener = -1;
    int port = 0;
    std::thread acceptor;
    std::mutex mutex;
    std::vector<int> connections;
    std::vector<std::thread> workers;

    // Answers the requests of one connection until the client closes it.
    void serve(int socket)
    {
        std::string buffer;
        char chunk[16 * 1024];
        for (;;) {
            std::size_t headEnd;
            while ((headEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
                const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
                if (got <= 0)
                    return;
                buffer.append(chunk, static_cast<std::size_t>(got));
            }
            const std::string head = buffer.substr(0, headEnd);
            std::size_t bodyLength = 0;
            const std::string_view length = headerValue(head, "Content-Length");
            for (char c : length)
                if (c >= '0' && c <= '9')
                    bodyLength = bodyLength * 10 + static_cast<std::size_t>(c - '0');
            while (buffer.size() < headEnd + 4 + bodyLength) {
                const ssize_t got = ::recv(socket, chunk, sizeof chunk, 0);
                if (got <= 0)
                    return;
                buffer.append(chunk, static_cast<std::size_t>(got));
            }
            buffer.erase(0, headEnd + 4 + bodyLength);

            const std::string_view requestLine = std::string_view(head).substr(0, head.find("\r\n"));
            const std::size_t space1 = requestLine.find(' ');
            const std::size_t space2 = requestLine.find(' ', space1 + 1);
            if (space1 == std::string_view::npos || space2 == std::string_view::npos)
                return;
            const PlainResponse response = answer(requestLine.substr(0, space1),
                                                  requestLine.substr(space1 + 1, space2 - space1 - 1),
                                                  headerValue(head, "Host"));
            std::string out = "HTTP/1.1 " + std::to_string(response.status) + " OK\r\nContent-Type: "
                              + response.contentType + "\r\nContent-Length: " + std::to_string(response.body.size())
                              + "\r\nConnection: keep-alive\r\n\r\n";
            out += response.body;
            if (!sendAll(socket, out))
                return;
        }
    }
};

PlainHttpServer::PlainHttpServer(Answer answer) : m_impl(std::make_unique<Impl>())
{
    Impl &impl = *m_impl;
    impl.answer = std::move(answer);
    impl.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t addressSize = sizeof address;
    if (impl.listener < 0 || ::bind(impl.listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(impl.listener, 16) != 0
        || ::getsockname(impl.listener, reinterpret_cast<sockaddr *>(&address), &addressSize) != 0) {
        if (impl.listener >= 0)
            ::close(impl.listener);
        throw std::runtime_error("plain server: cannot listen on 127.0.0.1");
    }
    impl.port = ntohs(address.sin_port);
    impl.acceptor = std::thread([&impl] {
        for (;;) {
            const int socket = ::accept4(impl.listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket < 0)
                return; // the listener was shut down
            int on = 1;
            ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
            const std::lock_guard lock(impl.mutex);
            impl.connections.push_back(socket);
            impl.workers.emplace_back([&impl, socket] { impl.serve(socket); });
        }
    });
}

PlainHttpServer::~PlainHttpServer()
{
    Impl &impl = *m_impl;
    ::shutdown(impl.listener, SHUT_RDWR);
    impl.acceptor.join();
    ::close(impl.listener);
    {
        const std::lock_guard lock(impl.mutex);
        for (int socket : impl.connections)
            ::shutdown(socket, SHUT_RDWR);
    }
    for (std::thread &worker : impl.workers)
        worker.join();
    for (int socket : impl.connections)
        ::close(socket);
}

PlainSampleSite::PlainSampleSite(const site::Catalog &catalog)
    : m_site(catalog),
      m_server([this](std::string_view method, std::string_view target, std::string_view host) {
          site::SiteResponse response = m_site.answer(method, target, host);
          return PlainResponse{response.status, std::move(response.contentType), std::move(response.body)};
      })
{
}

int PlainHttpServer::port() const { return m_impl->port; }

std::string PlainHttpServer::base() const { return "http://127.0.0.1:" + std::to_string(m_impl->port); }

} // namespace velmora::bench
