#include "links/OpenPlatformRequest.h"

#include <QMessageAuthenticationCode>
#include <QUrl>

namespace {
const QString SyncPath = QStringLiteral("/sync?");
}

OpenPlatformRequest::OpenPlatformRequest(const QString &method, const QString &appKey,
                                         qint64 timestampMs)
{
    set(QStringLiteral("method"), method);
    set(QStringLiteral("app_key"), appKey);
    set(QStringLiteral("timestamp"), QString::number(timestampMs));
    set(QStringLiteral("sign_method"), QStringLiteral("sha256"));
    set(QStringLiteral("format"), QStringLiteral("json"));
    set(QStringLiteral("v"), QStringLiteral("2.0"));
}

void OpenPlatformRequest::set(const QString &name, const QString &value)
{
    m_parameters[name.toUtf8()] = value.toUtf8();
}

QString OpenPlatformRequest::query(const QString &appSecret) const
{
    QByteArray text;
    for (const auto &[name, value] : m_parameters)
        text += QUrl::toPercentEncoding(QString::fromUtf8(name)) + '=' +
                QUrl::toPercentEncoding(QString::fromUtf8(value)) + '&';
    text += "sign=" + signature(QByteArray(), m_parameters, appSecret).toLatin1();
    return QString::fromLatin1(text);
}

QString OpenPlatformRequest::url(const QString &gateway, const QString &appSecret) const
{
    return gateway + SyncPath + query(appSecret);
}

QString OpenPlatformRequest::signature(const QByteArray &apiPath,
                                       const std::map<QByteArray, QByteArray> &parameters,
                                       const QString &appSecret)
{
    QMessageAuthenticationCode code(QCryptographicHash::Sha256, appSecret.toUtf8());
    code.addData(apiPath);
    for (const auto &[name, value] : parameters) {
        if (name == "sign")
            continue;
        code.addData(name);
        code.addData(value);
    }
    return QString::fromLatin1(code.result().toHex().toUpper());
}
