#include "links/ProductFactLines.h"

#include "RemoteText.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

namespace ProductFactLines {
namespace {

const QString NoData = QStringLiteral("нет данных");
const QChar NoBreakSpace(0x00A0);
// Beyond any real price or sales count, in any currency.
constexpr double MaxAmount = 1e10;

// Never the machine's locale: the log is Russian wherever the program runs.
const QLocale &russian()
{
    static const QLocale locale(QLocale::Russian, QLocale::Russia);
    return locale;
}

// The signs of the currencies that have a well-known one; ¥ is the yen's alone, as $ is the US
// dollar's. Others keep their code.
const QHash<QString, QString> &currencySigns()
{
    static const QHash<QString, QString> signs{
        {QStringLiteral("RUB"), QStringLiteral("₽")},
        {QStringLiteral("USD"), QStringLiteral("$")},
        {QStringLiteral("EUR"), QStringLiteral("€")},
        {QStringLiteral("GBP"), QStringLiteral("£")},
        {QStringLiteral("UAH"), QStringLiteral("₴")},
        {QStringLiteral("TRY"), QStringLiteral("₺")},
        {QStringLiteral("INR"), QStringLiteral("₹")},
        {QStringLiteral("JPY"), QStringLiteral("¥")},
        {QStringLiteral("KRW"), QStringLiteral("₩")},
        {QStringLiteral("BRL"), QStringLiteral("R$")},
        {QStringLiteral("KZT"), QStringLiteral("₸")},
        {QStringLiteral("ILS"), QStringLiteral("₪")},
        {QStringLiteral("PLN"), QStringLiteral("zł")},
        {QStringLiteral("VND"), QStringLiteral("₫")},
        {QStringLiteral("PHP"), QStringLiteral("₱")},
        {QStringLiteral("NGN"), QStringLiteral("₦")},
        {QStringLiteral("THB"), QStringLiteral("฿")},
    };
    return signs;
}

// Currencies without a minor unit (ISO 4217) are shown in whole units.
int decimalsOf(const QString &currency)
{
    static const QStringList whole{QStringLiteral("JPY"), QStringLiteral("KRW"),
                                   QStringLiteral("VND")};
    return whole.contains(currency) ? 0 : 2;
}

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

QString countText(const QString &text)
{
    const std::optional<double> value = count(text);
    return value ? russian().toString(qlonglong(*value)) : NoData;
}

void addIfGiven(QStringList &lines, const QString &label, const QString &value, const QString &text)
{
    if (!value.isEmpty())
        lines << label + text;
}

QString salePriceText(const ProductFacts &facts)
{
    const QString price = priceText(facts.salePrice, facts.saleCurrency);
    if (!amount(facts.salePrice))
        return price;
    const bool bothGiven = !facts.originalPrice.isEmpty() && !facts.discount.isEmpty();
    if (bothGiven && (amount(facts.originalPrice) || rate(facts.discount)))
        return price + QStringLiteral(" (без скидки %1, скидка %2)")
                           .arg(priceText(facts.originalPrice, facts.saleCurrency),
                                rateText(facts.discount));
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

QString rateText(double percent)
{
    return russian().toString(percent, 'f', QLocale::FloatingPointShortest) + NoBreakSpace +
           QLatin1Char('%');
}

QString rateText(const QString &text)
{
    const std::optional<double> value = rate(text);
    return value ? rateText(*value) : NoData;
}

QString priceText(double price, const QString &currency)
{
    const QString code = RemoteText::cleaned(currency).trimmed();
    const QString number = russian().toString(price, 'f', decimalsOf(code));
    return code.isEmpty() ? number : number + NoBreakSpace + currencySigns().value(code, code);
}

QString priceText(const QString &price, const QString &currency)
{
    const std::optional<double> value = amount(price);
    return value ? priceText(*value, currency) : NoData;
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
    addIfGiven(lines, QStringLiteral("Цена: "), facts.salePrice, salePriceText(facts));
    const QString &commission = hotLink ? facts.hotCommissionRate : facts.commissionRate;
    QString commissionText = rateText(commission);
    if (hotLink && rate(commission))
        commissionText += QStringLiteral(" (горячая ссылка)");
    addIfGiven(lines, QStringLiteral("Комиссия: "), commission, commissionText);
    addIfGiven(lines, QStringLiteral("Положительных отзывов: "), facts.evaluateRate,
               rateText(facts.evaluateRate));
    addIfGiven(lines, QStringLiteral("Заказов: "), facts.volume, countText(facts.volume));
    const QString shop = RemoteText::cleaned(facts.shopName);
    addIfGiven(lines, QStringLiteral("Магазин: "), shop, shop);
    return lines;
}

} // namespace ProductFactLines
