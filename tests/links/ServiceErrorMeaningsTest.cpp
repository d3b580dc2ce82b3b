// The table that says what a failure means, for each kind of message a failed request can
// carry. (The service's codes are tested through the runs and the key check that log them.)
#include "ExpectedMeanings.h"
#include "QStringPrinter.h"

#include "links/ServiceErrorMeanings.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

using namespace ExpectedMeanings;

const QString Name = QStringLiteral("Имя сервера не найдено: проверьте подключение к интернету.");
const QString Late = QStringLiteral(
    "Сервис не ответил вовремя: проверьте подключение к интернету и повторите позже.");
const QString Reset =
    QStringLiteral("Соединение оборвалось: сбой сети, прокси или антивируса. Повторите позже.");
const QString Untrusted = QStringLiteral(
    "Соединению нельзя доверять: сертификат сервиса не прошёл проверку. Проверьте дату и время "
    "компьютера; соединение может перехватывать прокси или антивирус.");
const QString Tls = QStringLiteral("Не удалось установить защищённое соединение (TLS) с сервисом: "
                                   "повторите позже; его может нарушать прокси или антивирус.");

TEST(ServiceErrorMeaningsTest, EachTransportFailureGetsTheLineForWhatItMeans)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"Socket Error # 11001\r\nHost not found.", Name},
        {"Socket Error # 11002\r\n", Name},
        {"Socket Error # 11003\r\n", Name},
        {"Socket Error # 10060\r\nConnection timed out.", Late},
        {"Read timed out.", Late},
        {"Socket Error # 10061\r\nConnection refused.", Refused},
        {"Socket Error # 10054\r\nConnection reset by peer.", Reset},
        {"Socket Error # 10053\r\nSoftware caused connection abort.", Reset},
        {"Socket Error # 10004\r\nInterrupted system call.", QString()},
        {"HTTP/1.1 500 Internal Server Error", ServerError},
        {"HTTP/1.0 503", ServerError},
        {"HTTP/1.1 404 Not Found", NotFound},
        {"HTTP/1.1 403 Forbidden", Rejected},
        {"HTTP/1.1 429 Too Many Requests",
         QStringLiteral("Слишком много запросов: подождите немного и повторите.")},
        {"HTTP/1.1 302 Found", QString()},
        {"HTTP/1.1 5000 Odd", QString()},
        {"Error connecting with SSL.\r\nerror:0A000086:SSL routines::certificate verify failed "
         "(certificate has expired)",
         Untrusted},
        {"Error connecting with SSL.\r\nEOF was observed that violates the protocol", Tls},
        {"Could not load SSL library.",
         QStringLiteral("Не найдена библиотека OpenSSL 3, без которой нет HTTPS: установите её "
                        "(или верните её файлы рядом с программой).")},
        {"Connection Closed Gracefully.",
         QStringLiteral("Сервис закрыл соединение, не ответив: повторите позже.")},
        {"Invalid chunk size.", QStringLiteral("Ответ сервиса нарушает протокол HTTP: повторите "
                                               "позже; ответ может искажать прокси.")},
        // The client's own Russian line needs none, nor does an unknown text.
        {"Ответ сервиса больше 4 МБ: такого ответа не бывает, он не прочитан.", QString()},
        {"Something else. HTTP/1.1 500", QString()},
        {QString(), QString()},
    };
    for (const auto &[message, meaning] : cases) {
        EXPECT_EQ(ServiceErrorMeanings::ofTransportFailure(message), meaning)
            << message.toStdString();
        // The message's own line stays first, as it is.
        EXPECT_EQ(ServiceErrorMeanings::transportLines(message).value(0), message);
    }
}

} // namespace
