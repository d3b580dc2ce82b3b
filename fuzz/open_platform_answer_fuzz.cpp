// Feeds arbitrary answer texts to the Open Platform's answer reader and reads everything the
// link and product-facts steps read, as they would.
#include "links/OpenPlatformAnswer.h"
#include "links/PromotionAnswer.h"

#include <QString>

#include <cstddef>
#include <cstdint>

namespace {

void readAll(const QString &text, const char *responseName)
{
    const OpenPlatformAnswer answer(text, responseName);
    answer.gatewayError();
    answer.requestId();
    answer.resultText("total_result_count");
    try {
        answer.respCode();
        answer.respMessage();
        // Without a document every read must fail.
        if (!answer.isJson())
            __builtin_trap();
    } catch (const AnswerFormatError &) {
    }
    try {
        answer.promotionLinks();
    } catch (const AnswerFormatError &) {
    }
    try {
        answer.products();
    } catch (const AnswerFormatError &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    // Answers arrive decoded either way: as UTF-8, or byte for byte when no charset is named.
    for (const QString &text :
         {QString::fromUtf8(bytes, qsizetype(size)), QString::fromLatin1(bytes, qsizetype(size))}) {
        readAll(text, "aliexpress_affiliate_link_generate_response");
        readAll(text, "aliexpress_affiliate_productdetail_get_response");
    }
    return 0;
}
