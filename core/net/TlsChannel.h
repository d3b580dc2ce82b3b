#pragma once

#include "net/ByteChannel.h"

#include <QDeadlineTimer>

#include <functional>
#include <memory>

// One TCP connection at a time, plain or through a TLS client session (OpenSSL, loaded at
// run time on the first open). Owns the socket, the TLS state, the buffered input, the
// time-outs and the messages of everything below HTTP.
class TlsChannel : public ByteChannel
{
public:
    static constexpr int DefaultConnectTimeoutMs = 30000;
    static constexpr int DefaultReadTimeoutMs = 30000;
    static constexpr int DefaultRequestTimeoutMs = 60000;

    TlsChannel();
    ~TlsChannel() override;
    TlsChannel(const TlsChannel &) = delete;
    TlsChannel &operator=(const TlsChannel &) = delete;

    // A PEM file whose certificates are trusted besides the system's store (empty: none).
    void setExtraCaFile(const QString &pemPath);
    // Limit on establishing the TCP connection: "Socket Error # 10060" past it.
    void setConnectTimeout(int msecs);
    // Limit on every wait for the peer, plain and TLS: "Read timed out." while reading,
    // "Socket Error # 10060" during the handshake or while waiting for room to send.
    void setReadTimeout(int msecs);
    // Limit on one whole request, from startRequest() on: connect, handshake, writing and
    // reading together. A peer that sends a byte now and then restarts the read time-out
    // but not this one. Past it every wait fails with "Read timed out.".
    void setRequestTimeout(int msecs);
    // A moment no request goes past, whatever is left of its own limit, such as the end of a
    // whole run of several requests (Forever: none). Past it every wait fails as the request's
    // own limit would: "Read timed out.".
    void setOverallDeadline(QDeadlineTimer deadline);

    // Called as each request starts and every few tens of milliseconds while the channel waits
    // for the peer (the name lookup, connecting, the handshake, room to send or the answer); it
    // must not use the channel. An exception it throws ends the wait and leaves the channel closed,
    // so that a run can be stopped whatever it waits for. Empty: none.
    void setWaitHook(std::function<void()> hook);

    // Loads OpenSSL and builds the TLS settings with the trust store on a background thread,
    // so that the first TLS connection need not; open() waits for it when it is not done.
    // Failures are left for the connection to meet and report.
    void prepareTls();

    void startRequest() override;
    void open(const QString &host, quint16 port, ChannelMode mode) override;
    bool isOpen() override;
    void write(const QByteArray &bytes) override;
    QByteArray readLine(qsizetype maxLength = 16384) override;
    QByteArray readAtMost(qsizetype maxBytes) override;
    qsizetype readInto(char *data, qsizetype maxBytes) override;
    bool waitForInput(int msecs) override;
    void close() override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
