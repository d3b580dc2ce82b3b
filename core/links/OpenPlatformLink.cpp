#include "links/OpenPlatformLink.h"

#include "TrimText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformAnswer.h"
#include "links/OpenPlatformRequest.h"
#include "links/PromotionAnswer.h"
#include "stored/UnParam.h"

#include <QDateTime>

namespace {

using namespace LogLines;

const QString Method = QStringLiteral("aliexpress.affiliate.link.generate");
constexpr const char *ResponseName = "aliexpress_affiliate_link_generate_response";
const QString ExpectedStatus = QStringLiteral("200");

const QString ApiLine =
    QStringLiteral("Используется API AliExpress Open Platform: aliexpress.affiliate.link.generate");
const QString QueryDroppedLine =
    QStringLiteral("Адрес страницы отправлен без параметров и якоря: ");
const QString ServiceErrorLine = QStringLiteral("Ошибка API aliexpress: ");
const QString ServiceDetailLine = QStringLiteral("Подробности: ");
const QString WrongStatusLine = QStringLiteral("Не корректный статус ответа от API, нужен \"200\"");
const QString ServiceMessageLine = QStringLiteral("Сообщение API: ");
const QString NoLinkLine =
    QStringLiteral("Партнёрской ссылки нет: товар не участвует в партнёрской программе");

// "code: message", or whichever of the two there is.
QString joined(const QString &code, const QString &message)
{
    if (code.isEmpty() || message.isEmpty())
        return code + message;
    return code + QStringLiteral(": ") + message;
}

void logServiceError(PartnerLinkView &view, const OpenPlatformError &error)
{
    view.AddLog(ServiceErrorLine + joined(error.code, error.message));
    if (!error.subCode.isEmpty() || !error.subMessage.isEmpty())
        view.AddLog(ServiceDetailLine + joined(error.subCode, error.subMessage));
}

// The service refuses long addresses with a query: the page is named without it.
QString sourceAddress(PartnerLinkView &view, const QString &pageUrl)
{
    const QString address = TrimText(pageUrl);
    qsizetype cut = address.indexOf(u'?');
    const qsizetype hash = address.indexOf(u'#');
    if (cut < 0 || (hash >= 0 && hash < cut))
        cut = hash;
    if (cut < 0)
        return address;
    const QString sent = address.left(cut);
    view.AddLog(QueryDroppedLine + sent);
    return sent;
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

bool RequestOpenPlatformLink(PartnerLinkView &view, HttpClient &http, const LinkServices &services,
                             QString &partnerLink)
{
    view.AddLog(ApiLine);
    if (TrimText(AppParams.api_key).isEmpty()) {
        view.AddLog(NoKey);
        view.AddLog(QString());
        return false;
    }
    const QString trackingId = view.trackingIdText();
    const QString source = sourceAddress(view, view.pageUrlText());
    view.AddLog(QString());

    OpenPlatformRequest request(Method, AppParams.api_key, QDateTime::currentMSecsSinceEpoch());
    request.set(QStringLiteral("promotion_link_type"), QStringLiteral("0"));
    request.set(QStringLiteral("source_values"), source);
    request.set(QStringLiteral("tracking_id"), trackingId);
    const QString url = request.url(services.openPlatform, AppParams.app_secret);
    view.setRequestUrl(url);

    QString answerText;
    if (!fetchAnswer(view, http, url, answerText))
        return false;
    view.setRawAnswer(answerText);
    return readPartnerLink(view, answerText, source, partnerLink);
}
