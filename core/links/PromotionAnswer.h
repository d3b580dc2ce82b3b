#pragma once

#include "LumettaError.h"

#include <QString>

#include <memory>

// The answer lacks a member the generate operation reads, or has it in a kind it cannot use.
class AnswerFormatError : public LumettaError
{
public:
    using LumettaError::LumettaError;
};

// The affiliate API's answer to a promotion-link request, read as one JSON text.
//
// The text must hold exactly one JSON value, optionally after a UTF-8 byte-order mark and
// with spaces, tabs, CRs and LFs around it; anything else leaves no document. Members are
// found by exact name, and of a name given twice the first occurrence counts. Every value is
// read as text: strings as their content, numbers in their general decimal form (integral
// values as plain digits, values beyond the range of a double as "inf" or "-inf"), true/false/
// null as those words, objects and arrays as empty text. A lone surrogate escape, high or low,
// reads as U+FFFD. Only a member that is read can fail a reader: what the text holds elsewhere
// never does, as long as the text is JSON.
class PromotionAnswer
{
public:
    explicit PromotionAnswer(const QString &answerText);
    ~PromotionAnswer();
    PromotionAnswer(const PromotionAnswer &) = delete;
    PromotionAnswer &operator=(const PromotionAnswer &) = delete;

    bool isJson() const;
    bool isObject() const;

    // Each of the readers below throws AnswerFormatError when there is no document, or when
    // a member on the way is missing or of a kind that cannot hold what follows it.
    QString errorCode() const;
    QString totalResults() const;
    qsizetype promotionUrlCount() const;
    // The member `url` or `promotionUrl` of one element of `promotionUrls`.
    QString elementUrl(qsizetype index) const;
    QString elementPromotionUrl(qsizetype index) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
