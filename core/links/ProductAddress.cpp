#include "links/ProductAddress.h"

#include "TrimText.h"

#include <QRegularExpression>
#include <QSet>
#include <QUrl>
#include <QUrlQuery>

namespace ProductAddress {
namespace {

constexpr auto Unicode = QRegularExpression::UseUnicodePropertiesOption;

// The hosts whose short links lead to a marketplace page, and the form of their paths.
bool isShortPath(const QString &host, const QString &path)
{
    static const QRegularExpression code(QStringLiteral("^/(?:e/)?_[0-9A-Za-z]+/?$"));
    static const QRegularExpression russian(QStringLiteral("^/[0-9A-Za-z_-]+/?$"));
    const QString name = host.toLower();
    if (name == u"ali.ski")
        return russian.match(path).hasMatch();
    if (name == u"a.aliexpress.com" || name == u"s.click.aliexpress.com" ||
        name == u"click.aliexpress.com")
        return code.match(path).hasMatch();
    return false;
}

bool isShortHost(const QString &host)
{
    const QString name = host.toLower();
    return name == u"ali.ski" || name == u"a.aliexpress.com" || name == u"s.click.aliexpress.com" ||
           name == u"click.aliexpress.com";
}

bool isWebScheme(const QUrl &url)
{
    return url.scheme() == u"http" || url.scheme() == u"https";
}

bool isDigits(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,20}$"));
    return digits.match(text).hasMatch();
}

// A sentence may end right after the address; a closing bracket stays when the address opened
// one.
QString withoutClosingPunctuation(QString text)
{
    static const QString closing = QStringLiteral(".,;:!]}»\"'…“”");
    while (!text.isEmpty()) {
        const QChar last = text.back();
        const bool unopened = last == u')' && text.count(u'(') < text.count(u')');
        if (!closing.contains(last) && !unopened)
            break;
        text.chop(1);
    }
    return text;
}

QString withoutOpeningPunctuation(const QString &text)
{
    static const QString opening = QStringLiteral("([{«\"'“");
    qsizetype begin = 0;
    while (begin < text.size() && opening.contains(text.at(begin)))
        ++begin;
    return text.mid(begin);
}

// host[:port][/…] without a scheme, such as "aliexpress.ru/item/1.html".
bool readsAsHostAndPath(const QString &word)
{
    static const QRegularExpression pattern(
        QStringLiteral("^(?:[A-Za-z0-9](?:[A-Za-z0-9-]*[A-Za-z0-9])?\\.)+[A-Za-z]{2,}"
                       "(?::[0-9]{1,5})?(?:[/?#].*)?$"));
    return pattern.match(word).hasMatch();
}

const QSet<QString> &trackingParameters()
{
    static const QSet<QString> names{
        QStringLiteral("spm"),           QStringLiteral("scm"),
        QStringLiteral("scm_id"),        QStringLiteral("scm-url"),
        QStringLiteral("pvid"),          QStringLiteral("utparam"),
        QStringLiteral("utparam-url"),   QStringLiteral("algo_pvid"),
        QStringLiteral("algo_exp_id"),   QStringLiteral("aff_fcid"),
        QStringLiteral("aff_fsk"),       QStringLiteral("aff_platform"),
        QStringLiteral("aff_trace_key"), QStringLiteral("terminal_id"),
        QStringLiteral("gatewayAdapt"),  QStringLiteral("srcSns"),
        QStringLiteral("spreadType"),    QStringLiteral("social_params"),
        QStringLiteral("shareId"),       QStringLiteral("afSmartRedirect"),
        QStringLiteral("pdp_npi"),       QStringLiteral("pdp_ext_f"),
        QStringLiteral("btsid"),         QStringLiteral("ws_ab_test")};
    return names;
}

} // namespace

bool isMarketplaceHost(const QString &host)
{
    static const QRegularExpression pattern(QStringLiteral("(^|\\.)aliexpress\\.[a-z]{2,3}$"));
    return pattern.match(host.toLower()).hasMatch();
}

Pasted fromPastedText(const QString &text)
{
    const QString trimmed = TrimText(text);
    static const QRegularExpression web(QStringLiteral("https?://[^\\s<>\"«»“”]+"),
                                        QRegularExpression::CaseInsensitiveOption | Unicode);
    if (const QRegularExpressionMatch match = web.match(trimmed); match.hasMatch()) {
        const QString address = withoutClosingPunctuation(match.captured());
        return {address, address != trimmed, false};
    }
    static const QRegularExpression blanks(QStringLiteral("\\s+"), Unicode);
    const QStringList words = trimmed.split(blanks, Qt::SkipEmptyParts);
    for (const QString &word : words) {
        const QString candidate = withoutClosingPunctuation(withoutOpeningPunctuation(word));
        if (!readsAsHostAndPath(candidate))
            continue;
        const QString address = QStringLiteral("https://") + candidate;
        const QString host = QUrl(address).host();
        // Among other words only a marketplace's own host is taken for an address.
        if (words.size() == 1 || isMarketplaceHost(host) || isShortHost(host))
            return {address, address != QStringLiteral("https://") + trimmed, true};
    }
    return {trimmed, false, false};
}

std::optional<QString> productId(const QString &address)
{
    const QUrl url(address.trimmed());
    if (!url.isValid() || !isWebScheme(url) || !isMarketplaceHost(url.host()))
        return std::nullopt;
    static const QRegularExpression path(
        QStringLiteral("^/(?:item/(?:[^/]+/)?([0-9]{1,20})\\.html?|i/([0-9]{1,20})(?:\\.html?)?|"
                       "store/product/[^/]+/[0-9]+_([0-9]{1,20})\\.html?)$"));
    const QRegularExpressionMatch match = path.match(url.path());
    for (int group = 1; match.hasMatch() && group <= 3; ++group) {
        if (match.hasCaptured(group))
            return match.captured(group);
    }
    const QUrlQuery query(url);
    const QString parameter = query.queryItemValue(QStringLiteral("productId"));
    if (isDigits(parameter))
        return parameter;
    const QString first =
        query.queryItemValue(QStringLiteral("productIds"), QUrl::FullyDecoded).section(u',', 0, 0);
    if (isDigits(first))
        return first;
    return std::nullopt;
}

std::optional<QString> skuId(const QString &address)
{
    const QString sku = QUrlQuery(QUrl(address.trimmed())).queryItemValue(QStringLiteral("sku_id"));
    return isDigits(sku) ? std::optional(sku) : std::nullopt;
}

QString targetOf(const QString &address)
{
    const QUrlQuery query(QUrl(address.trimmed()));
    for (const QString &name :
         {QStringLiteral("redirectUrl"), QStringLiteral("dl_target_url"), QStringLiteral("ulp")}) {
        const QString target = query.queryItemValue(name, QUrl::FullyDecoded);
        if (!target.isEmpty())
            return target;
    }
    return QString();
}

bool isShortLink(const QString &address, const QString &serviceHost)
{
    const QUrl url(address.trimmed());
    if (!url.isValid() || !isWebScheme(url))
        return false;
    static const QRegularExpression code(QStringLiteral("^/(?:e/)?_[0-9A-Za-z]+/?$"));
    const bool ownShortLink = !serviceHost.isEmpty() &&
                              url.host().compare(serviceHost, Qt::CaseInsensitive) == 0 &&
                              code.match(url.path()).hasMatch();
    return ownShortLink || isShortPath(url.host(), url.path()) || !targetOf(address).isEmpty();
}

bool isFollowedHost(const QString &host, const QString &serviceHost)
{
    return isShortHost(host) ||
           (!serviceHost.isEmpty() && host.compare(serviceHost, Qt::CaseInsensitive) == 0);
}

QString itemPage(const QString &productId, const std::optional<QString> &skuId)
{
    const QString page = QStringLiteral("https://www.aliexpress.com/item/%1.html").arg(productId);
    return skuId ? page + QStringLiteral("?sku_id=") + *skuId : page;
}

QString withoutQuery(const QString &address)
{
    qsizetype cut = address.indexOf(u'?');
    const qsizetype hash = address.indexOf(u'#');
    if (cut < 0 || (hash >= 0 && hash < cut))
        cut = hash;
    return cut < 0 ? address : address.left(cut);
}

Untracked withoutTracking(const QString &address)
{
    const qsizetype hash = address.indexOf(u'#');
    const QString beforeFragment = hash < 0 ? address : address.left(hash);
    const qsizetype mark = beforeFragment.indexOf(u'?');
    if (mark < 0)
        return {address, {}};
    QStringList kept;
    QStringList removed;
    for (const QString &part : beforeFragment.mid(mark + 1).split(u'&')) {
        const QString name = QUrl::fromPercentEncoding(part.section(u'=', 0, 0).toUtf8());
        if (trackingParameters().contains(name))
            removed << name;
        else if (!part.isEmpty())
            kept << part;
    }
    if (removed.isEmpty())
        return {address, {}};
    QString result = beforeFragment.left(mark);
    if (!kept.isEmpty())
        result += u'?' + kept.join(u'&');
    return {result + (hash < 0 ? QString() : address.mid(hash)), removed};
}

} // namespace ProductAddress
