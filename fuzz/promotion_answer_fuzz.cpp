// Feeds arbitrary answer texts to the affiliate API answer reader and reads every member
// the generate operation reads, as it would.
#include "links/PromotionAnswer.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void readAll(const PromotionAnswer &answer)
{
    try {
        answer.errorCode();
        // Without a document every read must fail.
        if (!answer.isJson())
            __builtin_trap();
    } catch (const AnswerFormatError &) {
    }
    try {
        answer.totalResults();
        const qsizetype count = answer.promotionUrlCount();
        for (qsizetype i = 0; i < count && i < 64; ++i) {
            answer.elementUrl(i);
            answer.elementPromotionUrl(i);
        }
    } catch (const AnswerFormatError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    // Answers arrive decoded either way: as UTF-8, or byte for byte when no charset is named.
    const PromotionAnswer utf8(QString::fromUtf8(bytes, qsizetype(size)));
    readAll(utf8);
    const PromotionAnswer latin1(QString::fromLatin1(bytes, qsizetype(size)));
    readAll(latin1);
    return 0;
}
