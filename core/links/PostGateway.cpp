#include "links/PostGateway.h"

#include "RemoteText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformRequest.h"
#include "links/ProductAddress.h"
#include "links/PromotionAnswer.h"
#include "links/RemoteLink.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace {

using State = PostRow::State;

const QString FactsMethod = QStringLiteral("aliexpress.affiliate.productdetail.get");
constexpr const char *FactsResponse = "aliexpress_affiliate_productdetail_get_response";
const QString LinkMethod = QStringLiteral("aliexpress.affiliate.link.generate");
constexpr const char *LinkResponse = "aliexpress_affiliate_link_generate_response";
// Only what a row shows, and the ID that says which product it is.
const QString Fields =
    QStringLiteral("product_id,product_title,target_sale_price,target_sale_price_currency,"
                   "commission_rate,hot_product_commission_rate");
// promotion_link_type: an ordinary link, or a hot link that earns the hot-product rate.
const QString OrdinaryLink = QStringLiteral("0");
const QString HotLink = QStringLiteral("2");
// The service's code for a result with nothing in it.
const QString EmptyResult = QStringLiteral("405");

const QString FailedStatus = QStringLiteral("ошибка: ");
const QString NoLinkStatus = QStringLiteral("нет ссылки: ");
const QString NotInProgramme = QStringLiteral("товар не участвует в партнёрской программе");
const QString NoLinkForAddress = QStringLiteral("API не дал ссылки на этот адрес");
const QString NothingFound = QStringLiteral("API не нашёл ничего по этому адресу");
const QString Unreadable = QStringLiteral("ответ API не прочитан");
const QString WrongStatus = QStringLiteral("статус ответа API %1");
const QString UnusableLink = QStringLiteral("ссылка от API непригодна: ");

// Text from the service, on the one line a table cell has.
QString remote(const QString &text)
{
    return RemoteText::cleaned(text).simplified();
}

QString refusalText(const OpenPlatformError &error)
{
    QString text = remote(LogLines::joined(error.code, error.message));
    const QString detail = remote(LogLines::joined(error.subCode, error.subMessage));
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + u')';
}

OpenPlatformRequest signedRequest(const QString &method, const PostRequest &request)
{
    OpenPlatformRequest call(method, request.params.api_key, QDateTime::currentMSecsSinceEpoch());
    call.set(QStringLiteral("tracking_id"), request.trackingId);
    return call;
}

// The product a value or an element names, by its page or as bare digits.
std::optional<QString> productOf(const QString &value)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,20}$"));
    const QString trimmed = value.trimmed();
    return digits.match(trimmed).hasMatch() ? std::optional(trimmed)
                                            : ProductAddress::productId(trimmed);
}

QList<PostLinkResult> everyValue(const QStringList &values, State state, const QString &status)
{
    return QList<PostLinkResult>(values.size(), PostLinkResult{QString(), state, status});
}

PostLinkResult resultOf(const PromotionLink *link, bool namesProduct)
{
    const QString none = NoLinkStatus + (namesProduct ? NotInProgramme : NoLinkForAddress);
    if (!link)
        return {QString(), State::NoLink, none};
    if (link->promotionLink.isEmpty()) {
        const QString message = remote(link->message);
        return {QString(), State::NoLink, message.isEmpty() ? none : NoLinkStatus + message};
    }
    if (const QString fault = RemoteLink::fault(link->promotionLink); !fault.isEmpty())
        return {QString(), State::Failed, FailedStatus + UnusableLink + fault};
    return {link->promotionLink, State::Waiting, QString()};
}

// Each value's element: the one with its very source value first, then one naming the same
// product; a lone value takes a lone element that names no other product, as a single run does.
QList<PostLinkResult> matched(const QStringList &values, const QList<PromotionLink> &links)
{
    QList<std::optional<QString>> valueProducts;
    for (const QString &value : values)
        valueProducts.append(productOf(value));
    QList<std::optional<QString>> linkProducts;
    for (const PromotionLink &link : links)
        linkProducts.append(productOf(link.sourceValue));

    QList<qsizetype> element(values.size(), -1);
    QList<bool> used(links.size(), false);
    const auto claim = [&](const auto &same) {
        for (qsizetype v = 0; v < values.size(); ++v) {
            for (qsizetype e = 0; element[v] < 0 && e < links.size(); ++e) {
                if (!used[e] && same(v, e)) {
                    element[v] = e;
                    used[e] = true;
                }
            }
        }
    };
    claim([&](qsizetype v, qsizetype e) { return links[e].sourceValue.trimmed() == values[v]; });
    claim([&](qsizetype v, qsizetype e) {
        return valueProducts[v] && linkProducts[e] == valueProducts[v];
    });
    if (values.size() == 1 && links.size() == 1 && element[0] < 0 &&
        !(valueProducts[0] && linkProducts[0]))
        element[0] = 0;

    QList<PostLinkResult> results;
    for (qsizetype v = 0; v < values.size(); ++v)
        results.append(
            resultOf(element[v] < 0 ? nullptr : &links[element[v]], valueProducts[v].has_value()));
    return results;
}

} // namespace

QList<QStringList> PostGateway::batches(const QStringList &values)
{
    QList<QStringList> result;
    qsizetype chars = 0;
    for (const QString &value : values) {
        // The value and the encoded comma before the next one.
        const qsizetype size = QUrl::toPercentEncoding(value).size() + 3;
        if (result.isEmpty() || result.last().size() >= MaxValues || chars + size > MaxListChars) {
            result.append(QStringList());
            chars = 0;
        }
        result.last().append(value);
        chars += size;
    }
    return result;
}

bool PostGateway::fetch(const QString &url, const char *responseName, QString &text,
                        QString &failure)
{
    try {
        text = m_http.Get(url);
        return true;
    } catch (const HttpStatusError &error) {
        failure = error.message().simplified();
        if (const auto refusal = OpenPlatformAnswer(error.body(), responseName).gatewayError())
            failure += QStringLiteral(": ") + refusalText(*refusal);
    } catch (const std::exception &error) {
        failure = LogLines::messageOf(error).simplified();
    }
    return false;
}

QHash<QString, ProductFacts> PostGateway::facts(const QStringList &productIds)
{
    const TParametrs &params = m_request.params;
    OpenPlatformRequest call = signedRequest(FactsMethod, m_request);
    call.set(QStringLiteral("product_ids"), productIds.join(u','));
    call.set(QStringLiteral("target_currency"), params.currency);
    call.set(QStringLiteral("target_language"), QStringLiteral("RU"));
    if (!params.country.isEmpty())
        call.set(QStringLiteral("country"), params.country);
    call.set(QStringLiteral("fields"), Fields);

    QHash<QString, ProductFacts> found;
    QString text;
    QString failure;
    if (!fetch(call.url(m_services.openPlatform, params.app_secret), FactsResponse, text, failure))
        return found;
    const OpenPlatformAnswer answer(text, FactsResponse);
    try {
        if (!answer.isObject() || answer.gatewayError() || answer.respCode().trimmed() != u"200")
            return found;
        const QList<ProductFacts> products = answer.products();
        // Another product's facts are never taken for one asked; a lone product that does not
        // say which it is is taken for a lone one asked.
        for (const ProductFacts &product : products) {
            const QString id = product.productId.trimmed();
            if (productIds.contains(id) && !found.contains(id))
                found.insert(id, product);
        }
        if (products.size() == 1 && productIds.size() == 1 &&
            products.first().productId.trimmed().isEmpty())
            found.insert(productIds.first(), products.first());
    } catch (const AnswerFormatError &) {
        found.clear();
    }
    return found;
}

QList<PostLinkResult> PostGateway::links(const QStringList &sourceValues, bool hot)
{
    const TParametrs &params = m_request.params;
    OpenPlatformRequest call = signedRequest(LinkMethod, m_request);
    call.set(QStringLiteral("promotion_link_type"), hot ? HotLink : OrdinaryLink);
    call.set(QStringLiteral("source_values"), sourceValues.join(u','));
    if (!params.country.isEmpty())
        call.set(QStringLiteral("ship_to_country"), params.country);

    QString text;
    QString failure;
    if (!fetch(call.url(m_services.openPlatform, params.app_secret), LinkResponse, text, failure))
        return everyValue(sourceValues, State::Failed, FailedStatus + failure);
    const OpenPlatformAnswer answer(text, LinkResponse);
    if (!answer.isObject())
        return everyValue(sourceValues, State::Failed, FailedStatus + Unreadable);
    if (const auto refusal = answer.gatewayError())
        return everyValue(sourceValues, State::Failed, FailedStatus + refusalText(*refusal));
    try {
        const QString status = answer.respCode().trimmed();
        if (status == EmptyResult)
            return everyValue(sourceValues, State::NoLink, NoLinkStatus + NothingFound);
        if (status != u"200") {
            const QString message = remote(answer.respMessage());
            return everyValue(sourceValues, State::Failed,
                              FailedStatus + WrongStatus.arg(remote(status)) +
                                  (message.isEmpty() ? QString() : QStringLiteral(": ") + message));
        }
        return matched(sourceValues, answer.promotionLinks());
    } catch (const AnswerFormatError &) {
        return everyValue(sourceValues, State::Failed, FailedStatus + Unreadable);
    }
}
