#include "http/RequestWriter.h"

#include "http/WireText.h"

namespace RequestWriter {

namespace {

void appendHeader(QByteArray &out, const char *name, const QString &value)
{
    if (value.isEmpty())
        return;
    out += name;
    out += ": ";
    out += WireText::toWireBytes(WireText::escapeHeaderValue(value));
    out += "\r\n";
}

} // namespace

QByteArray head(const RequestHead &request)
{
    QByteArray out;
    out.reserve(512);
    out += WireText::toWireBytes(request.method);
    out += ' ';
    out += WireText::toWireBytes(WireText::escapeRequestTarget(request.target));
    out += " HTTP/";
    out += WireText::toWireBytes(request.version);
    out += "\r\n";
    appendHeader(out, "Content-Type", request.contentType);
    if (request.contentLength)
        appendHeader(out, "Content-Length", QString::number(*request.contentLength));
    appendHeader(out, "Host", request.host);
    appendHeader(out, "Accept", QString::fromLatin1(Accept));
    appendHeader(out, "Accept-Encoding", QString::fromLatin1(AcceptEncoding));
    appendHeader(out, "User-Agent", QString::fromLatin1(UserAgent));
    appendHeader(out, "Cookie", request.cookie);
    out += "\r\n";
    return out;
}

} // namespace RequestWriter
