#pragma once

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <list>

// One cookie as the jar keeps it.
struct StoredCookie
{
    QString name;
    QString value;
    QString domain; // lower case, no leading dot
    bool hostOnly = true;
    QString path;
    bool secure = false;
    bool httpOnly = false;
    bool persistent = false; // false: no Max-Age or Expires, kept for the session
    QDateTime expiry;
    QDateTime creation;
    QDateTime lastAccess;
};

// The cookies of one client, in memory only: taken from Set-Cookie headers and sent back
// to the hosts and paths they belong to (RFC 6265, with the public suffix list of libpsl: a
// Domain attribute such as "com" is refused). Hosts and domains are compared in their ASCII
// (IDNA) form. The jar keeps to the least a user agent must support (RFC 6265, 6.1) as its
// limits, so that a hostile server can neither make it grow without end nor make the next
// request carry everything it sent: a longer cookie is ignored, past a count the cookie
// created first goes, and a Cookie header leaves out the oldest cookies past its own limit.
class CookieJar
{
public:
    // Name, value and attributes together, in characters (one per byte on the wire).
    static constexpr qsizetype MaxCookieLength = 4096;
    static constexpr qsizetype MaxCookiesPerDomain = 50;
    static constexpr qsizetype MaxCookies = 3000;
    // Of the Cookie header's value, in bytes as sent.
    static constexpr qsizetype MaxCookieHeaderBytes = 8192;

    // The expiry of a cookie that names none.
    static QDateTime sessionExpiry();

    // Takes one Set-Cookie value received from `host` for a request of `requestPath`.
    void take(const QString &setCookie, const QString &host, const QString &requestPath,
              const QDateTime &now);
    void removeExpired(const QDateTime &now);
    // The value of the Cookie header for a request (empty: send none); marks the cookies sent.
    QString cookieHeader(const QString &host, const QString &requestPath, bool https,
                         const QDateTime &now);

    // In the order they were stored; a replacement counts as stored last.
    QList<StoredCookie> cookies() const;

    // Both in ASCII form, as canonicalHost() gives them.
    static bool domainMatches(const QString &host, const QString &domain);
    static bool pathMatches(const QString &requestPath, const QString &cookiePath);
    static QString defaultPath(const QString &requestPath);
    // Lower case, an international name in its IDNA form; empty when it has none.
    static QString canonicalHost(const QString &host);

private:
    // Name, domain and path without regard to case: what makes a cookie replace another.
    struct Key
    {
        QString name;
        QString domain;
        QString path;
        bool operator==(const Key &other) const = default;
        friend size_t qHash(const Key &key, size_t seed = 0)
        {
            return qHashMulti(seed, key.name, key.domain, key.path);
        }
    };
    // A stored cookie with what the limits and the lookup need of it, worked out once.
    struct Slot
    {
        StoredCookie cookie;
        Key key;
        // Creation and expiry in milliseconds since the epoch.
        qint64 created;
        qint64 expires;
    };
    using Entry = std::list<Slot>::iterator;

    // Times in milliseconds since the epoch.
    void store(StoredCookie cookie, qint64 expires, qint64 now);
    void erase(Entry entry);
    void keepWithinLimits(const QString &domain);
    static void keepWithinHeaderLimit(QList<Slot *> &matching);

    std::list<Slot> m_slots; // in the order stored
    QHash<Key, Entry> m_index;
    QHash<QString, QList<Entry>> m_byDomain;
};
