#pragma once

#include <QDateTime>
#include <QString>

// The date of a cookie's Expires attribute, read by the tolerant algorithm browsers use
// (RFC 6265, 5.1.1). Null when the text holds no valid date.
namespace CookieDate {

QDateTime parse(const QString &text);

} // namespace CookieDate
