#include "http/ResponseReader.h"

#include "LumettaError.h"
#include "http/WireText.h"
#include "net/LargeBuffer.h"

#include <algorithm>

namespace {

const QString ClosedMessage = QStringLiteral("Connection Closed Gracefully.");
constexpr qsizetype UntilCloseSlice = 256 * 1024;

bool isContinuation(const QByteArray &line)
{
    return line.startsWith(' ') || line.startsWith('\t');
}

bool isLocation(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    return colon >= 0 && line.left(colon).trimmed().compare("Location", Qt::CaseInsensitive) == 0;
}

// A Location line with its value as an address: servers send raw UTF-8 there, and the
// replacement characters of other headers would leave nothing to follow.
QString locationLine(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    return WireText::fromWireBytes(line.left(colon)) + QStringLiteral(": ") +
           WireText::fromWireAddress(line.mid(colon + 1).trimmed());
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A chunk-size line: hexadecimal digits, cut at ";". None for anything else; a size past
// the body limit stops growing there, so no number of digits can overflow it.
std::optional<qint64> parseChunkSize(const QByteArray &line)
{
    const qsizetype semicolon = line.indexOf(';');
    const QByteArray digits = (semicolon < 0 ? line : line.left(semicolon)).trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    qint64 size = 0;
    for (const char c : digits) {
        const int value = hexValue(c);
        if (value < 0)
            return std::nullopt;
        size = std::min<qint64>(size * 16 + value, ResponseReader::MaxBodyBytes + 1);
    }
    return size;
}

} // namespace

ResponseReader::ResponseReader(ByteChannel &channel, HttpAnswer &answer)
    : m_channel(channel), m_answer(answer)
{}

void ResponseReader::setBodyLimit(qsizetype bytes, const QString &message)
{
    m_maxBodyBytes = std::clamp<qsizetype>(bytes, 0, MaxBodyBytes);
    m_bodyTooLargeMessage = message;
}

void ResponseReader::tooLarge()
{
    throw LumettaError(QStringLiteral("Response too large."));
}

void ResponseReader::bodyTooLarge() const
{
    if (m_bodyTooLargeMessage.isEmpty())
        tooLarge();
    throw LumettaError(m_bodyTooLargeMessage);
}

QByteArray ResponseReader::readHeaderLine()
{
    QByteArray line = m_channel.readLine(MaxLineLength);
    m_headerBytes += line.size() + 2;
    if (m_headerBytes > MaxHeaderBytes)
        tooLarge();
    return line;
}

void ResponseReader::readHeaderBlock()
{
    m_answer.startBlock(WireText::fromWireBytes(readHeaderLine()));
    readHeaderFields();
}

// Header lines up to the empty line. A block cut off by the peer's close is a failure: the
// lines it would have held may be the very ones that frame the body.
void ResponseReader::readHeaderFields()
{
    bool inLocation = false;
    for (QByteArray line = readHeaderLine(); !line.isEmpty(); line = readHeaderLine()) {
        if (isContinuation(line)) {
            m_answer.continueLastHeader(inLocation ? WireText::fromWireAddress(line.trimmed())
                                                   : WireText::fromWireBytes(line));
            continue;
        }
        inLocation = isLocation(line);
        m_answer.addHeaderLine(inLocation ? locationLine(line) : WireText::fromWireBytes(line));
    }
}

// The trailer after a chunked body. Every byte of the body has arrived by then, so a close
// before the trailer's empty line ends it where it is.
void ResponseReader::readTrailer()
{
    try {
        readHeaderFields();
    } catch (const LumettaError &error) {
        if (error.message() != ClosedMessage)
            throw;
    }
}

std::optional<qint64> ResponseReader::contentLength(const HttpAnswer &answer)
{
    std::optional<qint64> length;
    for (const QString &header : answer.headers(QStringLiteral("Content-Length"))) {
        // Repeats of one value, also as a comma list, are one length; anything else is not.
        for (const QString &item : header.split(u',')) {
            const QString text = item.trimmed();
            bool ok = !text.isEmpty() && text.size() <= 18;
            for (const QChar c : text)
                ok = ok && c >= u'0' && c <= u'9';
            const qint64 value = ok ? text.toLongLong() : -1;
            if (!ok || (length && *length != value))
                throw LumettaError(QStringLiteral("Invalid Content-Length."));
            length = value;
        }
    }
    return length;
}

void ResponseReader::readBody()
{
    m_answer.body.clear();
    if (m_answer.isChunked())
        return readChunked();
    if (const std::optional<qint64> length = contentLength(m_answer))
        return readCounted(*length);
    if (m_answer.mediaType().startsWith(u"multipart/")) {
        const QString boundary = m_answer.contentTypeParameter(QStringLiteral("boundary"));
        if (!boundary.isEmpty())
            return readMultipart(boundary);
    }
    readUntilClose();
}

void ResponseReader::appendBody(const QByteArray &bytes)
{
    const qsizetype needed = m_answer.body.size() + bytes.size();
    if (needed > m_maxBodyBytes)
        bodyTooLarge();
    if (m_answer.body.isEmpty()) {
        m_answer.body = bytes; // shared, not copied
        return;
    }
    makeRoom(needed);
    m_answer.body.append(bytes);
}

// A body that grows past the large-buffer size gets room for the whole limit at once: only
// the pages written to are ever backed by memory, and the bytes are never moved again.
void ResponseReader::makeRoom(qsizetype needed)
{
    if (needed <= m_answer.body.capacity())
        return;
    if (needed >= LargeBuffer::Threshold)
        reserveBody(m_maxBodyBytes);
    else
        m_answer.body.reserve(std::max(needed, 2 * m_answer.body.capacity()));
}

void ResponseReader::reserveBody(qsizetype capacity)
{
    m_answer.body.reserve(capacity);
    LargeBuffer::advise(m_answer.body.data(), m_answer.body.capacity());
}

qsizetype ResponseReader::readIntoBody(qsizetype count)
{
    const qsizetype before = m_answer.body.size();
    const qsizetype needed = before + count;
    makeRoom(needed);
    m_answer.body.resize(needed);
    qsizetype got = 0;
    try {
        got = m_channel.readInto(m_answer.body.data() + before, count);
    } catch (...) {
        m_answer.body.resize(before);
        throw;
    }
    m_answer.body.resize(before + got);
    return got;
}

void ResponseReader::readChunked()
{
    for (;;) {
        const QByteArray sizeLine = m_channel.readLine(MaxLineLength);
        const std::optional<qint64> size = parseChunkSize(sizeLine);
        if (!size)
            throw LumettaError(QStringLiteral("Invalid chunk size."));
        if (*size == 0)
            return readTrailer();
        if (m_answer.body.size() + *size > m_maxBodyBytes)
            bodyTooLarge();
        if (readIntoBody(*size) < *size)
            throw LumettaError(ClosedMessage);
        m_channel.readLine(MaxLineLength);
    }
}

void ResponseReader::readCounted(qint64 length)
{
    if (length > m_maxBodyBytes)
        bodyTooLarge();
    if (length < LargeBuffer::Threshold)
        m_answer.body = m_channel.readAtMost(length);
    else
        readIntoBody(length);
    // A peer that closes before the announced end has not sent the whole body.
    if (m_answer.body.size() < length)
        throw LumettaError(ClosedMessage);
}

void ResponseReader::readMultipart(const QString &boundary)
{
    const QByteArray closing = "--" + WireText::toWireBytes(boundary) + "--";
    for (;;) {
        QByteArray line;
        try {
            line = m_channel.readLine(m_maxBodyBytes - m_answer.body.size());
        } catch (const LumettaError &error) {
            // A close before the closing boundary cuts the body short, like any other close.
            if (error.message() == QStringLiteral("Max line length exceeded."))
                bodyTooLarge();
            throw;
        }
        appendBody(line + "\r\n");
        if (line.trimmed() == closing)
            return;
    }
}

void ResponseReader::readUntilClose()
{
    for (;;) {
        const qsizetype room = m_maxBodyBytes - m_answer.body.size();
        // One byte past the limit tells a body that is too large from one that fits exactly.
        const QByteArray slice = m_channel.readAtMost(std::min(UntilCloseSlice, room + 1));
        appendBody(slice);
        if (slice.size() < std::min(UntilCloseSlice, room + 1))
            return;
    }
}
