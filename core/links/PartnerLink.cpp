#include "links/PartnerLink.h"

#include "BuildConfig.h"
#include "TrimText.h"
#include "links/GatewayStatus.h"
#include "links/PromotionAnswer.h"
#include "stored/UnParam.h"

#include <QStringList>

#include <exception>

namespace {

const QString ApiPath = QStringLiteral("/openapi/param2/2/portals.open/api.getPromotionLinks/");
const QString BeforeTrackingId = QStringLiteral("?fields=promotionUrls&trackingId=");
const QString BeforePageUrl = QStringLiteral("&urls=");
const QString ExpectedStatus = QStringLiteral("20010000");
const QString ShortenerPath = QStringLiteral("/--");

const QString NoKeyLine = QStringLiteral("Необходим API KEY. Зайдите в настроки программы.");
const QString RequestFailedLine = QStringLiteral("Проблемы с получением данных с API aliexpress");
const QString NotObjectLine = QStringLiteral("Проблемы с данными получеными от API aliexpress");
const QString ParseFailedLine =
    QStringLiteral("Проблемы при разборе данных. Это к разработчику :)");
const QString StatusLine = QStringLiteral("Статус ответа: ");
const QString WrongStatusLine =
    QStringLiteral("Не корректный статус ответа от API, нужен \"20010000\"");
const QString TotalLine = QStringLiteral("Всего данных (ali): ");
const QString CountLine = QStringLiteral("Всего данных (факт): ");
const QString ForUrlLine = QStringLiteral("Для ссылки: ");
const QString PartnerLine = QStringLiteral("Партнёрская: ");
const QString ShortFailedLine = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString ShortLinkLine = QStringLiteral("Короткая партнёрская от Яндекса: ");

QString messageOf(const std::exception &error)
{
    if (const auto *own = dynamic_cast<const LumettaError *>(&error))
        return own->message();
    return QString::fromUtf8(error.what());
}

// Sends the GET; on failure logs it and gives false.
bool fetchAnswer(PartnerLinkView &view, HttpClient &http, const QString &url, QString &answer)
{
    try {
        answer = http.Get(url);
        return true;
    } catch (const std::exception &error) {
        view.AddLog(RequestFailedLine);
        view.AddLog(messageOf(error));
        return false;
    }
}

// Logs each element's page address and partner link and shows the link; the last one read
// stays in partnerLink.
void readElements(PartnerLinkView &view, const PromotionAnswer &answer, qsizetype count,
                  QString &partnerLink)
{
    for (qsizetype i = 0; i < count; ++i) {
        view.AddLog(ForUrlLine + answer.elementUrl(i));
        partnerLink = answer.elementPromotionUrl(i);
        view.AddLog(PartnerLine + partnerLink);
        view.setPartnerLink(partnerLink);
    }
}

// Reads the status, the totals and the elements. False when the status ends the run;
// AnswerFormatError when the answer lacks what is read.
bool readAnswer(PartnerLinkView &view, const PromotionAnswer &answer, QString &partnerLink)
{
    const QString status = answer.errorCode();
    view.AddLog(StatusLine + status);
    view.AddLog(QString());
    if (TrimText(status) != ExpectedStatus) {
        view.AddLog(WrongStatusLine);
        if (const QString meaning = GatewayStatusMeaning(TrimText(status)); !meaning.isEmpty())
            view.AddLog(meaning);
        view.AddLog(QString());
        return false;
    }
    const QString total = answer.totalResults();
    view.AddLog(TotalLine + total);
    view.AddLog(QString());
    const qsizetype count = answer.promotionUrlCount();
    const QString countText = QString::number(count);
    view.AddLog(CountLine + countText);
    view.AddLog(QString());
    if (total == countText)
        readElements(view, answer, count, partnerLink);
    return true;
}

// Parses the answer text and reads it; false when the run ends here.
bool readPartnerLink(PartnerLinkView &view, const QString &answerText, QString &partnerLink)
{
    const PromotionAnswer answer(answerText);
    if (answer.isJson() && !answer.isObject()) {
        view.AddLog(NotObjectLine);
        return false;
    }
    try {
        return readAnswer(view, answer, partnerLink);
    } catch (const AnswerFormatError &) {
        view.AddLog(ParseFailedLine);
        view.AddLog(QString());
        return false;
    }
}

// Counts the runs started in this process, so that a run can tell whether another one
// started while it let pending events run.
quint64 runsStarted = 0;

} // namespace

LinkServices LinkServices::fromBuild()
{
    return {QStringLiteral(LUMETTA_API_GATEWAY), QStringLiteral(LUMETTA_SHORTENER)};
}

void GeneratePartnerLink(PartnerLinkView &view, HttpClient &http, const LinkServices &services)
{
    const quint64 run = ++runsStarted;
    view.clearLog();
    view.setPartnerLink(QString());
    // No short link may outlive the run that made it.
    view.setShortLink(QString());
    QString partnerLink;

    // The trimmed key only decides whether there is one; the request carries it as stored.
    if (TrimText(AppParams.api_key).isEmpty()) {
        view.AddLog(NoKeyLine);
        view.AddLog(QString());
        return;
    }
    const QString trackingId = view.trackingIdText();
    const QString pageUrl = view.pageUrlText();
    const QString url = services.apiGateway + ApiPath + AppParams.api_key + BeforeTrackingId +
                        trackingId + BeforePageUrl + pageUrl;
    view.setRequestUrl(url);

    QString answerText;
    if (!fetchAnswer(view, http, url, answerText))
        return;
    view.setRawAnswer(answerText);
    if (!readPartnerLink(view, answerText, partnerLink))
        return;

    // A run started from here goes to its end first; its pair of links then stands, so this
    // run must not put its own short link beside the other run's partner link.
    view.processPendingEvents();
    if (run != runsStarted)
        return;
    RequestShortLink(view, http, partnerLink, services);
}

void RequestShortLink(PartnerLinkView &view, HttpClient &http, const QString &partnerLink,
                      const LinkServices &services)
{
    const QStringList form{QStringLiteral("url=") + partnerLink};
    QString shortLink;
    try {
        shortLink = http.Post(services.shortener + ShortenerPath, form);
    } catch (const std::exception &) {
        view.AddLog(ShortFailedLine);
        return;
    }
    view.setShortLink(shortLink);
    view.AddLog(ShortLinkLine + shortLink);
    view.AddLog(QString());
}
