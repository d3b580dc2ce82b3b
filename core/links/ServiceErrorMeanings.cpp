#include "links/ServiceErrorMeanings.h"

#include "RemoteText.h"
#include "links/LogLines.h"

#include <QHash>
#include <QRegularExpression>

namespace ServiceErrorMeanings {
namespace {

const QString ServiceErrorLine = QStringLiteral("Ошибка API aliexpress: ");
const QString ServiceDetailLine = QStringLiteral("Подробности: ");
const QString RequestIdLine = QStringLiteral("Номер запроса для поддержки: ");

const QString CallLimit = QStringLiteral("Слишком много запросов: Open Platform ограничивает их "
                                         "частоту. Подождите немного и повторите.");
const QString TimedOut = QStringLiteral(
    "Сервис не ответил вовремя: проверьте подключение к интернету и повторите позже.");
const QString UnknownKey =
    QStringLiteral("Open Platform не знает такого App Key: проверьте API KEY в настройках (это "
                   "App Key приложения из консоли Open Platform).");

// The codes the Open Platform's documentation and answers show. Its gateway's refusals come as
// a code or a sub-code, in its newer (words) and older (numbers) forms alike; a method's own
// failures as its resp_code.
const QHash<QString, QString> &refusalMeanings()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("IncompleteSignature"),
         QStringLiteral("Подпись запроса не принята: App Secret не от этого App Key. Скопируйте "
                        "оба из консоли Open Platform в настройки заново.")},
        {QStringLiteral("isv.appkey-not-exists"), UnknownKey},
        {QStringLiteral("29"), UnknownKey},
        {QStringLiteral("InvalidTimestamp"),
         QStringLiteral("Время запроса не принято: проверьте часы и часовой пояс компьютера.")},
        {QStringLiteral("isv.invalid-parameter"),
         QStringLiteral("API не принял параметр запроса: проверьте Tracking ID и адрес страницы.")},
        {QStringLiteral("ApiCallLimit"), CallLimit},
    };
    return table;
}

const QHash<QString, QString> &respCodeMeanings()
{
    static const QHash<QString, QString> table{
        {QStringLiteral("401"),
         QStringLiteral("Аккаунт не зарегистрирован в партнёрской программе как издатель "
                        "(publisher): войдите на portals.aliexpress.com тем же аккаунтом, что и "
                        "на Open Platform, и зарегистрируйтесь.")},
        {QStringLiteral("402"),
         QStringLiteral("API не принял параметры запроса: проверьте Tracking ID, адрес страницы и "
                        "валюту в настройках.")},
        {QStringLiteral("405"),
         QStringLiteral("Это не ошибка программы: товара нет в продаже или в партнёрской "
                        "программе, или адрес ведёт не на товар.")},
    };
    return table;
}

// What the user can do about a failed request, by the Windows Sockets number of its error.
QString ofSocketError(int code)
{
    static const QString name =
        QStringLiteral("Имя сервера не найдено: проверьте подключение к интернету.");
    static const QString reset =
        QStringLiteral("Соединение оборвалось: сбой сети, прокси или антивируса. Повторите позже.");
    static const QString unreachable =
        QStringLiteral("Сеть недоступна: проверьте подключение к интернету.");
    static const QHash<int, QString> table{
        {11001, name},
        {11002, name},
        {11003, name},
        {10060, TimedOut},
        {10061, QStringLiteral("Сервер отказал в соединении: сервис недоступен, или соединение "
                               "запрещает брандмауэр.")},
        {10054, reset},
        {10053, reset},
        {10050, unreachable},
        {10051, unreachable},
        {10065, unreachable},
    };
    return table.value(code);
}

QString ofHttpStatus(int status)
{
    if (status >= 500 && status <= 599)
        return QStringLiteral("Сбой на стороне сервиса, а не программы: повторите позже.");
    if (status == 429)
        return QStringLiteral("Слишком много запросов: подождите немного и повторите.");
    if (status == 404)
        return QStringLiteral("Такой страницы на сервере нет: адрес устарел или неверен.");
    if (status >= 400 && status <= 499)
        return QStringLiteral(
            "Сервис отклонил запрос: проверьте ключ, Tracking ID и адрес страницы.");
    return QString();
}

QString ofTlsFailure(const QString &message)
{
    if (message.startsWith(u"Could not load SSL library."))
        return QStringLiteral("Не найдена библиотека OpenSSL 3, без которой нет HTTPS: "
                              "установите её (или верните её файлы рядом с программой).");
    if (message.contains(u"certificate", Qt::CaseInsensitive))
        return QStringLiteral("Соединению нельзя доверять: сертификат сервиса не прошёл "
                              "проверку. Проверьте дату и время компьютера; соединение может "
                              "перехватывать прокси или антивирус.");
    return QStringLiteral("Не удалось установить защищённое соединение (TLS) с сервисом: "
                          "повторите позже; его может нарушать прокси или антивирус.");
}

QStringList nonEmpty(const QStringList &lines)
{
    QStringList kept;
    for (const QString &line : lines) {
        if (!line.isEmpty())
            kept << line;
    }
    return kept;
}

} // namespace

QString ofRefusal(const OpenPlatformError &error)
{
    const auto &table = refusalMeanings();
    for (const QString &code : {error.code.trimmed(), error.subCode.trimmed()}) {
        if (const auto found = table.constFind(code); !code.isEmpty() && found != table.cend())
            return *found;
    }
    for (const QString &text : {error.message, error.subMessage}) {
        if (text.contains(u"frequency limit", Qt::CaseInsensitive))
            return CallLimit;
    }
    return QString();
}

QString ofRespCode(const QString &code)
{
    return respCodeMeanings().value(code);
}

QString ofTransportFailure(const QString &message)
{
    static const QRegularExpression socketError(QStringLiteral("^Socket Error # ([0-9]{1,6})\\b"));
    static const QRegularExpression statusLine(
        QStringLiteral("^HTTP/[0-9](?:\\.[0-9])? ([0-9]{3})(?: |$)"));
    if (const auto match = socketError.match(message); match.hasMatch())
        return ofSocketError(match.captured(1).toInt());
    if (const auto match = statusLine.match(message); match.hasMatch())
        return ofHttpStatus(match.captured(1).toInt());
    if (message == u"Read timed out.")
        return TimedOut;
    if (message == u"Connection Closed Gracefully.")
        return QStringLiteral("Сервис закрыл соединение, не ответив: повторите позже.");
    if (message.startsWith(u"Error connecting with SSL.") ||
        message.startsWith(u"Error creating SSL") || message.startsWith(u"Could not load SSL") ||
        message.startsWith(u"Error binding data to SSL") ||
        message.startsWith(u"Error setting File Descriptor for SSL"))
        return ofTlsFailure(message);
    static const QStringList malformed{
        QStringLiteral("Response too large."), QStringLiteral("Invalid Content-Length."),
        QStringLiteral("Invalid chunk size."), QStringLiteral("Max line length exceeded.")};
    if (malformed.contains(message))
        return QStringLiteral("Ответ сервиса нарушает протокол HTTP: повторите позже; ответ может "
                              "искажать прокси.");
    return QString();
}

QStringList transportLines(const QString &message)
{
    return QStringList{message} + nonEmpty({ofTransportFailure(message)});
}

QString requestIdLine(const QString &requestId)
{
    const QString id = RemoteText::cleaned(requestId).trimmed();
    return id.isEmpty() ? QString() : RequestIdLine + id;
}

QStringList refusalLines(const OpenPlatformError &error)
{
    QStringList lines{ServiceErrorLine +
                      RemoteText::cleaned(LogLines::joined(error.code, error.message))};
    if (!error.subCode.isEmpty() || !error.subMessage.isEmpty())
        lines << ServiceDetailLine +
                     RemoteText::cleaned(LogLines::joined(error.subCode, error.subMessage));
    return lines + refusalDetails(error);
}

QStringList refusalDetails(const OpenPlatformError &error)
{
    return nonEmpty({ofRefusal(error), requestIdLine(error.requestId)});
}

QStringList respCodeLines(const QString &code, const QString &requestId)
{
    return nonEmpty({ofRespCode(code.trimmed()), requestIdLine(requestId)});
}

} // namespace ServiceErrorMeanings
