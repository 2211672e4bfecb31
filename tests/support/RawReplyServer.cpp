#include "tests/support/RawReplyServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

namespace velmora::test {

struct RawReplyServer::Impl {
    std::string reply;
    int listener = -1;
    int stopPipe[2] = {-1, -1}; // written to when the server is to stop
    int port = 0;
    std::thread thread;

    ~Impl()
    {
        for (const int fd : {listener, stopPipe[0], stopPipe[1]})
            if (fd >= 0)
                ::close(fd);
    }

    // Waits until `fd` can be read or the server stops; false when it stops.
    bool readable(int fd) const
    {
        pollfd fds[2] = {{fd, POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
        while (::poll(fds, 2, -1) < 0) {
        }
        return (fds[1].revents & POLLIN) == 0;
    }

    void answer(int connection) const
    {
        // The request's head, up to its blank line: closing with unread bytes would reset the
        // connection instead of ending it.
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && readable(connection)) {
            const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        for (std::size_t sent = 0; sent < reply.size();) {
            const ssize_t n = ::send(connection, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        ::shutdown(connection, SHUT_WR);
    }

    void run() const
    {
        while (readable(listener)) {
            const int connection = ::accept(listener, nullptr, nullptr);
            if (connection < 0)
                continue;
            answer(connection);
            ::close(connection);
        }
    }
};

RawReplyServer::RawReplyServer(std::string reply) : m_impl(std::make_unique<Impl>())
{
    Impl &impl = *m_impl;
    impl.reply = std::move(reply);
    if (::pipe2(impl.stopPipe, O_CLOEXEC) != 0)
        throw std::runtime_error("raw reply server: no pipe");
    impl.listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (impl.listener < 0 || ::bind(impl.listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::listen(impl.listener, 16) != 0
        || ::getsockname(impl.listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        throw std::runtime_error("raw reply server: cannot listen on 127.0.0.1");
    impl.port = ntohs(address.sin_port);
    impl.thread = std::thread([&impl] { impl.run(); });
}

RawReplyServer::~RawReplyServer()
{
    const char stop = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_impl->stopPipe[1], &stop, 1);
    m_impl->thread.join();
}

int RawReplyServer::port() const { return m_impl->port; }

std::string RawReplyServer::url(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

} // namespace velmora::test
