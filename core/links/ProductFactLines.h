#pragma once

#include "links/OpenPlatformAnswer.h"

#include <QStringList>

#include <optional>

// The product's facts as the log shows them. Numbers come from the service as text; one that
// is not a finite non-negative number in a sane range is shown as "нет данных", so that a
// broken or hostile answer cannot pass a price of -1e+308 or a rate of NaN for real.
namespace ProductFactLines {

// A price or count in plain decimal digits, in a sane range; nothing for any other text.
std::optional<double> amount(const QString &text);

// A rate such as "3.5%" (or "3.5") as a number from 0 to 100; nothing for any other text.
std::optional<double> rate(const QString &text);

// Whether both rates are usable and the hot-product rate is the higher: a hot link earns more.
bool hotRateIsHigher(const ProductFacts &facts);

// Title, price, the commission the link earns (the hot-product rate for a hot link), rating,
// sales and shop; a line only for what the service gave. Remote text is cleaned.
QStringList lines(const ProductFacts &facts, bool hotLink);

} // namespace ProductFactLines
