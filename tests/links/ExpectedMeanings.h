#pragma once

// The Russian lines that explain failures, as the tests expect them word for word.
#include <QString>

namespace ExpectedMeanings {

inline const QString ServerError =
    QStringLiteral("Сбой на стороне сервиса, а не программы: повторите позже.");
inline const QString Refused = QStringLiteral(
    "Сервер отказал в соединении: сервис недоступен, или соединение запрещает брандмауэр.");
inline const QString NotFound =
    QStringLiteral("Такой страницы на сервере нет: адрес устарел или неверен.");
inline const QString Rejected =
    QStringLiteral("Сервис отклонил запрос: проверьте ключ, Tracking ID и адрес страницы.");
inline const QString Signature =
    QStringLiteral("Подпись запроса не принята: App Secret не от этого App Key. Скопируйте оба "
                   "из консоли Open Platform в настройки заново.");
inline const QString UnknownKey =
    QStringLiteral("Open Platform не знает такого App Key: проверьте API KEY в настройках (это "
                   "App Key приложения из консоли Open Platform).");
inline const QString CallLimit = QStringLiteral(
    "Слишком много запросов: Open Platform ограничивает их частоту. Подождите немного и "
    "повторите.");
inline const QString InvalidParameter =
    QStringLiteral("API не принял параметр запроса: проверьте Tracking ID и адрес страницы.");
inline const QString NotPublisher =
    QStringLiteral("Аккаунт не зарегистрирован в партнёрской программе как издатель "
                   "(publisher): войдите на portals.aliexpress.com тем же аккаунтом, что и на "
                   "Open Platform, и зарегистрируйтесь.");
inline const QString BadParameters =
    QStringLiteral("API не принял параметры запроса: проверьте Tracking ID, адрес страницы и "
                   "валюту в настройках.");
inline const QString EmptyResult =
    QStringLiteral("Это не ошибка программы: товара нет в продаже или в партнёрской программе, "
                   "или адрес ведёт не на товар.");

inline QString requestId(const QString &id)
{
    return QStringLiteral("Номер запроса для поддержки: ") + id;
}

} // namespace ExpectedMeanings
