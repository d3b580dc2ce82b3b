#pragma once

#include "http/HttpClient.h"
#include "links/PartnerLink.h"
#include "links/PartnerLinkView.h"

#include <QString>

// The Open Platform's aliexpress.affiliate.productdetail.get for one product, asked after its
// link: logs the title, the price, the commission, the rating, the sales and the shop in
// Russian and puts the title on the partner-link field as its tooltip. A product outside the
// programme or any failure is one log line. Never throws.
void RequestProductFacts(PartnerLinkView &view, HttpClient &http, const LinkServices &services,
                         const QString &productId, const QString &trackingId);
