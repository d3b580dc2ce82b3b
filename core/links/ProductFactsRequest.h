#pragma once

#include "links/LinkRun.h"

#include <QString>

// The Open Platform's aliexpress.affiliate.productdetail.get for one product, asked after its
// link: logs the title, the price, the commission, the rating, the sales and the shop in
// Russian and puts the title on the partner-link field as its tooltip. A product outside the
// programme or any failure is one log line. Never throws a failure of its own.
void RequestProductFacts(const LinkRun &run, const QString &productId);
