#include "links/ProductFactsRequest.h"

#include "RemoteText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformRequest.h"
#include "links/ProductFactLines.h"
#include "links/PromotionAnswer.h"
#include "links/ServiceErrorMeanings.h"

#include <QDateTime>

namespace {

const QString Method = QStringLiteral("aliexpress.affiliate.productdetail.get");
constexpr const char *ResponseName = "aliexpress_affiliate_productdetail_get_response";
// Only what is shown, and the ID that says which product it is.
const QString Fields = QStringLiteral(
    "product_id,product_title,target_sale_price,target_sale_price_currency,target_original_price,"
    "discount,commission_rate,hot_product_commission_rate,evaluate_rate,lastest_volume,shop_name");
// The service's code for a result with nothing in it.
const QString EmptyResult = QStringLiteral("405");

const QString FailedLine = QStringLiteral("Сведения о товаре не получены: ");
const QString NoProductLine =
    QStringLiteral("Сведений о товаре нет: товар не участвует в партнёрской программе");
const QString OtherProductText = QStringLiteral("в ответе нет товара %1");

// The facts of the one product asked for; nothing when the service has none. A failure is
// thrown as the text the log line ends with, after the lines that explain it are put in details.
std::optional<ProductFacts> readFacts(const QString &answerText, const QString &productId,
                                      QStringList &details)
{
    const OpenPlatformAnswer answer(answerText, ResponseName);
    if (!answer.isObject())
        throw LumettaError(LogLines::ParseFailed);
    if (const auto refusal = answer.gatewayError()) {
        details = ServiceErrorMeanings::refusalDetails(*refusal);
        throw LumettaError(RemoteText::cleaned(LogLines::joined(refusal->code, refusal->message)));
    }
    const QString status = answer.respCode().trimmed();
    if (status == EmptyResult)
        return std::nullopt;
    if (status != u"200") {
        details = ServiceErrorMeanings::respCodeLines(status, answer.requestId());
        throw LumettaError(RemoteText::cleaned(LogLines::joined(status, answer.respMessage())));
    }
    const QList<ProductFacts> products = answer.products();
    if (products.isEmpty())
        return std::nullopt;
    // Another product's facts are never shown as this one's; a lone product that does not say
    // which it is is taken for the one asked.
    for (const ProductFacts &product : products) {
        if (product.productId.trimmed() == productId)
            return product;
    }
    if (products.size() == 1 && products.first().productId.trimmed().isEmpty())
        return products.first();
    throw LumettaError(OtherProductText.arg(productId));
}

} // namespace

ProductFactsAnswer RequestProductFacts(const LinkRun &run, const QString &productId)
{
    const TParametrs &params = run.request.params;
    OpenPlatformRequest request(Method, params.api_key, QDateTime::currentMSecsSinceEpoch());
    request.set(QStringLiteral("product_ids"), productId);
    request.set(QStringLiteral("target_currency"), params.currency);
    request.set(QStringLiteral("target_language"), QStringLiteral("RU"));
    if (!params.country.isEmpty())
        request.set(QStringLiteral("country"), params.country);
    request.set(QStringLiteral("tracking_id"), run.request.trackingId);
    request.set(QStringLiteral("fields"), Fields);
    QString answerText;
    try {
        answerText = run.http.Get(request.url(run.services.openPlatform, params.app_secret));
    } catch (const std::exception &error) {
        // The message goes on the failure line; its meaning, if any, after it.
        const QStringList lines = ServiceErrorMeanings::transportLines(LogLines::messageOf(error));
        return {std::nullopt, FailedLine + lines.value(0), lines.mid(1)};
    }
    QStringList details;
    try {
        const auto facts = readFacts(answerText, productId, details);
        return {facts, facts ? QString() : NoProductLine};
    } catch (const AnswerFormatError &) {
        return {std::nullopt, FailedLine + LogLines::ParseFailed};
    } catch (const std::exception &error) {
        return {std::nullopt, FailedLine + LogLines::messageOf(error), details};
    }
}

void LogProductFacts(PartnerLinkView &view, const ProductFactsAnswer &answer, bool hotLink)
{
    if (!answer.facts) {
        view.AddLog(answer.failureLine);
        for (const QString &line : answer.failureDetails)
            view.AddLog(line);
        return;
    }
    for (const QString &line : ProductFactLines::lines(*answer.facts, hotLink))
        view.AddLog(line);
    view.AddLog(QString());
    view.setPartnerLinkToolTip(RemoteText::cleaned(answer.facts->title));
}
