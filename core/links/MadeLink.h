#pragma once

#include <QString>

#include <optional>

// A link a run made, with what it knows of the product: what the history keeps.
struct MadeLink
{
    QString trackingId;
    QString address; // as the user gave it
    QString productId;
    QString title;
    std::optional<double> price;
    QString currency;
    std::optional<double> commissionRate; // in percent: the rate the link earns
    QString partnerLink;
    QString shortLink;
};
