#pragma once

// The few places where the tests' own sockets differ between POSIX and Winsock, so that the
// servers and clients built on them read the same on both.

#include <cstddef>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

namespace velmora::test::sockets {

#ifdef _WIN32
using Socket = SOCKET;
inline const Socket invalidSocket = INVALID_SOCKET;
#else
using Socket = int;
inline constexpr Socket invalidSocket = -1;
#endif

/// A TCP socket, not inherited by child processes; invalidSocket when none can be made.
Socket openTcp();
/// Binds `socket` to 127.0.0.1:`port` (0: an ephemeral port) and listens; the port, or 0.
int listenOnLoopback(Socket socket, int port = 0);
/// Connects `socket` to 127.0.0.1:`port`.
bool connectToLoopback(Socket socket, int port);
Socket acceptOne(Socket listener);
void closeSocket(Socket socket);

/// Bytes received (0 when the peer has ended, negative on an error).
long receiveSome(Socket socket, char *buffer, std::size_t size);
/// Bytes sent (negative on an error); a peer that has gone raises no signal.
long sendSome(Socket socket, const char *data, std::size_t size);
/// Ends the sending direction, so that the peer reads the end of the stream.
void shutdownSending(Socket socket);

/// Waits until one of `count` sockets can be read (for ever when `timeoutMs` is negative) and
/// says which in each one's `revents`, as poll() does; repeats on interruption.
void waitReadable(pollfd *sockets, std::size_t count, int timeoutMs = -1);

/// Two connected sockets: what a pipe is for a thread that polls sockets, since Winsock cannot
/// poll a pipe. False when they cannot be made.
bool connectedPair(Socket pair[2]);

} // namespace velmora::test::sockets
