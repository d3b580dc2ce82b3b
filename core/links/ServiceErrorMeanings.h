#pragma once

#include "links/OpenPlatformAnswer.h"

#include <QString>
#include <QStringList>

// What a failure means for the user, said in Russian for the log after the service's own words:
// the Open Platform's codes (its gateway's refusals and its methods' resp_code) and the texts of
// failed requests (socket errors, time-outs, HTTP status lines, TLS failures). One table for
// every path that reports them; a code or text it does not know gets no line.
namespace ServiceErrorMeanings {

// The line for a gateway refusal: looked up by its code, then its sub-code, then a frequency
// limit its messages name. Empty for any other refusal.
QString ofRefusal(const OpenPlatformError &error);

// The line for a method's resp_code (trimmed) other than 200. Empty for any other code.
QString ofRespCode(const QString &code);

// The line for the message of a failed request. Empty for any other message, the Russian ones
// of the client itself included.
QString ofTransportFailure(const QString &message);

// The message of a failed request as the log shows it, then its meaning when there is one.
QStringList transportLines(const QString &message);

// "Номер запроса для поддержки: <id>", which the platform's support asks for; empty without one.
QString requestIdLine(const QString &requestId);

// The refusal as the log shows it: the service's code and message, its sub-code and sub-message
// when given, then refusalDetails().
QStringList refusalLines(const OpenPlatformError &error);
// The meaning of a refusal and the request number, whichever there are.
QStringList refusalDetails(const OpenPlatformError &error);

// The meaning of a resp_code and the request number, whichever there are.
QStringList respCodeLines(const QString &code, const QString &requestId);

} // namespace ServiceErrorMeanings
