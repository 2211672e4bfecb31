#include "tests/support/RawReplyServer.h"

#include "tests/support/Sockets.h"

#include <stdexcept>
#include <thread>

namespace velmora::test {

using namespace sockets;

struct RawReplyServer::Impl {
    std::string reply;
    Socket listener = invalidSocket;
    Socket stop[2] = {invalidSocket, invalidSocket}; // written to when the server is to stop
    int port = 0;
    std::thread thread;

    ~Impl()
    {
        for (const Socket socket : {listener, stop[0], stop[1]})
            closeSocket(socket);
    }

    // Waits until `socket` can be read or the server stops; false when it stops.
    bool readable(Socket socket) const
    {
        pollfd fds[2] = {{socket, POLLIN, 0}, {stop[0], POLLIN, 0}};
        waitReadable(fds, 2);
        return (fds[1].revents & POLLIN) == 0;
    }

    void answer(Socket connection) const
    {
        // The request's head, up to its blank line: closing with unread bytes would reset the
        // connection instead of ending it.
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos && readable(connection)) {
            const long n = receiveSome(connection, buffer, sizeof buffer);
            if (n <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(n));
        }
        for (std::size_t sent = 0; sent < reply.size();) {
            const long n = sendSome(connection, reply.data() + sent, reply.size() - sent);
            if (n <= 0)
                break;
            sent += static_cast<std::size_t>(n);
        }
        shutdownSending(connection);
    }

    void run() const
    {
        while (readable(listener)) {
            const Socket connection = acceptOne(listener);
            if (connection == invalidSocket)
                continue;
            answer(connection);
            closeSocket(connection);
        }
    }
};

RawReplyServer::RawReplyServer(std::string reply) : m_impl(std::make_unique<Impl>())
{
    Impl &impl = *m_impl;
    impl.reply = std::move(reply);
    if (!connectedPair(impl.stop))
        throw std::runtime_error("raw reply server: no stop channel");
    impl.listener = openTcp();
    if (impl.listener == invalidSocket || (impl.port = listenOnLoopback(impl.listener)) == 0)
        throw std::runtime_error("raw reply server: cannot listen on 127.0.0.1");
    impl.thread = std::thread([&impl] { impl.run(); });
}

RawReplyServer::~RawReplyServer()
{
    const char stopByte = 1;
    sendSome(m_impl->stop[1], &stopByte, 1);
    m_impl->thread.join();
}

int RawReplyServer::port() const { return m_impl->port; }

std::string RawReplyServer::url(const std::string &path) const
{
    return "http://127.0.0.1:" + std::to_string(m_impl->port) + path;
}

} // namespace velmora::test
