#include "links/ProductFactsRequest.h"

#include "links/LogLines.h"
#include "links/OpenPlatformAnswer.h"
#include "links/OpenPlatformRequest.h"
#include "links/PromotionAnswer.h"

#include <QDateTime>

namespace {

const QString Method = QStringLiteral("aliexpress.affiliate.productdetail.get");
constexpr const char *ResponseName = "aliexpress_affiliate_productdetail_get_response";
// Only what is shown.
const QString Fields = QStringLiteral(
    "product_title,target_sale_price,target_sale_price_currency,target_original_price,discount,"
    "commission_rate,hot_product_commission_rate,evaluate_rate,lastest_volume,shop_name");

const QString FailedLine = QStringLiteral("Сведения о товаре не получены: ");
const QString NoProductLine =
    QStringLiteral("Сведений о товаре нет: товар не участвует в партнёрской программе");

// The facts of the one product asked for; nothing when the service has none. A failure is
// thrown as the text the log line ends with.
std::optional<ProductFacts> readFacts(const QString &answerText)
{
    const OpenPlatformAnswer answer(answerText, ResponseName);
    if (!answer.isObject())
        throw LumettaError(LogLines::ParseFailed);
    if (const auto refusal = answer.gatewayError())
        throw LumettaError(LogLines::joined(refusal->code, refusal->message));
    const QString status = answer.respCode().trimmed();
    if (status != u"200")
        throw LumettaError(LogLines::joined(status, answer.respMessage()));
    const QList<ProductFacts> products = answer.products();
    if (products.isEmpty())
        return std::nullopt;
    return products.first();
}

void addIfGiven(QStringList &lines, const QString &label, const QString &value)
{
    if (!value.isEmpty())
        lines << label + value;
}

QStringList factLines(const ProductFacts &facts)
{
    QStringList lines;
    addIfGiven(lines, QStringLiteral("Товар: "), facts.title);
    QString price = facts.salePrice;
    if (!price.isEmpty() && !facts.saleCurrency.isEmpty())
        price += QLatin1Char(' ') + facts.saleCurrency;
    if (!price.isEmpty() && !facts.originalPrice.isEmpty() && !facts.discount.isEmpty())
        price +=
            QStringLiteral(" (без скидки %1, скидка %2)").arg(facts.originalPrice, facts.discount);
    addIfGiven(lines, QStringLiteral("Цена: "), price);
    QString commission = facts.commissionRate;
    if (!facts.hotCommissionRate.isEmpty())
        commission += QStringLiteral(" (для горячих товаров %1)").arg(facts.hotCommissionRate);
    addIfGiven(lines, QStringLiteral("Комиссия: "), commission);
    addIfGiven(lines, QStringLiteral("Положительных отзывов: "), facts.evaluateRate);
    addIfGiven(lines, QStringLiteral("Продано: "), facts.volume);
    addIfGiven(lines, QStringLiteral("Магазин: "), facts.shopName);
    return lines;
}

} // namespace

void RequestProductFacts(const LinkRun &run, const QString &productId)
{
    PartnerLinkView &view = run.view;
    const TParametrs &params = run.request.params;
    OpenPlatformRequest request(Method, params.api_key, QDateTime::currentMSecsSinceEpoch());
    request.set(QStringLiteral("product_ids"), productId);
    request.set(QStringLiteral("target_currency"), params.currency);
    request.set(QStringLiteral("target_language"), QStringLiteral("RU"));
    request.set(QStringLiteral("tracking_id"), run.request.trackingId);
    request.set(QStringLiteral("fields"), Fields);
    std::optional<ProductFacts> facts;
    try {
        facts = readFacts(run.http.Get(request.url(run.services.openPlatform, params.app_secret)));
    } catch (const AnswerFormatError &) {
        view.AddLog(FailedLine + LogLines::ParseFailed);
        return;
    } catch (const std::exception &error) {
        view.AddLog(FailedLine + LogLines::messageOf(error));
        return;
    }
    if (!facts) {
        view.AddLog(NoProductLine);
        return;
    }
    for (const QString &line : factLines(*facts))
        view.AddLog(line);
    view.AddLog(QString());
    view.setPartnerLinkToolTip(facts->title);
}
