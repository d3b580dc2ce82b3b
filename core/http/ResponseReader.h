#pragma once

#include "http/HttpAnswer.h"
#include "net/ByteChannel.h"

#include <optional>

// Reads an answer from a channel into an HttpAnswer: status line and header block, then the
// body in the framing the headers announce. Keeps no connection state of its own, so it can
// be fed any bytes. Every failure is a LumettaError; a peer that sends more than the limits
// fails with "Response too large." (or the message given with a lower body limit).
class ResponseReader
{
public:
    // The header blocks of one answer, 100-answers and trailers included.
    static constexpr qsizetype MaxHeaderBytes = qsizetype(1) << 20;
    static constexpr qsizetype MaxBodyBytes = qsizetype(32) << 20;
    static constexpr qsizetype MaxLineLength = 16384;

    ResponseReader(ByteChannel &channel, HttpAnswer &answer);

    // A body larger than bytes (at most MaxBodyBytes) fails with message, as soon as its
    // announced length or the bytes read pass the limit.
    void setBodyLimit(qsizetype bytes, const QString &message);

    // One status line and its header lines up to the empty line; "Connection Closed
    // Gracefully." when the peer closes before that line.
    void readHeaderBlock();
    void readHeaderFields();
    // The body, framed by Transfer-Encoding, Content-Length, a multipart boundary or the
    // peer's close, in that order of precedence. A close before the end that the framing
    // announces fails with "Connection Closed Gracefully.".
    void readBody();

    // The body length announced by Content-Length; none when absent. Fails with
    // "Invalid Content-Length." for rubbish, a negative or out-of-range number, or two
    // different values.
    static std::optional<qint64> contentLength(const HttpAnswer &answer);

private:
    QByteArray readHeaderLine();
    void readTrailer();
    void readChunked();
    void readCounted(qint64 length);
    void readMultipart(const QString &boundary);
    void readUntilClose();
    void appendBody(const QByteArray &bytes);
    void makeRoom(qsizetype needed);
    void reserveBody(qsizetype capacity);
    // Receives up to count bytes straight onto the end of the body; returns how many came.
    qsizetype readIntoBody(qsizetype count);
    [[noreturn]] static void tooLarge();
    [[noreturn]] void bodyTooLarge() const;

    ByteChannel &m_channel;
    HttpAnswer &m_answer;
    qsizetype m_headerBytes = 0;
    qsizetype m_maxBodyBytes = MaxBodyBytes;
    QString m_bodyTooLargeMessage;
};
