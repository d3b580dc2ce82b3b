#include "http/CookieJar.h"

#include "http/CookieDate.h"

#include <algorithm>
#include <optional>

namespace {

bool isIpAddress(const QString &host)
{
    if (host.contains(u':'))
        return true;
    return !host.isEmpty() && std::all_of(host.begin(), host.end(), [](QChar c) {
        return (c >= u'0' && c <= u'9') || c == u'.';
    });
}

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
        return value.mid(1, value.size() - 2);
    return value;
}

// Seconds of a Max-Age attribute: an optional "-" and digits, else none.
std::optional<qint64> parseMaxAge(const QString &text)
{
    const QString digits = text.startsWith(u'-') ? text.mid(1) : text;
    if (digits.isEmpty() ||
        !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (ok)
        return value;
    // Too many digits: as far in the past or future as it gets.
    return text.startsWith(u'-') ? std::numeric_limits<qint64>::min()
                                 : std::numeric_limits<qint64>::max();
}

QDateTime expiryAfter(const QDateTime &now, qint64 seconds)
{
    if (seconds <= 0)
        return QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::LocalTime);
    const qint64 room = now.secsTo(CookieJar::sessionExpiry());
    return seconds >= room ? CookieJar::sessionExpiry() : now.addSecs(seconds);
}

struct Attributes
{
    std::optional<QDateTime> expires;
    std::optional<qint64> maxAge;
    QString domain;
    QString path;
    bool secure = false;
    bool httpOnly = false;
};

Attributes parseAttributes(const QStringList &parts)
{
    Attributes attributes;
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const qsizetype equals = parts.at(i).indexOf(u'=');
        const QString name = parts.at(i).left(equals).trimmed();
        const QString value = equals < 0 ? QString() : parts.at(i).mid(equals + 1).trimmed();
        if (name.compare(u"expires", Qt::CaseInsensitive) == 0) {
            const QDateTime date = CookieDate::parse(value);
            if (date.isValid())
                attributes.expires = date;
        } else if (name.compare(u"max-age", Qt::CaseInsensitive) == 0) {
            if (const std::optional<qint64> seconds = parseMaxAge(value))
                attributes.maxAge = seconds;
        } else if (name.compare(u"domain", Qt::CaseInsensitive) == 0) {
            if (!value.isEmpty())
                attributes.domain = (value.startsWith(u'.') ? value.mid(1) : value).toLower();
        } else if (name.compare(u"path", Qt::CaseInsensitive) == 0) {
            attributes.path = value;
        } else if (name.compare(u"secure", Qt::CaseInsensitive) == 0) {
            attributes.secure = true;
        } else if (name.compare(u"httponly", Qt::CaseInsensitive) == 0) {
            attributes.httpOnly = true;
        }
    }
    return attributes;
}

} // namespace

QDateTime CookieJar::sessionExpiry()
{
    return QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::LocalTime);
}

bool CookieJar::domainMatches(const QString &host, const QString &domain)
{
    if (host.compare(domain, Qt::CaseInsensitive) == 0)
        return true;
    return !isIpAddress(host) && host.size() > domain.size() &&
           host.endsWith(domain, Qt::CaseInsensitive) &&
           host.at(host.size() - domain.size() - 1) == u'.';
}

bool CookieJar::pathMatches(const QString &requestPath, const QString &cookiePath)
{
    if (requestPath == cookiePath)
        return true;
    if (!requestPath.startsWith(cookiePath))
        return false;
    return cookiePath.endsWith(u'/') || requestPath.at(cookiePath.size()) == u'/';
}

QString CookieJar::defaultPath(const QString &requestPath)
{
    if (!requestPath.startsWith(u'/'))
        return QStringLiteral("/");
    const qsizetype lastSlash = requestPath.lastIndexOf(u'/');
    return lastSlash <= 0 ? QStringLiteral("/") : requestPath.left(lastSlash);
}

void CookieJar::take(const QString &setCookie, const QString &host, const QString &requestPath,
                     const QDateTime &now)
{
    const QStringList parts = setCookie.split(u';');
    const qsizetype equals = parts.first().indexOf(u'=');
    if (equals < 0)
        return;
    StoredCookie cookie;
    cookie.name = parts.first().left(equals).trimmed();
    cookie.value = unquoted(parts.first().mid(equals + 1).trimmed());
    if (cookie.name.isEmpty())
        return;

    const Attributes attributes = parseAttributes(parts);
    cookie.persistent = attributes.maxAge || attributes.expires;
    if (attributes.maxAge)
        cookie.expiry = expiryAfter(now, *attributes.maxAge);
    else if (attributes.expires)
        cookie.expiry = attributes.expires->toLocalTime();
    else
        cookie.expiry = sessionExpiry();

    const QString requestHost = host.toLower();
    if (!attributes.domain.isEmpty()) {
        if (!domainMatches(requestHost, attributes.domain))
            return;
        cookie.domain = attributes.domain;
        cookie.hostOnly = false;
    } else {
        cookie.domain = requestHost;
        cookie.hostOnly = true;
    }
    cookie.path = attributes.path.startsWith(u'/') ? attributes.path : defaultPath(requestPath);
    cookie.secure = attributes.secure;
    cookie.httpOnly = attributes.httpOnly;
    cookie.creation = now;
    cookie.lastAccess = now;
    store(std::move(cookie), now);
}

void CookieJar::store(StoredCookie cookie, const QDateTime &now)
{
    const auto same = std::find_if(m_cookies.begin(), m_cookies.end(), [&](const StoredCookie &c) {
        return c.name.compare(cookie.name, Qt::CaseInsensitive) == 0 &&
               c.domain.compare(cookie.domain, Qt::CaseInsensitive) == 0 &&
               c.path.compare(cookie.path, Qt::CaseInsensitive) == 0;
    });
    // A replacement keeps its place in time; an expired one only removes the old cookie.
    if (same != m_cookies.end()) {
        cookie.creation = same->creation;
        m_cookies.erase(same);
    }
    if (cookie.expiry > now)
        m_cookies.append(std::move(cookie));
}

void CookieJar::removeExpired(const QDateTime &now)
{
    m_cookies.removeIf([&now](const StoredCookie &c) { return c.expiry <= now; });
}

QString CookieJar::cookieHeader(const QString &host, const QString &requestPath, bool https,
                                const QDateTime &now)
{
    removeExpired(now);
    const QString requestHost = host.toLower();
    QList<StoredCookie *> matching;
    for (StoredCookie &cookie : m_cookies) {
        const bool hostMatches = cookie.hostOnly ? requestHost == cookie.domain
                                                 : domainMatches(requestHost, cookie.domain);
        if (hostMatches && pathMatches(requestPath, cookie.path) && (!cookie.secure || https))
            matching.append(&cookie);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const StoredCookie *a, const StoredCookie *b) {
                         if (a->path.size() != b->path.size())
                             return a->path.size() > b->path.size();
                         return a->creation < b->creation;
                     });
    QStringList pairs;
    for (StoredCookie *cookie : matching) {
        cookie->lastAccess = now;
        pairs.append(cookie->name + u'=' + cookie->value);
    }
    return pairs.join(u"; ");
}
