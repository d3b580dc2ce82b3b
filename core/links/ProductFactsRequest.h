#pragma once

#include "links/LinkRun.h"
#include "links/OpenPlatformAnswer.h"

#include <QString>
#include <QStringList>

#include <optional>

// What the service said of one product: its facts, or the log line that says why there are none
// and the lines that explain it (what the failure means, the request's number).
struct ProductFactsAnswer
{
    std::optional<ProductFacts> facts;
    QString failureLine;
    QStringList failureDetails{};
};

// The Open Platform's aliexpress.affiliate.productdetail.get for one product, asked before its
// link so that the link can earn the better rate: in the settings' currency and for the buyer's
// country. Only the product asked for is taken (or a lone one that names none); a product
// outside the programme, an empty result, another product or any failure is a line. Never
// throws a failure of its own.
ProductFactsAnswer RequestProductFacts(const LinkRun &run, const QString &productId);

// Logs the facts in Russian (or the lines saying why there are none), with the commission the
// link earns, and puts the title on the partner-link field as its tooltip.
void LogProductFacts(PartnerLinkView &view, const ProductFactsAnswer &answer, bool hotLink);
