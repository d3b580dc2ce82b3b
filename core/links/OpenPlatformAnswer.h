#pragma once

#include <QList>
#include <QString>

#include <memory>
#include <optional>

// The gateway's own refusal: {"error_response":{"code":…,"msg":…[,"sub_code":…,"sub_msg":…]}},
// or the platform's top-level form {"type":…,"code":…,"message":…,"request_id":…}.
struct OpenPlatformError
{
    QString code;
    QString message;
    QString subCode;
    QString subMessage;
    QString requestId{}; // the platform's support asks for it
};

// One element of promotion_links: the partner link and the page address it is for, or the
// service's message when it has no link for that address.
struct PromotionLink
{
    QString sourceValue;
    QString promotionLink;
    QString message{};
};

// The members of one product that the program shows, as text; empty when absent.
struct ProductFacts
{
    QString productId;
    QString title;
    QString salePrice;
    QString saleCurrency;
    QString originalPrice;
    QString discount;
    QString commissionRate;
    QString hotCommissionRate;
    QString evaluateRate;
    QString volume;
    QString shopName;
};

// An answer of the AliExpress Open Platform's gateway, read as one JSON text:
// {"<method>_response":{"resp_result":{"resp_code":…,"resp_msg":…,"result":{…}}}} or the
// gateway's error_response. Values are read as text (numbers in plain decimal when integral),
// so that a code or a count may come as a number or as a string alike. Members the program
// does not show are never looked at.
class OpenPlatformAnswer
{
public:
    // responseName: the member holding the method's answer, such as
    // "aliexpress_affiliate_link_generate_response".
    OpenPlatformAnswer(const QString &answerText, const char *responseName);
    ~OpenPlatformAnswer();
    OpenPlatformAnswer(const OpenPlatformAnswer &) = delete;
    OpenPlatformAnswer &operator=(const OpenPlatformAnswer &) = delete;

    bool isJson() const;
    bool isObject() const;

    // The gateway's refusal, when the answer is one. A top-level code of "0" is none.
    std::optional<OpenPlatformError> gatewayError() const;
    // The request_id of the refusal, of the top-level object or of the method's answer, whichever
    // comes first; empty when there is none.
    QString requestId() const;

    // resp_code and resp_msg; AnswerFormatError when the answer has no resp_result.
    QString respCode() const;
    QString respMessage() const;
    // A member of result as text; empty when result or the member is absent.
    QString resultText(const char *name) const;

    // result.promotion_links, as {"promotion_link":[…]} or as the array itself; empty when
    // absent. AnswerFormatError when an element is no object.
    QList<PromotionLink> promotionLinks() const;
    // result.products, as {"product":[…]} or as the array itself; empty when absent.
    // AnswerFormatError when an element is no object.
    QList<ProductFacts> products() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
