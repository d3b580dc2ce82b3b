// The Base64 decoder on arbitrary text: no crash, only the decoding failure, and every
// decoded value and every text survive an encode and a decode.

#include "LumettaError.h"
#include "stored/UnParam.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text =
        QString::fromUtf8(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    try {
        const QString decoded = Base64DecodeText(text);
        if (Base64DecodeText(Base64EncodeText(decoded)) != decoded)
            std::abort();
    } catch (const LumettaError &error) {
        if (!error.message().startsWith(QLatin1String("No mapping for the Unicode")))
            std::abort();
    }
    if (Base64DecodeText(Base64EncodeText(text)) != text)
        std::abort();
    return 0;
}
