#include "links/KeyCheck.h"

#include "RemoteText.h"
#include "TrimText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformAnswer.h"
#include "links/OpenPlatformRequest.h"
#include "links/PromotionAnswer.h"
#include "links/ServiceErrorMeanings.h"

#include <QDateTime>

#include <exception>

namespace {

// The cheapest signed call of the affiliate API: no parameters of its own, a short answer.
const QString Method = QStringLiteral("aliexpress.affiliate.category.get");
constexpr const char *ResponseName = "aliexpress_affiliate_category_get_response";
const QString ExpectedStatus = QStringLiteral("200");

const QString NoKeyLine = QStringLiteral("Необходим API KEY: App Key из консоли Open Platform.");
const QString NoSecretLine =
    QStringLiteral("Необходим App Secret: он в консоли Open Platform рядом с App Key.");
const QString WorksLine =
    QStringLiteral("Ключ и секрет подходят: Open Platform принял подписанный запрос.");
const QString NoAnswerLine = QStringLiteral("Проверка не пройдена: нет ответа от Open Platform.");
const QString RefusedLine = QStringLiteral("Проверка не пройдена: Open Platform отклонил запрос.");
const QString FailedLine = QStringLiteral("Проверка не пройдена: Open Platform ответил ошибкой.");
const QString UnreadLine = QStringLiteral("Проверка не пройдена: ответ Open Platform не разобран.");
const QString ServiceMessageLine = QStringLiteral("Сообщение API: ");

KeyCheckResult failed(const QStringList &lines)
{
    return {false, lines};
}

// The answer of the one call, read: a refusal, a failed call, or success.
KeyCheckResult readAnswer(const QString &answerText)
{
    const OpenPlatformAnswer answer(answerText, ResponseName);
    if (!answer.isObject())
        return failed({UnreadLine});
    if (const auto refusal = answer.gatewayError())
        return failed(QStringList{RefusedLine} + ServiceErrorMeanings::refusalLines(*refusal));
    QString status;
    try {
        status = answer.respCode();
    } catch (const AnswerFormatError &) {
        return failed({UnreadLine});
    }
    if (TrimText(status) == ExpectedStatus)
        return {true, {WorksLine}};
    return failed(QStringList{FailedLine, LogLines::Status + RemoteText::cleaned(status),
                              ServiceMessageLine + RemoteText::cleaned(answer.respMessage())} +
                  ServiceErrorMeanings::respCodeLines(status, answer.requestId()));
}

// The failed request's message and its meaning, and the refusal its body holds, if any.
KeyCheckResult requestFailed(const QString &message, const QString &body = QString())
{
    QStringList lines = QStringList{NoAnswerLine} + ServiceErrorMeanings::transportLines(message);
    if (const auto refusal = OpenPlatformAnswer(body, ResponseName).gatewayError())
        lines += ServiceErrorMeanings::refusalLines(*refusal);
    return failed(lines);
}

} // namespace

KeyCheckResult CheckOpenPlatformKey(const TParametrs &params, HttpClient &http,
                                    const LinkServices &services)
{
    if (TrimText(params.api_key).isEmpty())
        return failed({NoKeyLine});
    if (TrimText(params.app_secret).isEmpty())
        return failed({NoSecretLine});
    // Sent as typed, as a run sends them: blanks around a key fail here as they would there.
    const OpenPlatformRequest request(Method, params.api_key, QDateTime::currentMSecsSinceEpoch());
    const QString url = request.url(services.openPlatform, params.app_secret);
    QString answerText;
    try {
        answerText = http.Get(url);
    } catch (const HttpStatusError &error) {
        return requestFailed(error.message(), error.body());
    } catch (const std::exception &error) {
        return requestFailed(LogLines::messageOf(error));
    }
    return readAnswer(answerText);
}
