#include "links/OpenPlatformLink.h"

#include "RemoteText.h"
#include "TrimText.h"
#include "links/LogLines.h"
#include "links/OpenPlatformAnswer.h"
#include "links/OpenPlatformRequest.h"
#include "links/ProductAddress.h"
#include "links/ProductFactLines.h"
#include "links/ProductFactsRequest.h"
#include "links/PromotionAnswer.h"
#include "links/RemoteLink.h"
#include "links/ServiceErrorMeanings.h"
#include "links/ShortLinkResolver.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QUrl>

#include <optional>

namespace {

using namespace LogLines;

const QString Method = QStringLiteral("aliexpress.affiliate.link.generate");
constexpr const char *ResponseName = "aliexpress_affiliate_link_generate_response";
const QString ExpectedStatus = QStringLiteral("200");
// The service's code for a result with nothing in it.
const QString EmptyResult = QStringLiteral("405");
// promotion_link_type: an ordinary link, or a hot link that earns the hot-product rate.
const QString OrdinaryLink = QStringLiteral("0");
const QString HotLink = QStringLiteral("2");

const QString ApiLine =
    QStringLiteral("Используется API AliExpress Open Platform: aliexpress.affiliate.link.generate");
const QString NoTrackingIdLine =
    QStringLiteral("Необходим Tracking ID: выберите его в списке или впишите.");
const QString NoAddressLine =
    QStringLiteral("Необходим адрес страницы: вставьте адрес товара или ссылку на него.");
const QString FromTextLine = QStringLiteral("Адрес взят из вставленного текста: ");
const QString SchemeAddedLine = QStringLiteral("Адрес дополнен схемой: ");
const QString TrackingDroppedLine =
    QStringLiteral("Из адреса убраны параметры отслеживания (%1): %2");
const QString ItemPageLine = QStringLiteral("Товар %1, отправлен адрес его страницы: %2");
const QString HotLinkLine =
    QStringLiteral("Комиссия для горячих товаров выше (%1 против %2): запрошена горячая ссылка");
const QString WrongStatusLine = QStringLiteral("Не корректный статус ответа от API, нужен \"200\"");
const QString ServiceMessageLine = QStringLiteral("Сообщение API: ");
const QString NoLinkLine =
    QStringLiteral("Партнёрской ссылки нет: товар не участвует в партнёрской программе");
const QString NoLinkMessageLine = QStringLiteral("Партнёрской ссылки нет, сообщение API: ");
const QString NoResultLine =
    QStringLiteral("Партнёрской ссылки нет: API не нашёл ничего по этому адресу");
const QString OtherProductLine =
    QStringLiteral("Партнёрской ссылки нет: ответ API о другом товаре (%1)");

void logLines(PartnerLinkView &view, const QStringList &lines)
{
    for (const QString &line : lines)
        view.AddLog(line);
}

void logServiceError(PartnerLinkView &view, const OpenPlatformError &error)
{
    logLines(view, ServiceErrorMeanings::refusalLines(error));
}

// Mistakes that the service would only answer in English are caught before anything is sent:
// an empty tracking ID or address (blanks alone count as none).
bool inputsGiven(PartnerLinkView &view, const LinkRequest &request)
{
    const QString missing = TrimText(request.trackingId).isEmpty() ? NoTrackingIdLine
                            : TrimText(request.pageUrl).isEmpty()  ? NoAddressLine
                                                                   : QString();
    if (missing.isEmpty())
        return true;
    view.AddLog(missing);
    view.AddLog(QString());
    return false;
}

// The page sent for what the user pasted, and the product it names when it names one.
struct Source
{
    QString address;
    std::optional<QString> productId;
};

// The address out of the pasted text, with a scheme if it had none.
QString pastedAddress(PartnerLinkView &view, const QString &pageUrl)
{
    const ProductAddress::Pasted pasted = ProductAddress::fromPastedText(pageUrl);
    if (pasted.fromText)
        view.AddLog(FromTextLine + pasted.address);
    else if (pasted.schemeAdded)
        view.AddLog(SchemeAddedLine + pasted.address);
    return pasted.address;
}

// A product's own page (with the chosen variant) when its ID can be had, after following a
// short link's redirects if need be; else the address as given, without its tracking
// parameters: the service takes addresses with a query, and a search or a partner's deep link
// means nothing without its own.
Source sourceFor(const LinkRun &run)
{
    PartnerLinkView &view = run.view;
    const QString address = pastedAddress(view, run.request.pageUrl);
    QString productPage = address;
    if (!ProductAddress::productId(address) &&
        ProductAddress::isShortLink(address, QUrl(run.services.openPlatform).host())) {
        ShortLinkResolver resolver(view, run.http, QUrl(run.services.openPlatform).host());
        productPage = resolver.productPage(address).value_or(address);
    }
    if (const std::optional<QString> id = ProductAddress::productId(productPage)) {
        const QString item = ProductAddress::itemPage(*id, ProductAddress::skuId(productPage));
        if (item != address)
            view.AddLog(ItemPageLine.arg(*id, item));
        return {item, id};
    }
    const ProductAddress::Untracked sent = ProductAddress::withoutTracking(address);
    if (!sent.removed.isEmpty())
        view.AddLog(TrackingDroppedLine.arg(sent.removed.join(QStringLiteral(", ")), sent.address));
    return {sent.address, std::nullopt};
}

// Sends the GET; on failure logs it, with the gateway's own error when its body holds one.
bool fetchAnswer(PartnerLinkView &view, HttpClient &http, const QString &url, QString &answer)
{
    try {
        answer = http.Get(url);
        return true;
    } catch (const HttpStatusError &error) {
        view.AddLog(RequestFailed);
        logLines(view, ServiceErrorMeanings::transportLines(error.message()));
        if (const auto refusal = OpenPlatformAnswer(error.body(), ResponseName).gatewayError())
            logServiceError(view, *refusal);
    } catch (const std::exception &error) {
        view.AddLog(RequestFailed);
        logLines(view, ServiceErrorMeanings::transportLines(messageOf(error)));
    }
    return false;
}

// The product an element is for, when its source value names one.
std::optional<QString> productOf(const PromotionLink &link)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,20}$"));
    const QString value = link.sourceValue.trimmed();
    return digits.match(value).hasMatch() ? std::optional(value) : ProductAddress::productId(value);
}

// The element for the address sent; results may come in any order, and the service may write
// an address in another form. Where both sides name a product, the products must be the same.
struct Match
{
    const PromotionLink *link = nullptr;
    std::optional<QString> otherProduct;
};

Match linkFor(const QList<PromotionLink> &links, const Source &source)
{
    for (const PromotionLink &link : links) {
        if (link.sourceValue == source.address)
            return {&link, std::nullopt};
    }
    if (source.productId) {
        for (const PromotionLink &link : links) {
            if (productOf(link) == source.productId)
                return {&link, std::nullopt};
        }
    }
    if (links.size() != 1)
        return {};
    const std::optional<QString> named = productOf(links.first());
    if (source.productId && named)
        return {nullptr, named};
    return {&links.first(), std::nullopt};
}

// Logs why the match holds no link; the request's number goes with the service's own message.
void logNoLink(PartnerLinkView &view, const Match &match, const QString &requestId)
{
    if (match.otherProduct) {
        view.AddLog(OtherProductLine.arg(RemoteText::cleaned(*match.otherProduct)));
    } else if (match.link && !match.link->message.isEmpty()) {
        view.AddLog(NoLinkMessageLine + RemoteText::cleaned(match.link->message));
        if (const QString line = ServiceErrorMeanings::requestIdLine(requestId); !line.isEmpty())
            view.AddLog(line);
    } else {
        view.AddLog(NoLinkLine);
    }
}

// Logs the status, the totals and the link; false when the run ends here.
bool readAnswer(PartnerLinkView &view, const OpenPlatformAnswer &answer, const Source &source,
                QString &partnerLink)
{
    const QString status = answer.respCode();
    view.AddLog(Status + RemoteText::cleaned(status));
    view.AddLog(QString());
    if (TrimText(status) != ExpectedStatus) {
        view.AddLog(TrimText(status) == EmptyResult ? NoResultLine : WrongStatusLine);
        view.AddLog(ServiceMessageLine + RemoteText::cleaned(answer.respMessage()));
        logLines(view, ServiceErrorMeanings::respCodeLines(status, answer.requestId()));
        view.AddLog(QString());
        return false;
    }
    const QList<PromotionLink> links = answer.promotionLinks();
    view.AddLog(Total + RemoteText::cleaned(answer.resultText("total_result_count")));
    view.AddLog(QString());
    view.AddLog(Count + QString::number(links.size()));
    view.AddLog(QString());
    // Without a link the run ends: nothing is to be shortened.
    const Match match = linkFor(links, source);
    if (!match.link || match.link->promotionLink.isEmpty()) {
        logNoLink(view, match, answer.requestId());
        view.AddLog(QString());
        return false;
    }
    view.AddLog(ForUrl + RemoteText::cleaned(match.link->sourceValue));
    if (const QString fault = RemoteLink::fault(match.link->promotionLink); !fault.isEmpty()) {
        view.AddLog(UnusableLink + fault);
        view.AddLog(QString());
        return false;
    }
    partnerLink = match.link->promotionLink;
    view.AddLog(Partner + partnerLink);
    view.setPartnerLink(partnerLink);
    return true;
}

bool readPartnerLink(PartnerLinkView &view, const QString &answerText, const Source &source,
                     QString &partnerLink)
{
    const OpenPlatformAnswer answer(answerText, ResponseName);
    if (answer.isJson() && !answer.isObject()) {
        view.AddLog(NotObject);
        return false;
    }
    if (const auto refusal = answer.gatewayError()) {
        logServiceError(view, *refusal);
        view.AddLog(QString());
        return false;
    }
    try {
        return readAnswer(view, answer, source, partnerLink);
    } catch (const AnswerFormatError &) {
        view.AddLog(ParseFailed);
        view.AddLog(QString());
        return false;
    }
}

// Whether to ask for a hot link: only when the product's hot-product rate is the higher.
bool wantsHotLink(PartnerLinkView &view, const std::optional<ProductFactsAnswer> &facts)
{
    if (!facts || !facts->facts || !ProductFactLines::hotRateIsHigher(*facts->facts))
        return false;
    view.AddLog(HotLinkLine.arg(ProductFactLines::rateText(facts->facts->hotCommissionRate),
                                ProductFactLines::rateText(facts->facts->commissionRate)));
    return true;
}

// What the history keeps of the product's facts: the rate is the one the link earns.
void takeFacts(MadeLink &made, const ProductFacts &facts, bool hot)
{
    made.title = RemoteText::cleaned(facts.title);
    made.price = ProductFactLines::amount(facts.salePrice);
    made.currency = RemoteText::cleaned(facts.saleCurrency).trimmed();
    made.commissionRate =
        ProductFactLines::rate(hot ? facts.hotCommissionRate : facts.commissionRate);
}

} // namespace

bool RequestOpenPlatformLink(const LinkRun &run, MadeLink &made)
{
    PartnerLinkView &view = run.view;
    const TParametrs &params = run.request.params;
    view.AddLog(ApiLine);
    if (TrimText(params.api_key).isEmpty()) {
        view.AddLog(NoKey);
        view.AddLog(QString());
        return false;
    }
    if (!inputsGiven(view, run.request))
        return false;
    const Source source = sourceFor(run);
    view.AddLog(QString());
    // The facts first: they tell whether a hot link earns more.
    std::optional<ProductFactsAnswer> facts;
    if (source.productId)
        facts = RequestProductFacts(run, *source.productId);
    const bool hot = wantsHotLink(view, facts);

    OpenPlatformRequest request(Method, params.api_key, QDateTime::currentMSecsSinceEpoch());
    request.set(QStringLiteral("promotion_link_type"), hot ? HotLink : OrdinaryLink);
    request.set(QStringLiteral("source_values"), source.address);
    request.set(QStringLiteral("tracking_id"), run.request.trackingId);
    if (!params.country.isEmpty())
        request.set(QStringLiteral("ship_to_country"), params.country);
    const QString url = request.url(run.services.openPlatform, params.app_secret);
    view.setRequestUrl(url);

    QString answerText;
    if (!fetchAnswer(view, run.http, url, answerText))
        return false;
    view.setRawAnswer(answerText);
    if (!readPartnerLink(view, answerText, source, made.partnerLink))
        return false;
    made.productId = source.productId.value_or(QString());
    if (facts) {
        LogProductFacts(view, *facts, hot);
        if (facts->facts)
            takeFacts(made, *facts->facts, hot);
    }
    return true;
}
