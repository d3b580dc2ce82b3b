#pragma once

#include "links/OpenPlatformAnswer.h"

#include <QStringList>

#include <optional>

// The product's facts as the log shows them, written as a Russian reader expects whatever the
// machine's locale:
//   Цена: 1 234,50 ₽ (без скидки 2 469,00 ₽, скидка 50 %)
//   Заказов: 2 280
// Each space within a number, and between a number and its currency sign or per cent, is a
// no-break space (U+00A0), so that the log never wraps a number apart.
// Numbers come from the service as text; one that is not a finite non-negative number in a sane
// range is shown as "нет данных", so that a broken or hostile answer cannot pass a price of
// -1e+308 or a rate of NaN for real.
namespace ProductFactLines {

// A price or count in plain decimal digits, in a sane range; nothing for any other text.
std::optional<double> amount(const QString &text);

// A rate such as "3.5%" (or "3.5") as a number from 0 to 100; nothing for any other text.
std::optional<double> rate(const QString &text);

// A rate as the log shows it: "3,5 %", or "нет данных".
QString rateText(const QString &text);
QString rateText(double percent);

// A price in the currency named by its ISO code, as the log shows it: "123,80 ₽" with the
// currency's sign when it has a well-known one, else with the code ("12,00 SEK"); without a
// currency the number alone. "нет данных" for an unusable price.
QString priceText(const QString &price, const QString &currency);
QString priceText(double price, const QString &currency);

// Whether both rates are usable and the hot-product rate is the higher: a hot link earns more.
bool hotRateIsHigher(const ProductFacts &facts);

// Title, price, the commission the link earns (the hot-product rate for a hot link), rating,
// orders and shop; a line only for what the service gave. Remote text is cleaned.
QStringList lines(const ProductFacts &facts, bool hotLink);

} // namespace ProductFactLines
