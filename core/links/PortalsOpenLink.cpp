#include "links/PortalsOpenLink.h"

#include "RemoteText.h"
#include "TrimText.h"
#include "links/GatewayStatus.h"
#include "links/LogLines.h"
#include "links/PromotionAnswer.h"
#include "links/RemoteLink.h"
#include "links/ServiceErrorMeanings.h"

namespace {

using namespace LogLines;

const QString ApiLine =
    QStringLiteral("Используется старый API AliExpress: portals.open api.getPromotionLinks");
const QString ApiPath = QStringLiteral("/openapi/param2/2/portals.open/api.getPromotionLinks/");
const QString BeforeTrackingId = QStringLiteral("?fields=promotionUrls&trackingId=");
const QString BeforePageUrl = QStringLiteral("&urls=");
const QString ExpectedStatus = QStringLiteral("20010000");
const QString WrongStatusLine =
    QStringLiteral("Не корректный статус ответа от API, нужен \"20010000\"");

// Sends the GET; on failure logs it, with what it means for the user, and gives false.
bool fetchAnswer(PartnerLinkView &view, HttpClient &http, const QString &url, QString &answer)
{
    try {
        answer = http.Get(url);
        return true;
    } catch (const std::exception &error) {
        view.AddLog(RequestFailed);
        for (const QString &line : ServiceErrorMeanings::transportLines(messageOf(error)))
            view.AddLog(line);
        return false;
    }
}

// Logs each element's page address and partner link and shows the link; the last one read
// stays in partnerLink. False, after a line saying why, at a link that cannot be used (an
// empty one goes on to the shortener, as it always has).
bool readElements(PartnerLinkView &view, const PromotionAnswer &answer, qsizetype count,
                  QString &partnerLink)
{
    for (qsizetype i = 0; i < count; ++i) {
        view.AddLog(ForUrl + RemoteText::cleaned(answer.elementUrl(i)));
        const QString link = answer.elementPromotionUrl(i);
        if (const QString fault = RemoteLink::fault(link); !link.isEmpty() && !fault.isEmpty()) {
            view.AddLog(UnusableLink + fault);
            view.AddLog(QString());
            return false;
        }
        partnerLink = link;
        view.AddLog(Partner + partnerLink);
        view.setPartnerLink(partnerLink);
    }
    return true;
}

// Reads the status, the totals and the elements. False when the status or an unusable link
// ends the run; AnswerFormatError when the answer lacks what is read.
bool readAnswer(PartnerLinkView &view, const PromotionAnswer &answer, QString &partnerLink)
{
    const QString status = answer.errorCode();
    view.AddLog(Status + RemoteText::cleaned(status));
    view.AddLog(QString());
    if (TrimText(status) != ExpectedStatus) {
        view.AddLog(WrongStatusLine);
        if (const QString meaning = GatewayStatusMeaning(TrimText(status)); !meaning.isEmpty())
            view.AddLog(meaning);
        view.AddLog(QString());
        return false;
    }
    const QString total = answer.totalResults();
    view.AddLog(Total + RemoteText::cleaned(total));
    view.AddLog(QString());
    const qsizetype count = answer.promotionUrlCount();
    const QString countText = QString::number(count);
    view.AddLog(Count + countText);
    view.AddLog(QString());
    return total != countText || readElements(view, answer, count, partnerLink);
}

// Parses the answer text and reads it; false when the run ends here.
bool readPartnerLink(PartnerLinkView &view, const QString &answerText, QString &partnerLink)
{
    const PromotionAnswer answer(answerText);
    if (answer.isJson() && !answer.isObject()) {
        view.AddLog(NotObject);
        return false;
    }
    try {
        return readAnswer(view, answer, partnerLink);
    } catch (const AnswerFormatError &) {
        view.AddLog(ParseFailed);
        view.AddLog(QString());
        return false;
    }
}

} // namespace

bool RequestPortalsOpenLink(const LinkRun &run, QString &partnerLink)
{
    PartnerLinkView &view = run.view;
    const QString &key = run.request.params.api_key;
    // The trimmed key only decides whether there is one; the request carries it as stored.
    if (TrimText(key).isEmpty()) {
        view.AddLog(NoKey);
        view.AddLog(QString());
        return false;
    }
    view.AddLog(ApiLine);
    const QString url = run.services.apiGateway + ApiPath + key + BeforeTrackingId +
                        run.request.trackingId + BeforePageUrl + run.request.pageUrl;
    view.setRequestUrl(url);

    QString answerText;
    if (!fetchAnswer(view, run.http, url, answerText))
        return false;
    view.setRawAnswer(answerText);
    return readPartnerLink(view, answerText, partnerLink);
}
