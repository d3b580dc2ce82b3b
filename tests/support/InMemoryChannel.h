#pragma once

#include "LumettaError.h"
#include "net/ByteChannel.h"

#include <QList>

#include <algorithm>
#include <optional>

// A ByteChannel over byte strings instead of a socket, for tests and fuzz targets.
// Each open() starts the next queued connection: the peer's answer bytes are served to
// the reads, and what the client writes is recorded per connection.
//
//   InMemoryChannel channel;
//   channel.addConnection("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
//   HttpClient client(channel);
//   client.Get("http://example.test/");        // channel.written(0) holds the request
//
// A connection queued with addConnection() has its bytes sent at once. One queued with
// addExchanges() carries one answer per request: the first is sent at once, each later one
// only when the client writes its next request, so a kept connection holds nothing unread
// between two requests unless a test puts it there.
//
// When the answer bytes run out the peer has closed ("Connection Closed Gracefully." for
// a read that needs more), unless the connection was queued as silent or answers remain to
// be sent: then the peer stays connected and says nothing, and a read that needs more fails
// with "Read timed out.".
// An open() with no connection left in the queue fails with the connect failure message.
class InMemoryChannel : public ByteChannel
{
public:
    enum class End { PeerCloses, Silence };

    struct Opening
    {
        QString host;
        quint16 port;
        ChannelMode mode;
    };

    InMemoryChannel() = default;
    explicit InMemoryChannel(const QByteArray &answer, End end = End::PeerCloses)
    {
        addConnection(answer, end);
    }

    void addConnection(const QByteArray &answer, End end = End::PeerCloses)
    {
        m_queue.append({{answer}, end});
    }

    // Answer n is sent when request n is written; a read that needs more than the answers
    // sent so far waits for the next request, and so times out.
    void addExchanges(const QList<QByteArray> &answers, End end = End::PeerCloses)
    {
        m_queue.append({answers, end});
    }

    // Bytes arrive one at a time and only when a read asks for them, like a peer that
    // trickles its answer: isOpen() and waitForInput() see nothing a read has not pulled
    // in yet, and a close by the peer is seen only after its last byte has been read.
    void setOneByteReads(bool on) { m_oneByte = on; }

    // Failure injection: the next open() fails with this message.
    void failNextOpen(const QString &message) { m_openFailure = message; }
    // Every write fails with this message (empty: writes succeed).
    void failWrites(const QString &message) { m_writeFailure = message; }
    // Reading past this many bytes of the current connection fails with this message.
    void failReadsAfter(qsizetype offset, const QString &message)
    {
        m_readFailureOffset = offset;
        m_readFailure = message;
    }

    const QList<Opening> &openings() const { return m_openings; }
    // What the client wrote on connection n (0-based, in order of open()).
    QByteArray written(qsizetype connection) const { return m_written.value(connection); }
    qsizetype connectionCount() const { return m_written.size(); }
    int closeCount() const { return m_closes; }
    // How often the client waited for input to arrive (only redirect bodies are waited for).
    int waitCount() const { return m_waits; }
    // Bytes of the current answer not read yet.
    qsizetype unreadBytes() const { return m_input.size() - m_position; }

    void open(const QString &host, quint16 port, ChannelMode mode) override
    {
        if (m_openFailure) {
            const QString message = *m_openFailure;
            m_openFailure.reset();
            throw LumettaError(message);
        }
        if (m_queue.isEmpty())
            throw LumettaError(QStringLiteral("Socket Error # 10061\r\nConnection refused."));
        const auto [answers, end] = m_queue.takeFirst();
        m_openings.append({host, port, mode});
        m_written.append(QByteArray());
        m_input = answers.value(0);
        m_pending = answers.mid(1);
        m_end = end;
        m_position = 0;
        m_arrived = m_oneByte ? 0 : m_input.size();
        m_writes = 0;
        m_connected = true;
    }

    void startRequest() override { ++m_requestsStarted; }
    int requestsStarted() const { return m_requestsStarted; }

    bool isOpen() override { return m_connected && !peerClosedSeen(); }

    void write(const QByteArray &bytes) override
    {
        requireConnected();
        if (!m_writeFailure.isEmpty())
            throw LumettaError(m_writeFailure);
        m_written.last().append(bytes);
        // The first answer was sent at once; each later request brings the next one.
        if (++m_writes > 1 && !m_pending.isEmpty()) {
            m_input += m_pending.takeFirst();
            if (!m_oneByte)
                m_arrived = m_input.size();
        }
    }

    QByteArray readLine(qsizetype maxLength = 16384) override
    {
        requireConnected();
        const qsizetype lineFeed = m_input.indexOf('\n', m_position);
        const qsizetype lineEnd = lineFeed < 0 ? m_input.size() : lineFeed;
        if (lineEnd - m_position > maxLength) {
            pullUpTo(m_position + maxLength + 1);
            throw LumettaError(QStringLiteral("Max line length exceeded."));
        }
        if (lineFeed < 0) {
            pullUpTo(m_input.size() + 1);
            throw LumettaError(QStringLiteral("Connection Closed Gracefully."));
        }
        pullUpTo(lineFeed + 1);
        QByteArray line = m_input.mid(m_position, lineFeed - m_position);
        m_position = lineFeed + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        return line;
    }

    QByteArray readAtMost(qsizetype maxBytes) override
    {
        requireConnected();
        const qsizetype wanted = std::max<qsizetype>(0, maxBytes);
        pullUpTo(m_position + std::min(wanted, unreadBytes()));
        if (wanted > unreadBytes() && peerStaysConnected())
            throwReadFailure(QStringLiteral("Read timed out."));
        QByteArray bytes = m_input.mid(m_position, std::min(wanted, unreadBytes()));
        m_position += bytes.size();
        return bytes;
    }

    qsizetype readInto(char *data, qsizetype maxBytes) override
    {
        const QByteArray bytes = readAtMost(maxBytes);
        std::copy(bytes.cbegin(), bytes.cend(), data);
        return bytes.size();
    }

    bool waitForInput(int) override
    {
        ++m_waits;
        return m_connected && m_arrived > m_position;
    }

    void close() override
    {
        if (m_connected)
            ++m_closes;
        m_connected = false;
    }

private:
    int m_waits = 0;

    struct Queued
    {
        QList<QByteArray> answers;
        End end;
    };

    // Past the bytes sent so far the peer says nothing more, but does not close either.
    bool peerStaysConnected() const { return m_end == End::Silence || !m_pending.isEmpty(); }

    bool peerClosedSeen() const
    {
        return !peerStaysConnected() && m_arrived >= m_input.size() && m_position >= m_arrived;
    }

    void requireConnected() const
    {
        if (!m_connected)
            throw LumettaError(QStringLiteral("Socket Error # 10057\r\nSocket is not connected."));
    }

    // Makes the bytes up to (not including) this offset arrive, honouring injected failures.
    void pullUpTo(qsizetype offset)
    {
        if (m_readFailureOffset >= 0 && offset > m_readFailureOffset)
            throwReadFailure(m_readFailure);
        if (offset > m_input.size() && peerStaysConnected())
            throwReadFailure(QStringLiteral("Read timed out."));
        m_arrived = std::max(m_arrived, std::min(offset, m_input.size()));
    }

    [[noreturn]] static void throwReadFailure(const QString &message)
    {
        throw LumettaError(message);
    }

    QList<Queued> m_queue;
    QList<Opening> m_openings;
    QList<QByteArray> m_written;
    QByteArray m_input; // what the peer has sent on this connection so far
    QList<QByteArray> m_pending;
    End m_end = End::PeerCloses;
    int m_writes = 0;
    int m_requestsStarted = 0;
    qsizetype m_position = 0;
    qsizetype m_arrived = 0;
    bool m_connected = false;
    bool m_oneByte = false;
    int m_closes = 0;
    std::optional<QString> m_openFailure;
    QString m_writeFailure;
    qsizetype m_readFailureOffset = -1;
    QString m_readFailure;
};
