#include "history/HistoryCsv.h"

#include "history/HistoryEntry.h"

#include <QLocale>
#include <QStringList>

#include <cmath>
#include <optional>

namespace {

const QStringList columnNames = {QStringLiteral("Когда (UTC)"),
                                 QStringLiteral("Tracking ID"),
                                 QStringLiteral("Адрес"),
                                 QStringLiteral("ID товара"),
                                 QStringLiteral("Название"),
                                 QStringLiteral("Цена"),
                                 QStringLiteral("Валюта"),
                                 QStringLiteral("Комиссия, %"),
                                 QStringLiteral("Партнёрская ссылка"),
                                 QStringLiteral("Короткая ссылка")};

QString quoted(const QString &field)
{
    if (!field.contains(QLatin1Char(',')) && !field.contains(QLatin1Char('"')) &&
        !field.contains(QLatin1Char('\r')) && !field.contains(QLatin1Char('\n')))
        return field;
    QString doubled = field;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString text(const QString &value)
{
    static const QString formulaStarts = QStringLiteral("=+-@\t\r");
    if (!value.isEmpty() && formulaStarts.contains(value.front()))
        return quoted(QLatin1Char('\'') + value);
    return quoted(value);
}

QString number(const std::optional<double> &value)
{
    if (!value || !std::isfinite(*value))
        return QString();
    return QString::number(*value, 'f', QLocale::FloatingPointShortest);
}

QByteArray line(const QStringList &fields)
{
    return fields.join(QLatin1Char(',')).toUtf8() + "\r\n";
}

} // namespace

QByteArray HistoryCsv::start()
{
    QStringList header;
    for (const QString &name : columnNames)
        header << quoted(name);
    return "\xEF\xBB\xBF" + line(header);
}

QByteArray HistoryCsv::row(const HistoryEntry &entry)
{
    return line({entry.madeAt.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                 text(entry.trackingId), text(entry.address), text(entry.productId),
                 text(entry.title), number(entry.price), text(entry.currency),
                 number(entry.commissionRate), text(entry.partnerLink), text(entry.shortLink)});
}
