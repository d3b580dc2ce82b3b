#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QtGlobal>

#include <functional>

class QDeadlineTimer;

// The thin layer over the operating system's sockets: one TCP stream socket, always in
// non-blocking mode so that every wait has a limit. Failures throw SocketError.
class PlatformSocket
{
public:
    PlatformSocket() = default;
    ~PlatformSocket();
    PlatformSocket(const PlatformSocket &) = delete;
    PlatformSocket &operator=(const PlatformSocket &) = delete;

    // The host as it goes to the resolver and into TLS: brackets of an IPv6 literal removed,
    // an international name in its ASCII (IDNA) form.
    static QByteArray asciiHost(const QString &host);
    static bool isIpLiteral(const QString &host);
    // Looks up "localhost", which never leaves the machine, so that the resolver reads its
    // configuration and loads its modules now rather than on the first real connection.
    static void prepareResolver();

    // Resolves the host (IPv4 for names, on a thread of its own so that the wait keeps its
    // limits and its hook) and connects; 10060 when msecs pass first.
    void connect(const QString &host, quint16 port, int msecs);
    bool isValid() const;
    void close();
    // Abortive close: the peer sees a reset.
    void abort();

    // Without waiting: the bytes received (> 0), 0 when the peer has closed,
    // -1 when nothing is ready.
    qsizetype receive(char *data, qsizetype maxBytes);
    // Without waiting: the bytes accepted, -1 when the send buffer is full.
    qsizetype send(const char *data, qsizetype size);
    // Sends every byte, each wait for room limited to msecs (10060 past it).
    void sendAll(const char *data, qsizetype size, int msecs);

    // True when readable (or closed, or failed) within msecs; msecs < 0 waits forever.
    bool waitReadable(int msecs);
    bool waitWritable(int msecs);

    // A moment no wait goes past, whatever its own limit (forever by default); it outlives
    // close() and connect(). A wait cut short by it fails as its own limit would.
    void setDeadline(QDeadlineTimer deadline) { m_deadline = deadline; }

    // Called every WaitHookIntervalMs while a wait goes on, never before the first interval
    // has passed; an empty function removes it. It must not use this socket.
    static constexpr int WaitHookIntervalMs = 40;
    void setWaitHook(std::function<void()> hook);

private:
    bool waitFor(short events, int msecs);
    int withinDeadline(int msecs) const;
    int pollCallingHook(short events, const QDeadlineTimer &deadline);

#ifdef _WIN32
    using Handle = quintptr;
    static constexpr Handle NoSocket = ~Handle(0);
#else
    using Handle = int;
    static constexpr Handle NoSocket = -1;
#endif
    Handle m_handle = NoSocket;
    QDeadlineTimer m_deadline{QDeadlineTimer::Forever};
    std::function<void()> m_waitHook;
};
