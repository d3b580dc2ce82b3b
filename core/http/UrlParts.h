#pragma once

#include <QString>

// A request URL taken apart the way the HTTP client needs it: where to connect, what to
// put in the request line and the Host header, and what cookies are matched against.
// The URL is used as composed; nothing is validated or percent-decoded.
struct UrlParts
{
    QString scheme; // as written, e.g. "http"
    QString host;   // without brackets for an IPv6 literal
    quint16 port = 0;
    QString path;     // "/" up to and including the last "/"
    QString document; // what follows the path
    QString query;    // after "?", without any fragment
    bool ipv6 = false;

    // Fails with "Unknown Protocol" for a scheme other than http or https without a port.
    static UrlParts parse(const QString &url);

    bool isHttps() const;
    // path + document, plus "?" + query when there is a query (not yet escaped for the wire).
    QString requestTarget() const;
    // host, or host:port when the port is not the scheme's default; IPv6 in brackets.
    QString hostHeader() const;
    // path + document, the path cookies are matched against.
    QString cookiePath() const { return path + document; }
};
