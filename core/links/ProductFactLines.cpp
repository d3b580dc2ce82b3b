#include "links/ProductFactLines.h"

#include "RemoteText.h"

#include <QRegularExpression>

namespace ProductFactLines {
namespace {

const QString NoData = QStringLiteral("нет данных");
// Beyond any real price or sales count, in any currency.
constexpr double MaxAmount = 1e10;

std::optional<double> numberOf(const QString &text, const QRegularExpression &form, double max)
{
    const QString value = text.trimmed();
    if (!form.match(value).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double number = QStringView(value).chopped(value.endsWith(u'%') ? 1 : 0).toDouble(&ok);
    return ok && number <= max ? std::optional(number) : std::nullopt;
}

std::optional<double> count(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,11}$"));
    return numberOf(text, form, MaxAmount);
}

// The value as the service wrote it when it is a usable number, else "нет данных".
QString shown(const QString &text, std::optional<double> (*check)(const QString &))
{
    return check(text) ? RemoteText::cleaned(text.trimmed()) : NoData;
}

void addIfGiven(QStringList &lines, const QString &label, const QString &value, const QString &text)
{
    if (!value.isEmpty())
        lines << label + text;
}

QString priceText(const ProductFacts &facts)
{
    if (!amount(facts.salePrice))
        return NoData;
    QString price = shown(facts.salePrice, amount);
    const QString currency = RemoteText::cleaned(facts.saleCurrency);
    if (!currency.isEmpty())
        price += QLatin1Char(' ') + currency;
    const bool bothGiven = !facts.originalPrice.isEmpty() && !facts.discount.isEmpty();
    if (bothGiven && (amount(facts.originalPrice) || rate(facts.discount)))
        price += QStringLiteral(" (без скидки %1, скидка %2)")
                     .arg(shown(facts.originalPrice, amount), shown(facts.discount, rate));
    return price;
}

} // namespace

// Plain decimal digits only: no sign, exponent, "inf" or "NaN" passes.
std::optional<double> amount(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,11}(?:\\.[0-9]{1,6})?$"));
    return numberOf(text, form, MaxAmount);
}

std::optional<double> rate(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,3}(?:\\.[0-9]{1,6})?%?$"));
    return numberOf(text, form, 100);
}

bool hotRateIsHigher(const ProductFacts &facts)
{
    const std::optional<double> usual = rate(facts.commissionRate);
    const std::optional<double> hot = rate(facts.hotCommissionRate);
    return usual && hot && *hot > *usual;
}

QStringList lines(const ProductFacts &facts, bool hotLink)
{
    QStringList lines;
    const QString title = RemoteText::cleaned(facts.title);
    addIfGiven(lines, QStringLiteral("Товар: "), title, title);
    addIfGiven(lines, QStringLiteral("Цена: "), facts.salePrice, priceText(facts));
    const QString &commission = hotLink ? facts.hotCommissionRate : facts.commissionRate;
    QString commissionText = shown(commission, rate);
    if (hotLink && rate(commission))
        commissionText += QStringLiteral(" (горячая ссылка)");
    addIfGiven(lines, QStringLiteral("Комиссия: "), commission, commissionText);
    addIfGiven(lines, QStringLiteral("Положительных отзывов: "), facts.evaluateRate,
               shown(facts.evaluateRate, rate));
    addIfGiven(lines, QStringLiteral("Продано: "), facts.volume, shown(facts.volume, count));
    const QString shop = RemoteText::cleaned(facts.shopName);
    addIfGiven(lines, QStringLiteral("Магазин: "), shop, shop);
    return lines;
}

} // namespace ProductFactLines
