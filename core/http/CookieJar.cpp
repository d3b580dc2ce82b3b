#include "http/CookieJar.h"

#include "http/CookieDate.h"
#include "http/PublicSuffix.h"
#include "http/WireText.h"

#include <QUrl>

#include <algorithm>
#include <numeric>
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

// The jar compares instants as milliseconds since the epoch, worked out once per cookie:
// comparing local date-times looks the time zone up each time, and an answer may hold
// tens of thousands of cookies.
qint64 sessionExpiryMsecs()
{
    static const qint64 msecs = CookieJar::sessionExpiry().toMSecsSinceEpoch();
    return msecs;
}

constexpr qint64 LongAgo = std::numeric_limits<qint64>::min();

struct Expiry
{
    QDateTime when;
    qint64 msecs;
};

Expiry expiryAfter(qint64 nowMsecs, qint64 seconds)
{
    if (seconds <= 0)
        return {QDateTime(), LongAgo};
    if (seconds >= (sessionExpiryMsecs() - nowMsecs) / 1000)
        return {CookieJar::sessionExpiry(), sessionExpiryMsecs()};
    const qint64 msecs = nowMsecs + seconds * 1000;
    return {QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC), msecs};
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

// The domain of a cookie: empty for the request host alone, nothing when it is refused.
std::optional<QString> cookieDomain(const QString &attribute, const QString &requestHost)
{
    if (attribute.isEmpty())
        return QString();
    const QString domain = CookieJar::canonicalHost(attribute);
    if (domain.isEmpty())
        return std::nullopt;
    // A whole suffix such as "com" is no site's to set cookies for; a host that is a suffix
    // itself keeps its cookie, for itself alone.
    if (!isIpAddress(domain) && PublicSuffix::contains(domain))
        return domain == requestHost ? std::optional<QString>(QString()) : std::nullopt;
    if (!CookieJar::domainMatches(requestHost, domain))
        return std::nullopt;
    return domain;
}

} // namespace

QDateTime CookieJar::sessionExpiry()
{
    // Made once: working out a local time is costly, and a hostile answer holds many cookies.
    static const QDateTime expiry(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::LocalTime);
    return expiry;
}

QString CookieJar::canonicalHost(const QString &host)
{
    const bool ascii =
        std::all_of(host.begin(), host.end(), [](QChar c) { return c.unicode() < 0x80; });
    return ascii ? host.toLower() : QString::fromLatin1(QUrl::toAce(host)).toLower();
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
    if (setCookie.size() > MaxCookieLength)
        return;
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
    const qint64 nowMsecs = now.toMSecsSinceEpoch();
    cookie.persistent = attributes.maxAge || attributes.expires;
    Expiry expiry{sessionExpiry(), sessionExpiryMsecs()};
    if (attributes.maxAge)
        expiry = expiryAfter(nowMsecs, *attributes.maxAge);
    else if (attributes.expires)
        expiry = {*attributes.expires, attributes.expires->toMSecsSinceEpoch()};
    cookie.expiry = expiry.when;

    const QString requestHost = canonicalHost(host);
    const std::optional<QString> domain = cookieDomain(attributes.domain, requestHost);
    if (!domain)
        return;
    cookie.domain = domain->isEmpty() ? requestHost : *domain;
    cookie.hostOnly = domain->isEmpty();
    cookie.path = attributes.path.startsWith(u'/') ? attributes.path : defaultPath(requestPath);
    cookie.secure = attributes.secure;
    cookie.httpOnly = attributes.httpOnly;
    cookie.creation = now;
    cookie.lastAccess = now;
    store(std::move(cookie), expiry.msecs, nowMsecs);
}

QList<StoredCookie> CookieJar::cookies() const
{
    QList<StoredCookie> all;
    all.reserve(qsizetype(m_slots.size()));
    for (const Slot &slot : m_slots)
        all.append(slot.cookie);
    return all;
}

void CookieJar::store(StoredCookie cookie, qint64 expires, qint64 now)
{
    // A replacement keeps its place in time; an expired one only removes the old cookie.
    const Key key{cookie.name.toCaseFolded(), cookie.domain.toCaseFolded(),
                  cookie.path.toCaseFolded()};
    qint64 created = now;
    if (const auto same = m_index.constFind(key); same != m_index.constEnd()) {
        cookie.creation = (*same)->cookie.creation;
        created = (*same)->created;
        erase(*same);
    }
    if (expires <= now)
        return;
    const QString domain = cookie.domain;
    const Entry entry =
        m_slots.insert(m_slots.end(), Slot{std::move(cookie), key, created, expires});
    m_index.insert(key, entry);
    m_byDomain[domain].append(entry);
    keepWithinLimits(domain);
}

void CookieJar::erase(Entry entry)
{
    m_index.remove(entry->key);
    const auto domain = m_byDomain.find(entry->cookie.domain);
    domain->removeOne(entry);
    if (domain->isEmpty())
        m_byDomain.erase(domain);
    m_slots.erase(entry);
}

// Past a limit the cookie created first goes; of two created at once, the one stored first.
void CookieJar::keepWithinLimits(const QString &domain)
{
    const auto olderThan = [](Entry a, Entry b) { return a->created < b->created; };
    const QList<Entry> &ofDomain = m_byDomain[domain];
    if (ofDomain.size() > MaxCookiesPerDomain)
        erase(*std::min_element(ofDomain.begin(), ofDomain.end(), olderThan));
    if (qsizetype(m_slots.size()) > MaxCookies) {
        Entry oldest = m_slots.begin();
        for (Entry entry = m_slots.begin(); entry != m_slots.end(); ++entry) {
            if (olderThan(entry, oldest))
                oldest = entry;
        }
        erase(oldest);
    }
}

void CookieJar::removeExpired(const QDateTime &now)
{
    const qint64 nowMsecs = now.toMSecsSinceEpoch();
    for (Entry entry = m_slots.begin(); entry != m_slots.end();) {
        const Entry next = std::next(entry);
        if (entry->expires <= nowMsecs)
            erase(entry);
        entry = next;
    }
}

QString CookieJar::cookieHeader(const QString &host, const QString &requestPath, bool https,
                                const QDateTime &now)
{
    removeExpired(now);
    const QString requestHost = canonicalHost(host);
    QList<Slot *> matching;
    for (Slot &slot : m_slots) {
        const StoredCookie &cookie = slot.cookie;
        const bool hostMatches = cookie.hostOnly ? requestHost == cookie.domain
                                                 : domainMatches(requestHost, cookie.domain);
        if (hostMatches && pathMatches(requestPath, cookie.path) && (!cookie.secure || https))
            matching.append(&slot);
    }
    keepWithinHeaderLimit(matching);
    std::stable_sort(matching.begin(), matching.end(), [](const Slot *a, const Slot *b) {
        if (a->cookie.path.size() != b->cookie.path.size())
            return a->cookie.path.size() > b->cookie.path.size();
        return a->created < b->created;
    });
    QStringList pairs;
    for (Slot *slot : matching) {
        slot->cookie.lastAccess = now;
        pairs.append(slot->cookie.name + u'=' + slot->cookie.value);
    }
    return pairs.join(u"; ");
}

// Sizes count the bytes the request writer sends, escapes included. The newest cookies are
// kept: the oldest are the likeliest to be stale. One too long to go alone never goes, and
// does not keep the older ones out.
void CookieJar::keepWithinHeaderLimit(QList<Slot *> &matching)
{
    QList<qsizetype> sizes;
    sizes.reserve(matching.size());
    qsizetype total = -2; // no separator before the first
    for (const Slot *slot : matching) {
        // "=" is sent as itself, so name and value escape apart as they would together.
        sizes.append(WireText::escapeHeaderValue(slot->cookie.name).size() + 1 +
                     WireText::escapeHeaderValue(slot->cookie.value).size());
        total += sizes.last() + 2;
    }
    if (total <= MaxCookieHeaderBytes)
        return;
    // Oldest first; of two created at once, the one stored first (the list's own order).
    QList<qsizetype> byAge(matching.size());
    std::iota(byAge.begin(), byAge.end(), 0);
    std::stable_sort(byAge.begin(), byAge.end(), [&](qsizetype a, qsizetype b) {
        return matching.at(a)->created < matching.at(b)->created;
    });
    QList<bool> kept(matching.size(), false);
    total = -2;
    for (auto index = byAge.crbegin(); index != byAge.crend(); ++index) {
        if (sizes.at(*index) > MaxCookieHeaderBytes)
            continue;
        if (total + 2 + sizes.at(*index) > MaxCookieHeaderBytes)
            break;
        total += 2 + sizes.at(*index);
        kept[*index] = true;
    }
    QList<Slot *> within;
    for (qsizetype i = 0; i < matching.size(); ++i) {
        if (kept.at(i))
            within.append(matching.at(i));
    }
    matching = std::move(within);
}
