#include "ScriptedServer.h"

#include <QMutex>
#include <QMutexLocker>

#include "LoopbackSockets.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

constexpr int PollSliceMs = 20;

// Content-Length of a request head, 0 when absent or unreadable.
qsizetype contentLengthOf(const QByteArray &head)
{
    const QList<QByteArray> lines = head.split('\n');
    for (const QByteArray &line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == "content-length") {
            bool ok = false;
            const qsizetype length = line.mid(colon + 1).trimmed().toLongLong(&ok);
            return ok && length > 0 ? length : 0;
        }
    }
    return 0;
}

qsizetype headEnd(const QByteArray &buffer)
{
    const qsizetype crlf = buffer.indexOf("\r\n\r\n");
    const qsizetype lf = buffer.indexOf("\n\n");
    if (crlf >= 0 && (lf < 0 || crlf < lf))
        return crlf + 4;
    return lf >= 0 ? lf + 2 : -1;
}

} // namespace

ScriptedServer::Script &ScriptedServer::Script::readRequest()
{
    m_steps.append({Step::ReadRequest, {}, 0});
    return *this;
}

ScriptedServer::Script &ScriptedServer::Script::send(const QByteArray &bytes)
{
    m_steps.append({Step::Send, bytes, 0});
    return *this;
}

ScriptedServer::Script &ScriptedServer::Script::respond(const QByteArray &bytes)
{
    return readRequest().send(bytes);
}

ScriptedServer::Script &ScriptedServer::Script::pause(int msecs)
{
    m_steps.append({Step::Pause, {}, msecs});
    return *this;
}

ScriptedServer::Script &ScriptedServer::Script::close()
{
    m_steps.append({Step::Close, {}, 0});
    return *this;
}

ScriptedServer::Script &ScriptedServer::Script::reset()
{
    m_steps.append({Step::Reset, {}, 0});
    return *this;
}

ScriptedServer::Script &ScriptedServer::Script::silent()
{
    m_steps.append({Step::Silent, {}, 0});
    return *this;
}

struct ScriptedServer::Private
{
    QList<Script> scripts;
    SocketHandle listenFd = NoSocketHandle;
    quint16 port = 0;
    std::atomic<bool> stopping{false};
    std::thread acceptThread;
    std::vector<std::thread> connectionThreads;
    mutable QMutex mutex;
    QList<Request> requests;
    int connections = 0;

    void acceptLoop();
    void play(SocketHandle fd, int connection);

    // One connection's input, kept across requests on that connection.
    struct Connection
    {
        SocketHandle fd;
        int number;
        QByteArray input;
        bool peerClosed = false;
    };
    // Waits up to one poll slice for input and appends it; false once the peer has closed,
    // the connection failed or the server is stopping.
    bool receiveSome(Connection &c);
    bool readRequest(Connection &c);
    bool sendAll(SocketHandle fd, const QByteArray &bytes);
    void drainUntilClosed(Connection &c);
};

ScriptedServer::ScriptedServer(const QList<Script> &scripts) : d(std::make_unique<Private>())
{
    if (scripts.isEmpty())
        throw std::invalid_argument("ScriptedServer needs at least one script");
    d->scripts = scripts;
    d->listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (d->listenFd == NoSocketHandle)
        throw std::runtime_error("ScriptedServer: socket() failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(d->listenFd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 ||
        ::listen(d->listenFd, 16) != 0 ||
        ::getsockname(d->listenFd, reinterpret_cast<sockaddr *>(&address), &length) != 0) {
        closeSocket(d->listenFd);
        throw std::runtime_error("ScriptedServer: cannot listen on 127.0.0.1");
    }
    d->port = ntohs(address.sin_port);
    d->acceptThread = std::thread([this] { d->acceptLoop(); });
}

ScriptedServer::~ScriptedServer()
{
    d->stopping = true;
    d->acceptThread.join();
    for (std::thread &thread : d->connectionThreads)
        thread.join();
    closeSocket(d->listenFd);
}

quint16 ScriptedServer::port() const
{
    return d->port;
}

QList<ScriptedServer::Request> ScriptedServer::requests() const
{
    QMutexLocker lock(&d->mutex);
    return d->requests;
}

int ScriptedServer::connectionCount() const
{
    QMutexLocker lock(&d->mutex);
    return d->connections;
}

void ScriptedServer::Private::acceptLoop()
{
    while (!stopping) {
        pollfd listening{listenFd, POLLIN, 0};
        if (pollSockets(&listening, 1, PollSliceMs) <= 0)
            continue;
        const SocketHandle fd = ::accept(listenFd, nullptr, nullptr);
        if (fd == NoSocketHandle)
            continue;
        int number = 0;
        {
            QMutexLocker lock(&mutex);
            number = connections++;
        }
        connectionThreads.emplace_back([this, fd, number] { play(fd, number); });
    }
}

void ScriptedServer::Private::play(SocketHandle fd, int number)
{
    const Script &script = scripts.at(std::min<qsizetype>(number, scripts.size() - 1));
    Connection c{fd, number, {}, false};
    for (const Script::Step &step : script.steps()) {
        switch (step.kind) {
        case Script::Step::ReadRequest:
            if (!readRequest(c)) {
                drainUntilClosed(c);
                closeSocket(fd);
                return;
            }
            break;
        case Script::Step::Send:
            if (!sendAll(fd, step.bytes)) {
                closeSocket(fd);
                return;
            }
            break;
        case Script::Step::Pause:
            std::this_thread::sleep_for(std::chrono::milliseconds(step.msecs));
            break;
        case Script::Step::Close:
            ::shutdown(fd, SHUT_WR);
            drainUntilClosed(c);
            closeSocket(fd);
            return;
        case Script::Step::Reset: {
            linger abortive{1, 0};
            setSocketOption(fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            closeSocket(fd);
            return;
        }
        case Script::Step::Silent:
            drainUntilClosed(c);
            break;
        }
    }
    drainUntilClosed(c);
    closeSocket(fd);
}

bool ScriptedServer::Private::receiveSome(Connection &c)
{
    if (c.peerClosed || stopping)
        return false;
    pollfd readable{c.fd, POLLIN, 0};
    if (pollSockets(&readable, 1, PollSliceMs) <= 0)
        return true;
    char buffer[65536];
    const auto received = ::recv(c.fd, buffer, sizeof buffer, 0);
    if (received <= 0) {
        if (received < 0 && socketWouldBlock())
            return true;
        c.peerClosed = true;
        return false;
    }
    c.input.append(buffer, received);
    return true;
}

bool ScriptedServer::Private::readRequest(Connection &c)
{
    qsizetype end = headEnd(c.input);
    while (end < 0) {
        if (!receiveSome(c))
            return false;
        end = headEnd(c.input);
    }
    const QByteArray head = c.input.left(end);
    const qsizetype bodyLength = contentLengthOf(head);
    while (c.input.size() < end + bodyLength) {
        if (!receiveSome(c))
            return false;
    }
    QMutexLocker lock(&mutex);
    requests.append({c.number, head, c.input.mid(end, bodyLength)});
    c.input.remove(0, end + bodyLength);
    return true;
}

bool ScriptedServer::Private::sendAll(SocketHandle fd, const QByteArray &bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        if (stopping)
            return false;
        pollfd writable{fd, POLLOUT, 0};
        if (pollSockets(&writable, 1, PollSliceMs) <= 0)
            continue;
        const auto n =
            ::send(fd, bytes.constData() + sent, int(bytes.size() - sent), SendWithoutSignal);
        if (n < 0) {
            if (socketWouldBlock())
                continue;
            return false;
        }
        sent += n;
    }
    return true;
}

void ScriptedServer::Private::drainUntilClosed(Connection &c)
{
    while (receiveSome(c))
        c.input.clear();
}
