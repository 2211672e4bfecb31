#include "tests/support/Sockets.h"

#ifdef _WIN32
#include <ws2tcpip.h>

#include <mutex>
#include <stdexcept>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace velmora::test::sockets {

namespace {

sockaddr_in loopback(int port)
{
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<unsigned short>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

#ifdef _WIN32
// Winsock serves a process only after WSAStartup; once is enough for the tests' lifetime.
void startWinsock()
{
    static std::once_flag started;
    std::call_once(started, [] {
        WSADATA data;
        if (WSAStartup(MAKEWORD(2, 2), &data) != 0)
            throw std::runtime_error("Winsock does not start");
    });
}
#endif

} // namespace

Socket openTcp()
{
#ifdef _WIN32
    startWinsock();
    return WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_OVERLAPPED | WSA_FLAG_NO_HANDLE_INHERIT);
#else
    return ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
#endif
}

int listenOnLoopback(Socket socket, int port)
{
    sockaddr_in address = loopback(port);
    socklen_t length = sizeof address;
    if (::bind(socket, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || ::listen(socket, 16) != 0
        || ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length) != 0)
        return 0;
    return ntohs(address.sin_port);
}

bool connectToLoopback(Socket socket, int port)
{
    const sockaddr_in address = loopback(port);
    return ::connect(socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
}

Socket acceptOne(Socket listener) { return ::accept(listener, nullptr, nullptr); }

void closeSocket(Socket socket)
{
    if (socket == invalidSocket)
        return;
#ifdef _WIN32
    ::closesocket(socket);
#else
    ::close(socket);
#endif
}

long receiveSome(Socket socket, char *buffer, std::size_t size)
{
#ifdef _WIN32
    return ::recv(socket, buffer, static_cast<int>(size), 0);
#else
    return ::recv(socket, buffer, size, 0);
#endif
}

long sendSome(Socket socket, const char *data, std::size_t size)
{
#ifdef _WIN32
    return ::send(socket, data, static_cast<int>(size), 0);
#else
    return ::send(socket, data, size, MSG_NOSIGNAL);
#endif
}

void shutdownSending(Socket socket)
{
#ifdef _WIN32
    ::shutdown(socket, SD_SEND);
#else
    ::shutdown(socket, SHUT_WR);
#endif
}

void waitReadable(pollfd *sockets, std::size_t count, int timeoutMs)
{
#ifdef _WIN32
    while (::WSAPoll(sockets, static_cast<ULONG>(count), timeoutMs) < 0 && ::WSAGetLastError() == WSAEINTR) {
    }
#else
    while (::poll(sockets, count, timeoutMs) < 0 && errno == EINTR) {
    }
#endif
}

bool connectedPair(Socket pair[2])
{
#ifdef _WIN32
    // No socketpair() on Windows: a listener on loopback accepts its own connection.
    pair[0] = pair[1] = invalidSocket;
    const Socket listener = openTcp();
    const int port = listener == invalidSocket ? 0 : listenOnLoopback(listener);
    if (port != 0) {
        pair[1] = openTcp();
        if (pair[1] != invalidSocket && connectToLoopback(pair[1], port))
            pair[0] = acceptOne(listener);
    }
    closeSocket(listener);
    if (pair[0] == invalidSocket) {
        closeSocket(pair[1]);
        pair[1] = invalidSocket;
        return false;
    }
    return true;
#else
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0)
        return false;
    pair[0] = fds[0];
    pair[1] = fds[1];
    return true;
#endif
}

} // namespace velmora::test::sockets
