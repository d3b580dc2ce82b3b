// The hexadecimal decoder on arbitrary text: no crash, only its two failures, and every
// decoded value encodes back to the pairs it came from.

#include "LumettaError.h"
#include "stored/UnParam.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    try {
        const QString decoded = HexUtf8ToStr(text);
        if (StrToHexUtf8(decoded) != text.left(text.size() / 2 * 2).toUpper())
            std::abort();
    } catch (const LumettaError &error) {
        if (!error.message().endsWith(QLatin1String("' is not a valid integer value")) &&
            !error.message().startsWith(QLatin1String("No mapping for the Unicode")))
            std::abort();
    }
    if (HexUtf8ToStr(StrToHexUtf8(text)) != text)
        std::abort();
    return 0;
}
