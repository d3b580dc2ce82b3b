#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

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
// to the hosts and paths they belong to (RFC 6265, without a public-suffix list).
class CookieJar
{
public:
    // The expiry of a cookie that names none.
    static QDateTime sessionExpiry();

    // Takes one Set-Cookie value received from `host` for a request of `requestPath`.
    void take(const QString &setCookie, const QString &host, const QString &requestPath,
              const QDateTime &now);
    void removeExpired(const QDateTime &now);
    // The value of the Cookie header for a request (empty: send none); marks the cookies sent.
    QString cookieHeader(const QString &host, const QString &requestPath, bool https,
                         const QDateTime &now);

    const QList<StoredCookie> &cookies() const { return m_cookies; }

    static bool domainMatches(const QString &host, const QString &domain);
    static bool pathMatches(const QString &requestPath, const QString &cookiePath);
    static QString defaultPath(const QString &requestPath);

private:
    void store(StoredCookie cookie, const QDateTime &now);

    QList<StoredCookie> m_cookies;
};
