// The product's facts written as a Russian reader expects, whatever the machine's locale.
#include "QStringPrinter.h"

#include "links/ProductFactLines.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

ProductFacts facts(const QString &price, const QString &currency, const QString &original,
                   const QString &discount, const QString &rate, const QString &orders)
{
    return {QString(), QString(), price,     currency, original, discount,
            rate,      QString(), QString(), orders,   QString()};
}

TEST(ProductFactLinesTest, NumbersAndCurrenciesAreWrittenTheRussianWay)
{
    struct Case
    {
        ProductFacts facts;
        QStringList lines; // every space in a number or before a sign is U+00A0
    };
    const Case cases[] = {
        {facts("123.8", "RUB", "247.60", "50%", "3%", "2280"),
         {"Цена: 123,80\u00A0₽ (без скидки 247,60\u00A0₽, скидка 50\u00A0%)",
          "Комиссия: 3\u00A0%", "Заказов: 2\u00A0280"}},
        {facts("1234567.5", "USD", "", "", "12.25", "1234567"),
         {"Цена: 1\u00A0234\u00A0567,50\u00A0$", "Комиссия: 12,25\u00A0%",
          "Заказов: 1\u00A0234\u00A0567"}},
        {facts("9.99", "EUR", "", "5%", "", "0"), {"Цена: 9,99\u00A0€", "Заказов: 0"}},
        {facts("5", " GBP ", "", "", "", ""), {"Цена: 5,00\u00A0£"}},
        {facts("120", "UAH", "", "", "", ""), {"Цена: 120,00\u00A0₴"}},
        {facts("120", "TRY", "", "", "", ""), {"Цена: 120,00\u00A0₺"}},
        {facts("120", "INR", "", "", "", ""), {"Цена: 120,00\u00A0₹"}},
        {facts("1234.2", "JPY", "2468.4", "50", "", ""),
         {"Цена: 1\u00A0234\u00A0¥ (без скидки 2\u00A0468\u00A0¥, скидка 50\u00A0%)"}},
        {facts("15000", "KRW", "", "", "", ""), {"Цена: 15\u00A0000\u00A0₩"}},
        {facts("20.1", "BRL", "", "", "", ""), {"Цена: 20,10\u00A0R$"}},
        // Without a well-known sign the code stays; without a currency, the number alone.
        {facts("20.1", "SEK", "", "", "", ""), {"Цена: 20,10\u00A0SEK"}},
        {facts("20.1", "CAD", "", "", "", ""), {"Цена: 20,10\u00A0CAD"}},
        {facts("20.1", "", "40.2", "50%", "", ""),
         {"Цена: 20,10 (без скидки 40,20, скидка 50\u00A0%)"}},
        {facts("abc", "RUB", "40.2", "50%", "x", "1.5"),
         {"Цена: нет данных", "Комиссия: нет данных", "Заказов: нет данных"}},
    };
    // Neither the machine's locale nor its decimal point may show.
    const QLocale before;
    for (const QLocale &locale : {QLocale(QLocale::English), QLocale(QLocale::German)}) {
        QLocale::setDefault(locale);
        for (const Case &c : cases) {
            EXPECT_EQ(ProductFactLines::lines(c.facts, false), c.lines)
                << c.facts.salePrice.toStdString() << ' ' << c.facts.saleCurrency.toStdString();
        }
    }
    QLocale::setDefault(before);

    ProductFacts hot = facts("1", "RUB", "", "", "3.5%", "");
    hot.hotCommissionRate = QStringLiteral("7.50%");
    EXPECT_EQ(ProductFactLines::lines(hot, true).value(1), "Комиссия: 7,5\u00A0% (горячая ссылка)");
}

} // namespace
