#include "AffiliateApi.h"

#include "QueryText.h"
#include "ShortCode.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <algorithm>
#include <vector>

namespace AffiliateApi {
namespace {

constexpr int Success = 20010000;
constexpr int SystemError = 20020000;
constexpr int KeyNotAccepted = 20030000;
constexpr int MissingParameter = 20030010;
constexpr int BadTrackingId = 20030070;
constexpr int BadPageAddress = 20030080;
constexpr std::size_t MaxAddresses = 50;
constexpr const char *JsonType = "application/json;charset=UTF-8";
constexpr const char *LinkPrefix = "https://s.click.aliexpress.com/e/_";

using Writer = rapidjson::Writer<rapidjson::StringBuffer>;

bool isDigits(const std::string &text)
{
    return !text.empty() && text.size() <= 32 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isTrackingId(const std::string &text)
{
    return text.size() <= 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '-';
           });
}

bool isPageAddress(const std::string &text)
{
    for (const std::string scheme : {"http://", "https://"}) {
        if (text.size() > scheme.size() && text.compare(0, scheme.size(), scheme) == 0)
            return text[scheme.size()] != '/';
    }
    return false;
}

bool empty(const std::optional<std::string> &value)
{
    return !value || value->empty();
}

Answer json(const rapidjson::StringBuffer &buffer)
{
    return {200, JsonType, buffer.GetString()};
}

Answer failure(int code, const char *message)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("errorCode");
    writer.Int(code);
    writer.Key("errorMessage");
    writer.String(message);
    writer.EndObject();
    return json(buffer);
}

// A partner link that depends on every input, so that the same request gets the same link.
std::string partnerLink(const Request &request, const std::string &address)
{
    const std::string code =
        shortCode(request.key + '\n' + *request.trackingId + '\n' + address, 7);
    // The stand-in's shortener refuses links whose code starts with "failshort".
    return LinkPrefix + (*request.trackingId == "fail-short" ? "failshort" + code : code);
}

void writeElements(Writer &writer, const Request &request,
                   const std::vector<std::string> &addresses)
{
    writer.Key("promotionUrls");
    writer.StartArray();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        writer.StartObject();
        writer.Key("url");
        writer.String(addresses[i]);
        // "fail-element" leaves the link out of the last element.
        if (*request.trackingId != "fail-element" || i + 1 < addresses.size()) {
            writer.Key("promotionUrl");
            writer.String(partnerLink(request, addresses[i]));
        }
        writer.EndObject();
    }
    writer.EndArray();
}

Answer promotionLinks(const Request &request, const std::vector<std::string> &addresses)
{
    rapidjson::StringBuffer buffer;
    Writer writer(buffer);
    writer.StartObject();
    writer.Key("errorCode");
    writer.Int(Success);
    writer.Key("result");
    writer.StartObject();
    writeElements(writer, request, addresses);
    writer.Key("trackingId");
    writer.String(*request.trackingId);
    writer.Key("totalResults");
    // "fail-total" reports one link more than the answer holds.
    writer.Uint64(addresses.size() + (*request.trackingId == "fail-total" ? 1 : 0));
    writer.EndObject();
    writer.EndObject();
    return json(buffer);
}

// The tracking IDs that make the gateway misbehave, so that every failure can be seen.
std::optional<Answer> misbehaviour(const std::string &trackingId)
{
    if (trackingId == "fail-http")
        return Answer{500, "text/plain", "The gateway failed.\n"};
    if (trackingId == "fail-html")
        return Answer{200, "text/html; charset=utf-8",
                      "<html><body><h1>Service maintenance</h1></body></html>\n"};
    if (trackingId == "fail-array")
        return Answer{200, JsonType, "[]"};
    if (trackingId == "fail-system")
        return failure(SystemError, "System error");
    return std::nullopt;
}

// The program sends the page addresses unescaped and last, so that an address with a query
// of its own ("…html?spm=…&sku_id=…") takes the whole rest of the query.
Request requestOf(const std::string &key, std::string_view query)
{
    Request request{key, std::nullopt, std::nullopt, std::nullopt};
    std::size_t urls = query.starts_with("urls=") ? 0 : query.find("&urls=");
    if (urls != std::string_view::npos) {
        const std::size_t value = query.find('=', urls) + 1;
        request.urls = QueryText::decode(query.substr(value));
        query = query.substr(0, urls);
    }
    for (const auto &[name, value] : QueryText::parse(query)) {
        if (name == "fields" && !request.fields)
            request.fields = value;
        else if (name == "trackingId" && !request.trackingId)
            request.trackingId = value;
    }
    return request;
}

} // namespace

Answer answer(const Request &request)
{
    if (!isDigits(request.key))
        return failure(KeyNotAccepted, "The API key is not accepted");
    if (empty(request.fields) || empty(request.trackingId) || empty(request.urls))
        return failure(MissingParameter, "A required parameter is missing");
    if (!isTrackingId(*request.trackingId))
        return failure(BadTrackingId, "The tracking ID is not valid");
    const std::vector<std::string> addresses = QueryText::splitAtCommas(*request.urls);
    if (addresses.size() > MaxAddresses ||
        !std::all_of(addresses.begin(), addresses.end(), isPageAddress))
        return failure(BadPageAddress, "A page address is not valid, or there are more than 50");
    if (auto odd = misbehaviour(*request.trackingId))
        return *odd;
    return promotionLinks(request, addresses);
}

PlainHttpServer::Answer serve(const std::string &target)
{
    const std::string_view raw = target;
    const std::string path = QueryText::decode(raw.substr(0, raw.find('?')), false);
    if (!path.starts_with(Path))
        return {404, "text/plain", "Not Found\n"};
    const Answer result =
        answer(requestOf(path.substr(std::string_view(Path).size()), QueryText::queryOf(raw)));
    return {result.httpStatus, result.contentType, result.body};
}

} // namespace AffiliateApi
