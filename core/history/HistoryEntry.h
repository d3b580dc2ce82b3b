#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// One link made: what was asked for, what the product is, and the links the services gave.
struct HistoryEntry
{
    qint64 id = 0;    // given by the store; 0 for an entry not stored yet
    QDateTime madeAt; // UTC; the store takes the current time when this is not valid
    QString trackingId;
    QString address; // the page address as the user gave it
    QString productId;
    QString title;
    std::optional<double> price;
    QString currency;
    std::optional<double> commissionRate; // in percent
    QString partnerLink;
    QString shortLink;

    bool operator==(const HistoryEntry &other) const = default;
};
