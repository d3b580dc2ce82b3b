#include "links/ProductAddress.h"

#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace ProductAddress {
namespace {

bool isMarketplaceHost(const QString &host)
{
    static const QRegularExpression pattern(QStringLiteral("(^|\\.)aliexpress\\.[a-z]{2,3}$"));
    return pattern.match(host.toLower()).hasMatch();
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == u"http" || url.scheme() == u"https";
}

} // namespace

std::optional<QString> productId(const QString &address)
{
    const QUrl url(address.trimmed());
    if (!url.isValid() || !isWebScheme(url) || !isMarketplaceHost(url.host()))
        return std::nullopt;
    static const QRegularExpression path(
        QStringLiteral("^/(?:item/(?:[^/]+/)?|i/)([0-9]{1,20})\\.html?$"));
    const QRegularExpressionMatch match = path.match(url.path());
    if (match.hasMatch())
        return match.captured(1);
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,20}$"));
    const QString parameter = QUrlQuery(url).queryItemValue(QStringLiteral("productId"));
    if (digits.match(parameter).hasMatch())
        return parameter;
    return std::nullopt;
}

bool isShortLink(const QString &address)
{
    const QUrl url(address.trimmed());
    static const QRegularExpression path(QStringLiteral("^/(?:e/)?_[0-9A-Za-z]+/?$"));
    return url.isValid() && isWebScheme(url) &&
           (path.match(url.path()).hasMatch() ||
            QUrlQuery(url).hasQueryItem(QStringLiteral("redirectUrl")));
}

QString itemPage(const QString &productId)
{
    return QStringLiteral("https://www.aliexpress.com/item/%1.html").arg(productId);
}

QString withoutQuery(const QString &address)
{
    qsizetype cut = address.indexOf(u'?');
    const qsizetype hash = address.indexOf(u'#');
    if (cut < 0 || (hash >= 0 && hash < cut))
        cut = hash;
    return cut < 0 ? address : address.left(cut);
}

} // namespace ProductAddress
