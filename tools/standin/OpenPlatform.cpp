#include "OpenPlatform.h"

#include "QueryText.h"
#include "ShortCode.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <string_view>
#include <vector>

namespace {

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;
using Parameters = OpenPlatform::Parameters;

constexpr const char *JsonType = "application/json;charset=UTF-8";
constexpr const char *LinkPrefix = "https://s.click.aliexpress.com/e/_";
// The most values either method takes in one call, as the real service.
constexpr std::size_t MaxValues = 50;

std::string value(const Parameters &parameters, const char *name)
{
    const auto found = parameters.find(name);
    return found == parameters.end() ? std::string() : found->second;
}

// A request ID that depends on the call but not on its timestamp or signature.
std::string requestId(const Parameters &parameters)
{
    std::string text;
    for (const auto &[name, value] : parameters) {
        if (name != "timestamp" && name != "sign")
            text += name + '=' + value + '\n';
    }
    return shortCode(text, 13);
}

// The gateway's current form of a refusal.
OpenPlatform::Answer refusal(const Parameters &parameters, const char *code, const char *message)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("error_response");
    writer.StartObject();
    writer.Key("type");
    writer.String("ISV");
    writer.Key("code");
    writer.String(code);
    writer.Key("msg");
    writer.String(message);
    writer.Key("request_id");
    writer.String(requestId(parameters));
    writer.EndObject();
    writer.EndObject();
    return {200, buffer.GetString()};
}

// The older form, with a numeric code and a sub-code; with the call's request_id when given them.
OpenPlatform::Answer oldRefusal(int code, const char *message, const char *subCode,
                                const std::string &subMessage,
                                const Parameters *parameters = nullptr)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("error_response");
    writer.StartObject();
    writer.Key("code");
    writer.Int(code);
    writer.Key("msg");
    writer.String(message);
    writer.Key("sub_code");
    writer.String(subCode);
    writer.Key("sub_msg");
    writer.String(subMessage);
    if (parameters) {
        writer.Key("request_id");
        writer.String(requestId(*parameters));
    }
    writer.EndObject();
    writer.EndObject();
    return {200, buffer.GetString()};
}

std::optional<long long> number(const std::string &text)
{
    long long result = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), result);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return result;
}

// Addresses with a query pass, as the real service takes them (a search, a partner's deep link).
bool isPageAddress(const std::string &text)
{
    return (text.starts_with("http://") || text.starts_with("https://")) &&
           text.find_first_of(" \r\n") == std::string::npos;
}

// The product of an /item/<id>.html page; empty for any other address.
std::string productOfPage(const std::string &address)
{
    const std::size_t item = address.find("/item/");
    if (item == std::string::npos)
        return std::string();
    const std::size_t start = item + 6;
    const std::size_t end = address.find_first_not_of("0123456789", start);
    return end != std::string::npos && end > start && address.compare(end, 5, ".html") == 0
               ? address.substr(start, end - start)
               : std::string();
}

// A product whose ID ends in 0000 is outside the affiliate programme whatever the tracking ID:
// no link, no facts, so that one address of a post can show it beside the others.
bool isOutsideProgramme(const std::string &productId)
{
    return productId.size() > 4 && productId.ends_with("0000");
}

// Starts {"<method>_response":{"resp_result":{"resp_code":…,"resp_msg":…; the caller adds the
// result, and closeResponse() the rest.
void openResponse(Writer &writer, const char *responseName, int code, const char *message,
                  bool codeAsString)
{
    writer.StartObject();
    writer.Key(responseName);
    writer.StartObject();
    writer.Key("resp_result");
    writer.StartObject();
    writer.Key("resp_code");
    if (codeAsString)
        writer.String(std::to_string(code));
    else
        writer.Int(code);
    writer.Key("resp_msg");
    writer.String(message);
}

void closeResponse(Writer &writer, const Parameters &parameters)
{
    writer.EndObject(); // resp_result
    writer.Key("request_id");
    writer.String(requestId(parameters));
    writer.EndObject();
    writer.EndObject();
}

OpenPlatform::Answer respFailure(const Parameters &parameters, const char *responseName, int code,
                                 const char *message)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    openResponse(writer, responseName, code, message, false);
    closeResponse(writer, parameters);
    return {200, buffer.GetString()};
}

// A link that depends on every input, the kind of link and the buyer's country included.
std::string partnerLink(const Parameters &parameters, const std::string &address)
{
    return LinkPrefix +
           shortCode(value(parameters, "app_key") + '\n' + value(parameters, "tracking_id") + '\n' +
                         address + '\n' + value(parameters, "promotion_link_type") + '\n' +
                         value(parameters, "ship_to_country"),
                     7);
}

// An element without a link, as the service writes one for a tracking ID it does not know.
void writeRefusedLinks(Writer &writer, const std::vector<std::string> &addresses)
{
    writer.Key("promotion_links");
    writer.StartObject();
    writer.Key("promotion_link");
    writer.StartArray();
    for (const std::string &address : addresses) {
        writer.StartObject();
        writer.Key("message");
        writer.String("The tracking id is invalid");
        writer.Key("source_value");
        writer.String(address);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
}

// The platform's top-level form of a failure, as its call limit answers.
OpenPlatform::Answer callLimit(const Parameters &parameters)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("type");
    writer.String("ISP");
    writer.Key("code");
    writer.String("ApiCallLimit");
    writer.Key("message");
    writer.String("The request has failed due to frequency limit");
    writer.Key("request_id");
    writer.String(requestId(parameters));
    writer.EndObject();
    return {200, buffer.GetString()};
}

// The answers that depend on the tracking ID alone, the same for both methods.
std::optional<OpenPlatform::Answer> commonFailure(const Parameters &parameters,
                                                  const char *responseName)
{
    const std::string trackingId = value(parameters, "tracking_id");
    if (trackingId == "unregistered")
        return respFailure(parameters, responseName, 401, "This publisher is not registered");
    if (trackingId == "empty-result")
        return respFailure(parameters, responseName, 405, "The result is empty");
    if (trackingId == "call-limit")
        return callLimit(parameters);
    return std::nullopt;
}

void writeLinks(Writer &writer, const Parameters &parameters,
                const std::vector<std::string> &addresses, bool plainArray)
{
    writer.Key("promotion_links");
    if (!plainArray) {
        writer.StartObject();
        writer.Key("promotion_link");
    }
    writer.StartArray();
    // Last first, as the real service may: results are matched by source_value.
    for (auto address = addresses.rbegin(); address != addresses.rend(); ++address) {
        if (isOutsideProgramme(productOfPage(*address)))
            continue;
        writer.StartObject();
        writer.Key("promotion_link");
        writer.String(partnerLink(parameters, *address));
        writer.Key("source_value");
        writer.String(*address);
        writer.EndObject();
    }
    writer.EndArray();
    if (!plainArray)
        writer.EndObject();
}

std::uint64_t fnv(std::string_view text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    return hash;
}

// A price in hundredths.
std::string price(std::uint64_t cents)
{
    const std::string hundredths = std::to_string(cents % 100 + 100).substr(1);
    return std::to_string(cents / 100) + '.' + hundredths;
}

bool wanted(const std::string &fields, const char *name)
{
    if (fields.empty())
        return true;
    for (const std::string &field : QueryText::splitAtCommas(fields)) {
        if (field == name)
            return true;
    }
    return false;
}

// US cents in the target currency's hundredths, at fixed demo rates (a currency not listed is
// taken for US dollars), so that a change of currency shows in the prices.
std::uint64_t converted(std::uint64_t usCents, const std::string &currency)
{
    static const std::map<std::string, double> unitsPerDollar{
        {"USD", 1.0},   {"GBP", 0.79},  {"CAD", 1.37},  {"EUR", 0.92}, {"UAH", 41.3},
        {"MXN", 17.2},  {"TRY", 32.4},  {"RUB", 92.5},  {"BRL", 5.1},  {"AUD", 1.52},
        {"INR", 83.4},  {"JPY", 151.0}, {"IDR", 15900}, {"SEK", 10.7}, {"KRW", 1350},
        {"KZT", 450.0}, {"PLN", 4.0},   {"ILS", 3.7},   {"CNY", 7.2},  {"CHF", 0.9}};
    const auto rate = unitsPerDollar.find(currency);
    const double factor = rate == unitsPerDollar.end() ? 1.0 : rate->second;
    return std::uint64_t(std::llround(double(usCents) * factor));
}

// Facts that depend on the product ID (the price on the buyer's country and the currency too);
// some numbers as strings, as the service sends. The hot-product rate is the higher for some
// products only.
void writeProduct(Writer &writer, const std::string &id, const Parameters &parameters)
{
    const std::uint64_t hash = fnv(id);
    // From 1.00 to 200.99 US dollars.
    const std::uint64_t sale = converted(100 + (hash ^ fnv(value(parameters, "country"))) % 20000,
                                         value(parameters, "target_currency"));
    const std::string fields = value(parameters, "fields");
    writer.StartObject();
    writer.Key("product_id");
    writer.Uint64(std::stoull(id));
    const auto text = [&](const char *name, const std::string &content) {
        if (wanted(fields, name)) {
            writer.Key(name);
            writer.String(content);
        }
    };
    text("product_title", "Демо-товар " + id);
    text("target_sale_price", price(sale));
    text("target_sale_price_currency", value(parameters, "target_currency"));
    text("target_original_price", price(sale * 2));
    text("discount", "50%");
    text("commission_rate", std::to_string(3 + hash % 5) + ".0%");
    text("hot_product_commission_rate", std::to_string(1 + hash / 5 % 10) + ".0%");
    text("evaluate_rate", "9" + std::to_string(hash % 10) + ".5%");
    if (wanted(fields, "lastest_volume")) {
        writer.Key("lastest_volume");
        writer.Uint64(hash % 5000);
    }
    text("shop_name", "Lumetta Demo Store");
    writer.EndObject();
}

// aliexpress.affiliate.category.get: a few of the service's top categories, for a key check.
OpenPlatform::Answer categories(const Parameters &parameters)
{
    static const std::pair<int, const char *> list[] = {{3, "Apparel & Accessories"},
                                                        {34, "Automobiles & Motorcycles"},
                                                        {44, "Consumer Electronics"}};
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    openResponse(writer, "aliexpress_affiliate_category_get_response", 200, "Call succeeds", false);
    writer.Key("result");
    writer.StartObject();
    writer.Key("categories");
    writer.StartObject();
    writer.Key("category");
    writer.StartArray();
    for (const auto &[id, name] : list) {
        writer.StartObject();
        writer.Key("category_id");
        writer.Int(id);
        writer.Key("category_name");
        writer.String(name);
        writer.EndObject();
    }
    writer.EndArray();
    writer.EndObject();
    writer.Key("total_result_count");
    writer.Int(int(std::size(list)));
    writer.EndObject();
    closeResponse(writer, parameters);
    return {200, buffer.GetString()};
}

} // namespace

std::string OpenPlatform::productIdOf(const std::string &code)
{
    return "1005" + std::to_string(100000000000ULL + fnv(code) % 900000000000ULL);
}

OpenPlatform::OpenPlatform(std::string appKey, std::string appSecret)
    : m_appKey(std::move(appKey)), m_appSecret(std::move(appSecret))
{}

std::string OpenPlatform::signature(const Parameters &parameters, const std::string &secret)
{
    std::string text;
    for (const auto &[name, value] : parameters) {
        if (name != "sign")
            text += name + value;
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    HMAC(EVP_sha256(), secret.data(), int(secret.size()),
         reinterpret_cast<const unsigned char *>(text.data()), text.size(), digest, &length);
    static constexpr char Hex[] = "0123456789ABCDEF";
    std::string hex;
    for (unsigned int i = 0; i < length; ++i) {
        hex += Hex[digest[i] >> 4];
        hex += Hex[digest[i] & 15];
    }
    return hex;
}

OpenPlatform::Answer OpenPlatform::answer(const Parameters &parameters, long long nowMs) const
{
    const std::string appKey = value(parameters, "app_key");
    if (appKey.empty())
        return refusal(parameters, "MissingAppKey", "The app_key parameter is missing");
    if (appKey != m_appKey)
        return oldRefusal(29, "Invalid app Key", "isv.appkey-not-exists",
                          "The App Key " + appKey + " is not known", &parameters);
    if (value(parameters, "sign_method") != "sha256" ||
        value(parameters, "sign") != signature(parameters, m_appSecret))
        return refusal(parameters, "IncompleteSignature",
                       "The request signature does not conform to platform standards");
    const auto timestamp = number(value(parameters, "timestamp"));
    if (!timestamp || *timestamp < nowMs - MaxClockSkewMs || *timestamp > nowMs + MaxClockSkewMs)
        return refusal(parameters, "InvalidTimestamp",
                       "The timestamp is missing or more than 7200 seconds off");
    if (value(parameters, "method") == "aliexpress.affiliate.link.generate")
        return linkGenerate(parameters);
    if (value(parameters, "method") == "aliexpress.affiliate.productdetail.get")
        return productDetail(parameters);
    if (value(parameters, "method") == "aliexpress.affiliate.category.get")
        return categories(parameters);
    return refusal(parameters, "InvalidApiPath", "The specified API is not found");
}

OpenPlatform::Answer OpenPlatform::linkGenerate(const Parameters &parameters) const
{
    constexpr const char *Response = "aliexpress_affiliate_link_generate_response";
    const std::string trackingId = value(parameters, "tracking_id");
    const std::vector<std::string> addresses =
        QueryText::splitAtCommas(value(parameters, "source_values"));
    const std::string type = value(parameters, "promotion_link_type");
    if (trackingId.empty() || (type != "0" && type != "2") ||
        !std::all_of(addresses.begin(), addresses.end(), isPageAddress))
        return oldRefusal(50, "Remote service error", "isv.invalid-parameter",
                          "tracking_id, promotion_link_type 0 or 2 and source_values (http or "
                          "https addresses) are required");
    if (addresses.size() > MaxValues)
        return oldRefusal(50, "Remote service error", "isv.invalid-parameter",
                          "source_values holds more than 50 addresses");
    if (const auto failure = commonFailure(parameters, Response))
        return *failure;

    const bool noCommission = trackingId == "no-commission";
    const auto linked = std::count_if(addresses.begin(), addresses.end(), [](const auto &address) {
        return !isOutsideProgramme(productOfPage(address));
    });
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    openResponse(writer, Response, 200, "Call succeeds", trackingId == "array-shape");
    writer.Key("result");
    writer.StartObject();
    if (trackingId == "bad-tracking")
        writeRefusedLinks(writer, addresses);
    else if (trackingId == "other-product")
        writeLinks(writer, parameters, {"https://www.aliexpress.com/item/42.html"}, false);
    else
        writeLinks(writer, parameters, noCommission ? std::vector<std::string>() : addresses,
                   trackingId == "array-shape");
    writer.Key("total_result_count");
    writer.Uint64(noCommission ? 0 : std::uint64_t(linked));
    writer.Key("tracking_id");
    writer.String(trackingId);
    writer.EndObject();
    closeResponse(writer, parameters);
    return {200, buffer.GetString()};
}

OpenPlatform::Answer OpenPlatform::productDetail(const Parameters &parameters) const
{
    constexpr const char *Response = "aliexpress_affiliate_productdetail_get_response";
    const std::string trackingId = value(parameters, "tracking_id");
    std::vector<std::string> ids = QueryText::splitAtCommas(value(parameters, "product_ids"));
    const auto isId = [](const std::string &id) {
        return !id.empty() && id.size() <= 19 &&
               id.find_first_not_of("0123456789") == std::string::npos;
    };
    if (trackingId.empty() || !std::all_of(ids.begin(), ids.end(), isId))
        return oldRefusal(50, "Remote service error", "isv.invalid-parameter",
                          "tracking_id and product_ids (comma-separated digits) are required");
    if (ids.size() > MaxValues)
        return oldRefusal(50, "Remote service error", "isv.invalid-parameter",
                          "product_ids holds more than 50 IDs");
    if (const auto failure = commonFailure(parameters, Response))
        return *failure;
    std::erase_if(ids, isOutsideProgramme);
    if (trackingId == "no-commission")
        ids.clear();
    if (trackingId == "other-product")
        ids = {"42"};
    const bool plainArray = trackingId == "array-shape";
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    openResponse(writer, Response, 200, "Call succeeds", plainArray);
    writer.Key("result");
    writer.StartObject();
    writer.Key("current_record_count");
    writer.Uint64(ids.size());
    writer.Key("products");
    if (!plainArray) {
        writer.StartObject();
        writer.Key("product");
    }
    writer.StartArray();
    for (const std::string &id : ids)
        writeProduct(writer, id, parameters);
    writer.EndArray();
    if (!plainArray)
        writer.EndObject();
    writer.EndObject();
    closeResponse(writer, parameters);
    return {200, buffer.GetString()};
}

void OpenPlatform::install(httplib::Server &server)
{
    const auto handle = [this](const QueryText::Pairs &pairs, httplib::Response &out) {
        Parameters parameters;
        for (const auto &[name, value] : pairs)
            parameters.emplace(name, value); // of a name given twice the first counts
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        const Answer result =
            answer(parameters, std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
        out.status = result.httpStatus;
        out.set_content(result.body, JsonType);
    };
    server.Get("/sync", [handle](const httplib::Request &in, httplib::Response &out) {
        handle(QueryText::parse(QueryText::queryOf(in.target)), out);
    });
    server.Post("/sync", [handle](const httplib::Request &in, httplib::Response &out) {
        QueryText::Pairs pairs = QueryText::parse(QueryText::queryOf(in.target));
        const QueryText::Pairs form = QueryText::parse(in.body);
        pairs.insert(pairs.end(), form.begin(), form.end());
        handle(pairs, out);
    });
    // A short link as a.aliexpress.com gives them: a redirect to a share page whose
    // redirectUrl names the product's page. Bodies go with the redirects, as the real ones.
    // A code starting with "meta" answers as a redirector page does instead: 200, and a meta
    // refresh to the share page.
    server.Get("/_([0-9A-Za-z]+)", [](const httplib::Request &in, httplib::Response &out) {
        const std::string code = in.matches[1];
        const std::string item =
            "https://www.aliexpress.com/item/" + productIdOf(code) + ".html?sourceType=620";
        const std::string target = httplib::detail::encode_query_param(item);
        const std::string share = "/share/share.htm?platform=AE&redirectUrl=" + target;
        // The same address as an HTML attribute writes it.
        const std::string shareInHtml = "/share/share.htm?platform=AE&amp;redirectUrl=" + target;
        if (code.starts_with("meta")) {
            out.set_content("<html><head><meta http-equiv=\"refresh\" content=\"0; url=" +
                                shareInHtml + "\"></head><body>Redirecting…</body></html>",
                            "text/html; charset=utf-8");
            return;
        }
        out.set_redirect(share);
        out.set_content("<html><body><a href=\"" + shareInHtml + "\">Share page</a></body></html>",
                        "text/html; charset=utf-8");
    });
    server.Get("/share/share.htm", [](const httplib::Request &, httplib::Response &out) {
        out.set_content("<html><body>Opening the product…</body></html>",
                        "text/html; charset=utf-8");
    });
}
