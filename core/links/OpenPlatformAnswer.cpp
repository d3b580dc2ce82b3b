#include "links/OpenPlatformAnswer.h"

#include "links/JsonDocumentBuilder.h"
#include "links/PromotionAnswer.h"

#include <QLocale>
#include <QStringDecoder>

#include <rapidjson/document.h>

#include <cmath>

namespace {

using Value = JsonDocumentBuilder::Value;

QString numberText(const Value &value)
{
    if (value.IsInt64())
        return QString::number(value.GetInt64());
    if (value.IsUint64())
        return QString::number(value.GetUint64());
    const double number = value.GetDouble();
    if (std::isfinite(number) && number == std::trunc(number) && std::fabs(number) < 1e18)
        return QString::number(qint64(number));
    return QString::number(number, 'g', QLocale::FloatingPointShortest);
}

QString textOf(const Value *value)
{
    if (!value)
        return QString();
    switch (value->GetType()) {
    case rapidjson::kStringType:
        return QString::fromUtf8(value->GetString(), value->GetStringLength());
    case rapidjson::kNumberType:
        return numberText(*value);
    case rapidjson::kTrueType:
        return QStringLiteral("true");
    case rapidjson::kFalseType:
        return QStringLiteral("false");
    default:
        return QString();
    }
}

// The member of an object, or null when value is no object or lacks it.
const Value *find(const Value *value, const char *name)
{
    if (!value || !value->IsObject())
        return nullptr;
    const auto found = value->FindMember(name);
    return found == value->MemberEnd() ? nullptr : &found->value;
}

// JSON travels as UTF-8, but an answer without a charset reaches us one character per byte:
// such a text is taken back to its bytes when they are UTF-8.
QByteArray utf8Of(const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() > 0xFF)
            return text.toUtf8();
    }
    const QByteArray bytes = text.toLatin1();
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString decoded = decoder.decode(bytes);
    return decoder.hasError() ? text.toUtf8() : bytes;
}

} // namespace

struct OpenPlatformAnswer::Private
{
    JsonDocumentBuilder::Document document;
    bool isJson = false;
    QByteArray responseName;

    const Value *root() const { return isJson ? &document : nullptr; }
    const Value *respResult() const { return find(find(root(), responseName), "resp_result"); }
    const Value *result() const { return find(respResult(), "result"); }

    // A list member of result, as {"<inner>":[…]} or as the array itself.
    const Value *list(const char *outer, const char *inner) const
    {
        const Value *value = find(result(), outer);
        if (value && value->IsObject())
            value = find(value, inner);
        return value && value->IsArray() ? value : nullptr;
    }
};

OpenPlatformAnswer::OpenPlatformAnswer(const QString &answerText, const char *responseName)
    : d(std::make_unique<Private>())
{
    d->responseName = responseName;
    const QByteArray utf8 = utf8Of(answerText);
    d->isJson = JsonDocumentBuilder::parseText(std::string_view(utf8.constData(), utf8.size()),
                                               d->document);
}

OpenPlatformAnswer::~OpenPlatformAnswer() = default;

bool OpenPlatformAnswer::isJson() const
{
    return d->isJson;
}

bool OpenPlatformAnswer::isObject() const
{
    return d->isJson && d->document.IsObject();
}

std::optional<OpenPlatformError> OpenPlatformAnswer::gatewayError() const
{
    const Value *error = find(d->root(), "error_response");
    if (error && error->IsObject())
        return OpenPlatformError{textOf(find(error, "code")), textOf(find(error, "msg")),
                                 textOf(find(error, "sub_code")), textOf(find(error, "sub_msg")),
                                 requestId()};
    // The platform's own form, as its SDKs read it: a code other than "0" is a failure.
    const QString code = textOf(find(d->root(), "code")).trimmed();
    if (code.isEmpty() || code == u"0")
        return std::nullopt;
    return OpenPlatformError{code, textOf(find(d->root(), "message")), QString(), QString(),
                             requestId()};
}

QString OpenPlatformAnswer::requestId() const
{
    for (const Value *holder :
         {find(d->root(), "error_response"), d->root(), find(d->root(), d->responseName)}) {
        const QString id = textOf(find(holder, "request_id"));
        if (!id.isEmpty())
            return id;
    }
    return QString();
}

QString OpenPlatformAnswer::respCode() const
{
    const Value *respResult = d->respResult();
    if (!respResult || !respResult->IsObject())
        throw AnswerFormatError(QStringLiteral("\"resp_result\" is missing"));
    return textOf(find(respResult, "resp_code"));
}

QString OpenPlatformAnswer::respMessage() const
{
    return textOf(find(d->respResult(), "resp_msg"));
}

QString OpenPlatformAnswer::resultText(const char *name) const
{
    return textOf(find(d->result(), name));
}

QList<PromotionLink> OpenPlatformAnswer::promotionLinks() const
{
    QList<PromotionLink> links;
    const Value *list = d->list("promotion_links", "promotion_link");
    if (!list)
        return links;
    for (const Value &element : list->GetArray()) {
        if (!element.IsObject())
            throw AnswerFormatError(QStringLiteral("a promotion link is no object"));
        links.append({textOf(find(&element, "source_value")),
                      textOf(find(&element, "promotion_link")), textOf(find(&element, "message"))});
    }
    return links;
}

QList<ProductFacts> OpenPlatformAnswer::products() const
{
    QList<ProductFacts> products;
    const Value *list = d->list("products", "product");
    if (!list)
        return products;
    for (const Value &element : list->GetArray()) {
        if (!element.IsObject())
            throw AnswerFormatError(QStringLiteral("a product is no object"));
        const auto text = [&element](const char *name) { return textOf(find(&element, name)); };
        // "lastest_volume" is the service's own spelling.
        products.append({text("product_id"), text("product_title"), text("target_sale_price"),
                         text("target_sale_price_currency"), text("target_original_price"),
                         text("discount"), text("commission_rate"),
                         text("hot_product_commission_rate"), text("evaluate_rate"),
                         text("lastest_volume"), text("shop_name")});
    }
    return products;
}
