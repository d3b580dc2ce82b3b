#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The head of one request, as the client sends it.
struct RequestHead
{
    QString method;      // "GET" or "POST"
    QString target;      // control characters, spaces and non-ASCII go out percent-escaped
    QString version;     // "1.1" or "1.0"
    QString contentType; // empty: no Content-Type header
    std::optional<qsizetype> contentLength; // POST only
    QString host;
    QString cookie; // empty: no Cookie header
};

namespace RequestWriter {

inline constexpr char Accept[] = "text/html,application/xhtml+xml,application/xml;q=0.9,*/*;q=0.8";
inline constexpr char UserAgent[] = "Mozilla/3.0 (compatible; Lumetta)";
inline constexpr char AcceptEncoding[] = "identity";

// Request line, the headers in their fixed order, and the empty line. Header values never
// carry a line break, another control character or a non-ASCII unit: those are sent as
// percent-escapes of their UTF-8 bytes.
QByteArray head(const RequestHead &request);

} // namespace RequestWriter
