#pragma once

#include <QByteArray>
#include <QString>

#include <map>

// One signed call of the AliExpress Open Platform's gateway: the method, the system parameters
// and the method's own ones. The signature covers the raw values; the query carries them
// percent-encoded, so that only ASCII goes on the wire.
class OpenPlatformRequest
{
public:
    // Sets method, app_key, timestamp (milliseconds since the epoch), sign_method=sha256,
    // format=json and v=2.0.
    OpenPlatformRequest(const QString &method, const QString &appKey, qint64 timestampMs);

    // Adds or replaces a parameter.
    void set(const QString &name, const QString &value);

    // The parameters, sorted by the bytes of their names, without sign.
    const std::map<QByteArray, QByteArray> &parameters() const { return m_parameters; }

    // The query, each name and value percent-encoded (RFC 3986 unreserved characters kept),
    // sorted by name and ending in sign=<signature>.
    QString query(const QString &appSecret) const;
    // gateway + "/sync?" + query().
    QString url(const QString &gateway, const QString &appSecret) const;

    // HMAC-SHA256, keyed with the secret, of apiPath followed by each parameter's name and
    // value in byte order of the names, as upper-case hexadecimal. apiPath is empty for the
    // dotted methods called on /sync, and the path of a path-style method ("/order/get").
    static QString signature(const QByteArray &apiPath,
                             const std::map<QByteArray, QByteArray> &parameters,
                             const QString &appSecret);

private:
    std::map<QByteArray, QByteArray> m_parameters;
};
