#ifdef _WIN32
// inet_pton, getaddrinfo and the poll constants need Windows Vista's headers at least.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#endif

#include "net/PlatformSocket.h"

#include "net/NameLookup.h"
#include "net/SocketError.h"

#include <QDeadlineTimer>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <utility>

#ifndef _WIN32
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr int SendFlags = 0;

int nativeToNumber(int native)
{
    return native; // already a Windows Sockets number
}

int lastError()
{
    return WSAGetLastError();
}

void startSockets()
{
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    if (!started)
        throw SocketError(10091); // the network subsystem is unavailable
}

// select() rather than WSAPoll(): older WSAPoll never reports a failed connection attempt.
int pollOne(quintptr handle, short events, int msecs)
{
    const auto socket = SOCKET(handle);
    fd_set readable, writable, failed;
    FD_ZERO(&readable);
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    if (events & POLLIN)
        FD_SET(socket, &readable);
    if (events & POLLOUT) {
        FD_SET(socket, &writable);
        FD_SET(socket, &failed);
    }
    timeval limit{msecs / 1000, (msecs % 1000) * 1000};
    return ::select(0, &readable, &writable, &failed, msecs < 0 ? nullptr : &limit);
}
#else
#ifdef MSG_NOSIGNAL
constexpr int SendFlags = MSG_NOSIGNAL; // a dead peer is an error, never SIGPIPE
#else
constexpr int SendFlags = 0;
#endif

int nativeToNumber(int native)
{
    return SocketError::fromErrno(native);
}

int lastError()
{
    return nativeToNumber(errno);
}

void startSockets() {}

int pollOne(int handle, short events, int msecs)
{
    pollfd record{handle, events, 0};
    return ::poll(&record, 1, msecs);
}
#endif

int clampedLength(qsizetype size)
{
    return int(std::min<qsizetype>(size, 1 << 30));
}

struct Address
{
    sockaddr_storage storage{};
    socklen_t length = 0;
};

template <typename SockAddr>
Address addressOf(const SockAddr &value)
{
    Address address;
    std::memcpy(&address.storage, &value, sizeof value);
    address.length = socklen_t(sizeof value);
    return address;
}

// The address of the host: an IP literal as it stands, a name through its lookup, which keeps
// to the deadline and calls the wait hook as every other wait does.
Address resolve(const QString &host, quint16 port, QDeadlineTimer deadline,
                const std::function<void()> &waitHook)
{
    const QByteArray ascii = PlatformSocket::asciiHost(host);
    sockaddr_in v4{};
    if (::inet_pton(AF_INET, ascii.constData(), &v4.sin_addr) == 1) {
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        return addressOf(v4);
    }
    sockaddr_in6 v6{};
    if (::inet_pton(AF_INET6, ascii.constData(), &v6.sin6_addr) == 1) {
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        return addressOf(v6);
    }
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr =
        NameLookup::ipv4Address(ascii, deadline, waitHook, PlatformSocket::WaitHookIntervalMs);
    v4.sin_port = htons(port);
    return addressOf(v4);
}

bool isAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
}

} // namespace

PlatformSocket::~PlatformSocket()
{
    close();
}

QByteArray PlatformSocket::asciiHost(const QString &host)
{
    QString name = host;
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    return isAscii(name) ? name.toLatin1() : QUrl::toAce(name);
}

void PlatformSocket::prepareResolver()
{
    try {
        startSockets();
        (void)NameLookup::systemIpv4Address(QByteArrayLiteral("localhost"));
    } catch (const SocketError &) {
        // A machine without "localhost" resolves on the first connection, as it would anyway.
    }
}

bool PlatformSocket::isIpLiteral(const QString &host)
{
    const QByteArray ascii = asciiHost(host);
    in6_addr v6{};
    in_addr v4{};
    return ::inet_pton(AF_INET, ascii.constData(), &v4) == 1 ||
           ::inet_pton(AF_INET6, ascii.constData(), &v6) == 1;
}

void PlatformSocket::connect(const QString &host, quint16 port, int msecs)
{
    close();
    startSockets();
    // The lookup and the connection share the connect limit, within the overall deadline.
    const QDeadlineTimer limit(withinDeadline(msecs));
    const Address address = resolve(host, port, limit, m_waitHook);
    const auto handle = ::socket(address.storage.ss_family, SOCK_STREAM, IPPROTO_TCP);
    if (Handle(handle) == NoSocket)
        throw SocketError(lastError());
    m_handle = Handle(handle);
#ifdef _WIN32
    u_long nonBlocking = 1;
    ::ioctlsocket(handle, FIONBIO, &nonBlocking);
#else
    ::fcntl(handle, F_SETFD, FD_CLOEXEC);
    ::fcntl(handle, F_SETFL, ::fcntl(handle, F_GETFL) | O_NONBLOCK);
#endif
    try {
        if (::connect(handle, reinterpret_cast<const sockaddr *>(&address.storage),
                      address.length) != 0) {
            const int code = lastError();
            if (code != SocketError::WouldBlock && code != 10036 &&
                code != SocketError::Interrupted)
                throw SocketError(code);
            if (!waitWritable(int(limit.remainingTime())))
                throw SocketError(SocketError::TimedOut);
            int pending = 0;
            socklen_t length = sizeof pending;
            ::getsockopt(handle, SOL_SOCKET, SO_ERROR, reinterpret_cast<char *>(&pending), &length);
            if (pending != 0)
                throw SocketError(nativeToNumber(pending));
        }
    } catch (...) {
        close();
        throw;
    }
}

bool PlatformSocket::isValid() const
{
    return m_handle != NoSocket;
}

void PlatformSocket::close()
{
    if (!isValid())
        return;
#ifdef _WIN32
    ::closesocket(m_handle);
#else
    ::close(m_handle);
#endif
    m_handle = NoSocket;
}

void PlatformSocket::abort()
{
    if (!isValid())
        return;
    linger hard{};
    hard.l_onoff = 1;
    hard.l_linger = 0;
    ::setsockopt(m_handle, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char *>(&hard),
                 sizeof hard);
    close();
}

qsizetype PlatformSocket::receive(char *data, qsizetype maxBytes)
{
    if (!isValid())
        throw SocketError(SocketError::AfterShutdown);
    for (;;) {
        const auto received = ::recv(m_handle, data, clampedLength(maxBytes), 0);
        if (received >= 0)
            return qsizetype(received);
        const int code = lastError();
        if (code == SocketError::WouldBlock)
            return -1;
        if (code != SocketError::Interrupted)
            throw SocketError(code);
    }
}

qsizetype PlatformSocket::send(const char *data, qsizetype size)
{
    if (!isValid())
        throw SocketError(SocketError::AfterShutdown);
    for (;;) {
        const auto sent = ::send(m_handle, data, clampedLength(size), SendFlags);
        if (sent >= 0)
            return qsizetype(sent);
        const int code = lastError();
        if (code == SocketError::WouldBlock)
            return -1;
        if (code != SocketError::Interrupted)
            throw SocketError(code);
    }
}

void PlatformSocket::sendAll(const char *data, qsizetype size, int msecs)
{
    qsizetype done = 0;
    while (done < size) {
        const qsizetype sent = send(data + done, size - done);
        if (sent > 0)
            done += sent;
        else if (!waitWritable(msecs))
            throw SocketError(SocketError::TimedOut);
    }
}

bool PlatformSocket::waitReadable(int msecs)
{
    return waitFor(POLLIN, msecs);
}

bool PlatformSocket::waitWritable(int msecs)
{
    return waitFor(POLLOUT, msecs);
}

// The wait allowed: msecs (< 0: no limit of its own), cut to what is left before the deadline.
int PlatformSocket::withinDeadline(int msecs) const
{
    if (m_deadline.isForever())
        return msecs;
    const qint64 left = std::max<qint64>(0, m_deadline.remainingTime());
    return int(msecs < 0 ? left : std::min<qint64>(msecs, left));
}

bool PlatformSocket::waitFor(short events, int msecs)
{
    if (!isValid())
        throw SocketError(SocketError::AfterShutdown);
    msecs = withinDeadline(msecs);
    const QDeadlineTimer deadline(msecs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                            : QDeadlineTimer(msecs));
    for (;;) {
        const int ready = pollCallingHook(events, deadline);
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        const int code = lastError();
        if (code != SocketError::Interrupted)
            throw SocketError(code);
    }
}

void PlatformSocket::setWaitHook(std::function<void()> hook)
{
    m_waitHook = std::move(hook);
}

// pollOne() until the deadline, in slices with the wait hook called between them.
int PlatformSocket::pollCallingHook(short events, const QDeadlineTimer &deadline)
{
    if (!m_waitHook)
        return pollOne(m_handle, events, int(deadline.remainingTime()));
    for (;;) {
        const qint64 left = deadline.remainingTime(); // -1: no limit
        const bool lastSlice = left >= 0 && left <= WaitHookIntervalMs;
        const int ready = pollOne(m_handle, events, lastSlice ? int(left) : WaitHookIntervalMs);
        if (ready != 0 || lastSlice)
            return ready;
        m_waitHook();
    }
}
