#pragma once

#include <QByteArray>
#include <QString>

enum class ChannelMode { Plain, Tls };

// What the HTTP client needs from the connection under it. TlsChannel is the real one;
// tests and the fuzz targets put an in-memory channel in its place.
// Every failure is a LumettaError whose message is the text the user sees.
class ByteChannel
{
public:
    virtual ~ByteChannel() = default;

    // Marks the start of one request (before the connection for it is chosen): from here
    // on, every wait counts against the channel's overall limit for a request, if it has one.
    virtual void startRequest() {}
    // Resolves, connects and, in TLS mode, completes the handshake.
    virtual void open(const QString &host, quint16 port, ChannelMode mode) = 0;
    // True while connected and the peer has not closed; first takes, without waiting,
    // whatever bytes are ready, so that a close by the peer is noticed.
    virtual bool isOpen() = 0;
    // Sends every byte.
    virtual void write(const QByteArray &bytes) = 0;
    // The bytes up to the next LF, without it and without one CR just before it.
    // "Max line length exceeded." past maxLength bytes without an LF;
    // "Connection Closed Gracefully." when the peer closes before the LF.
    virtual QByteArray readLine(qsizetype maxLength = 16384) = 0;
    // Up to maxBytes; fewer only when the peer has closed (no error then).
    virtual QByteArray readAtMost(qsizetype maxBytes) = 0;
    // readAtMost() into the caller's memory, so a large body is received where it is kept.
    // Returns how many bytes were written.
    virtual qsizetype readInto(char *data, qsizetype maxBytes) = 0;
    // True when input is buffered or arrives within msecs.
    virtual bool waitForInput(int msecs) = 0;
    virtual void close() = 0;
};
