#include "links/OpenPlatformLink.h"

#include "TrimText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformAnswer.h"
#include "links/OpenPlatformRequest.h"
#include "links/ProductAddress.h"
#include "links/ProductFactsRequest.h"
#include "links/PromotionAnswer.h"
#include "links/ShortLinkResolver.h"

#include <QDateTime>

#include <optional>

namespace {

using namespace LogLines;

const QString Method = QStringLiteral("aliexpress.affiliate.link.generate");
constexpr const char *ResponseName = "aliexpress_affiliate_link_generate_response";
const QString ExpectedStatus = QStringLiteral("200");

const QString ApiLine =
    QStringLiteral("Используется API AliExpress Open Platform: aliexpress.affiliate.link.generate");
const QString QueryDroppedLine =
    QStringLiteral("Адрес страницы отправлен без параметров и якоря: ");
const QString ItemPageLine = QStringLiteral("Товар %1, отправлен адрес его страницы: %2");
const QString ServiceErrorLine = QStringLiteral("Ошибка API aliexpress: ");
const QString ServiceDetailLine = QStringLiteral("Подробности: ");
const QString WrongStatusLine = QStringLiteral("Не корректный статус ответа от API, нужен \"200\"");
const QString ServiceMessageLine = QStringLiteral("Сообщение API: ");
const QString NoLinkLine =
    QStringLiteral("Партнёрской ссылки нет: товар не участвует в партнёрской программе");

void logServiceError(PartnerLinkView &view, const OpenPlatformError &error)
{
    view.AddLog(ServiceErrorLine + joined(error.code, error.message));
    if (!error.subCode.isEmpty() || !error.subMessage.isEmpty())
        view.AddLog(ServiceDetailLine + joined(error.subCode, error.subMessage));
}

// The page sent for the address the user gave: the product's own page when its ID can be had,
// after following a short link's redirects if need be; else the address without its query
// and fragment, which the service refuses on long addresses.
struct Source
{
    QString address;
    std::optional<QString> productId;
};

Source sourceFor(PartnerLinkView &view, HttpClient &http, const QString &pageUrl)
{
    const QString address = TrimText(pageUrl);
    std::optional<QString> id = ProductAddress::productId(address);
    if (!id && ProductAddress::isShortLink(address))
        id = ShortLinkResolver(view, http).productId(address);
    if (id) {
        const QString item = ProductAddress::itemPage(*id);
        if (item != address)
            view.AddLog(ItemPageLine.arg(*id, item));
        return {item, id};
    }
    const QString sent = ProductAddress::withoutQuery(address);
    if (sent != address)
        view.AddLog(QueryDroppedLine + sent);
    return {sent, std::nullopt};
}

// Sends the GET; on failure logs it, with the gateway's own error when its body holds one.
bool fetchAnswer(PartnerLinkView &view, HttpClient &http, const QString &url, QString &answer)
{
    try {
        answer = http.Get(url);
        return true;
    } catch (const HttpStatusError &error) {
        view.AddLog(RequestFailed);
        view.AddLog(error.message());
        if (const auto refusal = OpenPlatformAnswer(error.body(), ResponseName).gatewayError())
            logServiceError(view, *refusal);
    } catch (const std::exception &error) {
        view.AddLog(RequestFailed);
        view.AddLog(messageOf(error));
    }
    return false;
}

// The element for the address sent; results may come in any order. A lone element is taken
// even when the service wrote its address in another form.
const PromotionLink *linkFor(const QList<PromotionLink> &links, const QString &source)
{
    for (const PromotionLink &link : links) {
        if (link.sourceValue == source)
            return &link;
    }
    return links.size() == 1 ? &links.first() : nullptr;
}

// Logs the status, the totals and the link; false when the status ends the run.
bool readAnswer(PartnerLinkView &view, const OpenPlatformAnswer &answer, const QString &source,
                QString &partnerLink)
{
    const QString status = answer.respCode();
    view.AddLog(Status + status);
    view.AddLog(QString());
    if (TrimText(status) != ExpectedStatus) {
        view.AddLog(WrongStatusLine);
        view.AddLog(ServiceMessageLine + answer.respMessage());
        view.AddLog(QString());
        return false;
    }
    const QList<PromotionLink> links = answer.promotionLinks();
    view.AddLog(Total + answer.resultText("total_result_count"));
    view.AddLog(QString());
    view.AddLog(Count + QString::number(links.size()));
    view.AddLog(QString());
    const PromotionLink *link = linkFor(links, source);
    if (!link || link->promotionLink.isEmpty()) {
        view.AddLog(NoLinkLine);
        view.AddLog(QString());
        return true;
    }
    view.AddLog(ForUrl + link->sourceValue);
    partnerLink = link->promotionLink;
    view.AddLog(Partner + partnerLink);
    view.setPartnerLink(partnerLink);
    return true;
}

bool readPartnerLink(PartnerLinkView &view, const QString &answerText, const QString &source,
                     QString &partnerLink)
{
    const OpenPlatformAnswer answer(answerText, ResponseName);
    if (answer.isJson() && !answer.isObject()) {
        view.AddLog(NotObject);
        return false;
    }
    if (const auto refusal = answer.gatewayError()) {
        logServiceError(view, *refusal);
        view.AddLog(QString());
        return false;
    }
    try {
        return readAnswer(view, answer, source, partnerLink);
    } catch (const AnswerFormatError &) {
        view.AddLog(ParseFailed);
        view.AddLog(QString());
        return false;
    }
}

} // namespace

bool RequestOpenPlatformLink(const LinkRun &run, QString &partnerLink)
{
    PartnerLinkView &view = run.view;
    const TParametrs &params = run.request.params;
    view.AddLog(ApiLine);
    if (TrimText(params.api_key).isEmpty()) {
        view.AddLog(NoKey);
        view.AddLog(QString());
        return false;
    }
    const Source source = sourceFor(view, run.http, run.request.pageUrl);
    view.AddLog(QString());

    OpenPlatformRequest request(Method, params.api_key, QDateTime::currentMSecsSinceEpoch());
    request.set(QStringLiteral("promotion_link_type"), QStringLiteral("0"));
    request.set(QStringLiteral("source_values"), source.address);
    request.set(QStringLiteral("tracking_id"), run.request.trackingId);
    const QString url = request.url(run.services.openPlatform, params.app_secret);
    view.setRequestUrl(url);

    QString answerText;
    if (!fetchAnswer(view, run.http, url, answerText))
        return false;
    view.setRawAnswer(answerText);
    if (!readPartnerLink(view, answerText, source.address, partnerLink))
        return false;
    if (source.productId)
        RequestProductFacts(run, *source.productId);
    return true;
}
