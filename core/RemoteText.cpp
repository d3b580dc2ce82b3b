#include "RemoteText.h"

namespace RemoteText {

bool isUnsafe(QChar c)
{
    const char16_t code = c.unicode();
    return code < 0x20 || (code >= 0x7F && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

QString cleaned(const QString &text)
{
    QString result = text;
    result.removeIf(isUnsafe);
    return result;
}

} // namespace RemoteText
