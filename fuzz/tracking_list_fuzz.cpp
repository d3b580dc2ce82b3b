// The list decoder on arbitrary file bytes: no crash, a failure leaves no items, and what
// it read is written so that it reads back the same.

#include "LumettaError.h"
#include "stored/TrackingIdFile.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const TextCodePage codePage("windows-1251");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TrackingIdList list;
    try {
        TrackingIdFile::decode(bytes, list, codePage);
    } catch (const LumettaError &) {
        if (!list.items.isEmpty())
            std::abort();
        return 0;
    }
    TrackingIdList again;
    TrackingIdFile::decode(TrackingIdFile::encode(list, codePage), again, codePage);
    if (again.items != list.items || again.encoding != list.encoding)
        std::abort();
    return 0;
}
