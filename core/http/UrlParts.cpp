#include "http/UrlParts.h"

#include "LumettaError.h"
#include "http/WireText.h"

#include <QUrl>

namespace {

constexpr quint16 HttpPort = 80;
constexpr quint16 HttpsPort = 443;

// Backslashes between "://" and the first "?" or "#" are taken for slashes.
QString withForwardSlashes(QString url, qsizetype from)
{
    for (qsizetype i = from; i < url.size(); ++i) {
        const QChar c = url.at(i);
        if (c == u'?' || c == u'#')
            break;
        if (c == u'\\')
            url[i] = u'/';
    }
    return url;
}

quint16 parsePort(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535)
        throw LumettaError(QStringLiteral("Invalid Port Number: ") + text);
    return static_cast<quint16>(port);
}

quint16 defaultPort(const QString &scheme)
{
    if (scheme.compare(u"http", Qt::CaseInsensitive) == 0)
        return HttpPort;
    if (scheme.compare(u"https", Qt::CaseInsensitive) == 0)
        return HttpsPort;
    throw LumettaError(QStringLiteral("Unknown Protocol"));
}

// Splits "user@host:port" into the parts; the user information is not used.
void splitAuthority(QString authority, UrlParts &parts)
{
    const qsizetype at = authority.lastIndexOf(u'@');
    if (at >= 0)
        authority.remove(0, at + 1);
    QString portText;
    const qsizetype closing = authority.indexOf(u']');
    if (authority.startsWith(u'[') && closing > 0) {
        parts.ipv6 = true;
        parts.host = authority.mid(1, closing - 1);
        const QString after = authority.mid(closing + 1);
        if (after.startsWith(u':'))
            portText = after.mid(1);
    } else {
        const qsizetype colon = authority.indexOf(u':');
        parts.host = authority.left(colon);
        if (colon >= 0)
            portText = authority.mid(colon + 1);
    }
    parts.port = portText.isEmpty() ? defaultPort(parts.scheme) : parsePort(portText);
}

void splitPath(const QString &remainder, UrlParts &parts)
{
    const qsizetype lastSlash = remainder.lastIndexOf(u'/');
    parts.path = u'/' + remainder.left(lastSlash + 1);
    parts.document = remainder.mid(lastSlash + 1);
}

} // namespace

UrlParts UrlParts::parse(const QString &url)
{
    UrlParts parts;
    const qsizetype separator = url.indexOf(u"://");
    const qsizetype restStart = separator >= 0 ? separator + 3 : 0;
    const QString normalised = withForwardSlashes(url, restStart);
    if (separator >= 0)
        parts.scheme = normalised.left(separator);
    QString rest = normalised.mid(restStart);

    // A fragment is never sent; it starts at the first "#", also when a "?" follows it.
    const qsizetype hash = rest.indexOf(u'#');
    if (hash >= 0)
        rest.truncate(hash);
    const qsizetype question = rest.indexOf(u'?');
    if (question >= 0) {
        parts.query = rest.mid(question + 1);
        rest.truncate(question);
    }

    const qsizetype slash = rest.indexOf(u'/');
    splitAuthority(rest.left(slash), parts);
    splitPath(slash >= 0 ? rest.mid(slash + 1) : QString(), parts);
    return parts;
}

bool UrlParts::isHttps() const
{
    return scheme.compare(u"https", Qt::CaseInsensitive) == 0;
}

QString UrlParts::requestTarget() const
{
    QString target = path + document;
    if (!query.isEmpty())
        target += u'?' + query;
    return target;
}

QString UrlParts::hostHeader() const
{
    QString shownHost = ipv6 ? u'[' + host + u']' : host;
    if (!ipv6 && !WireText::isAscii(host)) {
        // An internationalised name goes out in its ASCII (IDNA) form, as it was looked up.
        const QByteArray ace = QUrl::toAce(host);
        if (!ace.isEmpty())
            shownHost = QString::fromLatin1(ace);
    }
    const bool defaultForScheme =
        (scheme.compare(u"http", Qt::CaseInsensitive) == 0 && port == HttpPort) ||
        (isHttps() && port == HttpsPort);
    return defaultForScheme ? shownHost : shownHost + u':' + QString::number(port);
}
