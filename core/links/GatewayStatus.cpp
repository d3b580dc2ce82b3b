#include "links/GatewayStatus.h"

#include <QHash>

QString GatewayStatusMeaning(const QString &trimmedStatus)
{
    static const QHash<QString, QString> meanings{
        {QStringLiteral("20020000"),
         QStringLiteral("Код 20020000: системная ошибка на стороне API aliexpress, "
                        "попробуйте позже.")},
        {QStringLiteral("20030000"),
         QStringLiteral("Код 20030000: API KEY не принят. Проверьте ключ в настройках программы.")},
        {QStringLiteral("20030010"),
         QStringLiteral("Код 20030010: в запросе нет обязательного параметра "
                        "(Tracking ID или адреса страницы).")},
        {QStringLiteral("20030020"),
         QStringLiteral("Код 20030020: API не разобрал формат запроса.")},
        {QStringLiteral("20030030"),
         QStringLiteral("Код 20030030: API не принял версию, указанную в запросе.")},
        {QStringLiteral("20030040"),
         QStringLiteral("Код 20030040: API не принял пространство имён, указанное в запросе.")},
        {QStringLiteral("20030050"),
         QStringLiteral("Код 20030050: API не знает метода, указанного в запросе.")},
        {QStringLiteral("20030060"),
         QStringLiteral("Код 20030060: API не принял список полей (fields) в запросе.")},
        {QStringLiteral("20030070"),
         QStringLiteral("Код 20030070: Tracking ID не принят. Проверьте его на AliExpress.")},
        {QStringLiteral("20030080"),
         QStringLiteral("Код 20030080: адрес страницы не принят (или адресов больше, "
                        "чем допускается).")}};
    return meanings.value(trimmedStatus);
}
