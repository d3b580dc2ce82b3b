#pragma once

// The few socket calls the loopback test servers make, the same on POSIX and on Windows.
#ifdef _WIN32
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cerrno>

using SocketHandle = SOCKET;
constexpr SocketHandle NoSocketHandle = INVALID_SOCKET;
#define SHUT_WR SD_SEND
#define SHUT_RDWR SD_BOTH

// Winsock needs starting once per process before its first socket.
inline const bool LoopbackSocketsStarted = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
}();

inline int closeSocket(SocketHandle socket)
{
    return ::closesocket(socket);
}

inline int pollSockets(pollfd *records, unsigned count, int msecs)
{
    return ::WSAPoll(records, ULONG(count), msecs);
}

// True for a failure that only asks to try again.
inline bool socketWouldBlock()
{
    const int code = WSAGetLastError();
    return code == WSAEWOULDBLOCK || code == WSAEINTR;
}

// Winsock takes its option values as char pointers.
inline int setSocketOption(SocketHandle socket, int level, int name, const void *value, int length)
{
    return ::setsockopt(socket, level, name, static_cast<const char *>(value), length);
}

// Without waiting: what is there, or -1 when nothing is.
inline int receiveNow(SocketHandle socket, char *data, int size)
{
    u_long ready = 0;
    if (::ioctlsocket(socket, FIONREAD, &ready) != 0 || ready == 0)
        return -1;
    return ::recv(socket, data, size, 0);
}

// Windows raises no signal for a dead peer.
constexpr int NoSignal = 0;
constexpr int SendWithoutSignal = 0;
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

using SocketHandle = int;
constexpr SocketHandle NoSocketHandle = -1;

inline int closeSocket(SocketHandle socket)
{
    return ::close(socket);
}

inline int pollSockets(pollfd *records, unsigned count, int msecs)
{
    return ::poll(records, nfds_t(count), msecs);
}

inline bool socketWouldBlock()
{
    return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK;
}

inline int setSocketOption(SocketHandle socket, int level, int name, const void *value,
                           socklen_t length)
{
    return ::setsockopt(socket, level, name, value, length);
}

inline int receiveNow(SocketHandle socket, char *data, int size)
{
    return int(::recv(socket, data, size_t(size), MSG_DONTWAIT));
}

constexpr int NoSignal = MSG_NOSIGNAL;
constexpr int SendWithoutSignal = MSG_NOSIGNAL | MSG_DONTWAIT;
#endif
