#pragma once

#include <QString>

// What the affiliate API gateway means by one of the status codes it is known to send (its
// public documentation lists them), said in Russian for the log. Empty for any other code,
// the success code included.
QString GatewayStatusMeaning(const QString &trimmedStatus);
