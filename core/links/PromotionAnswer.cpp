#include "links/PromotionAnswer.h"

#include "links/JsonDocumentBuilder.h"

#include <QLocale>

#include <rapidjson/document.h>

#include <cmath>
#include <string>
#include <string_view>

namespace {

using Value = JsonDocumentBuilder::Value;

QString doubleText(double value)
{
    if (value == 0)
        return QStringLiteral("0"); // also for -0: zero is not negative
    if (std::isfinite(value) && value == std::trunc(value))
        return QString::number(value, 'f', 0);
    // The shortest form that reads back as the same value always keeps a decimal point or
    // an exponent for a non-integral value, so it never passes for a count.
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    return text.replace(QLatin1Char('.'), QLocale::system().decimalPoint());
}

QString numberText(const Value &value)
{
    if (value.IsInt64())
        return QString::number(value.GetInt64());
    if (value.IsUint64())
        return QString::number(value.GetUint64());
    return doubleText(value.GetDouble());
}

QString textOf(const Value &value)
{
    switch (value.GetType()) {
    case rapidjson::kStringType:
        return QString::fromUtf8(value.GetString(), value.GetStringLength());
    case rapidjson::kNumberType:
        return numberText(value);
    case rapidjson::kTrueType:
        return QStringLiteral("true");
    case rapidjson::kFalseType:
        return QStringLiteral("false");
    case rapidjson::kNullType:
        return QStringLiteral("null");
    default:
        return QString();
    }
}

// FindMember walks the members in order, so of a duplicated name the first one is found.
const Value &member(const Value &object, const char *name)
{
    if (!object.IsObject())
        throw AnswerFormatError(QStringLiteral("\"%1\" is looked up in a value that is no object")
                                    .arg(QLatin1String(name)));
    const auto found = object.FindMember(name);
    if (found == object.MemberEnd())
        throw AnswerFormatError(QStringLiteral("\"%1\" is missing").arg(QLatin1String(name)));
    return found->value;
}

} // namespace

struct PromotionAnswer::Private
{
    JsonDocumentBuilder::Document document;
    bool isJson = false;
    // Found once: every element is read through it, and the top level may be large.
    mutable const Value *urls = nullptr;

    const Value &root() const
    {
        if (!isJson)
            throw AnswerFormatError(QStringLiteral("the answer is not JSON"));
        return document;
    }

    const Value &promotionUrls() const
    {
        if (urls)
            return *urls;
        const Value &found = member(member(root(), "result"), "promotionUrls");
        if (!found.IsArray())
            throw AnswerFormatError(QStringLiteral("\"promotionUrls\" is no array"));
        urls = &found;
        return found;
    }

    const Value &element(qsizetype index) const
    {
        const Value &urls = promotionUrls();
        if (index < 0 || index >= qsizetype(urls.Size()))
            throw AnswerFormatError(QStringLiteral("there is no element %1").arg(index));
        const Value &item = urls[rapidjson::SizeType(index)];
        if (!item.IsObject())
            throw AnswerFormatError(QStringLiteral("element %1 is no object").arg(index));
        return item;
    }
};

PromotionAnswer::PromotionAnswer(const QString &answerText) : d(std::make_unique<Private>())
{
    const QByteArray utf8 = answerText.toUtf8();
    d->isJson = JsonDocumentBuilder::parseText(std::string_view(utf8.constData(), utf8.size()),
                                               d->document);
}

PromotionAnswer::~PromotionAnswer() = default;

bool PromotionAnswer::isJson() const
{
    return d->isJson;
}

bool PromotionAnswer::isObject() const
{
    return d->isJson && d->document.IsObject();
}

QString PromotionAnswer::errorCode() const
{
    return textOf(member(d->root(), "errorCode"));
}

QString PromotionAnswer::totalResults() const
{
    return textOf(member(member(d->root(), "result"), "totalResults"));
}

qsizetype PromotionAnswer::promotionUrlCount() const
{
    return d->promotionUrls().Size();
}

QString PromotionAnswer::elementUrl(qsizetype index) const
{
    return textOf(member(d->element(index), "url"));
}

QString PromotionAnswer::elementPromotionUrl(qsizetype index) const
{
    return textOf(member(d->element(index), "promotionUrl"));
}
