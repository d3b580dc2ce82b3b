#pragma once

#include <optional>
#include <string>

#include "PlainHttpServer.h"

// The stand-in for the affiliate portal's open API: the promotion-link request only.
namespace AffiliateApi {

constexpr const char *Path = "/openapi/param2/2/portals.open/api.getPromotionLinks/";

// One request as received; an absent query parameter is nullopt.
struct Request
{
    std::string key;
    std::optional<std::string> fields;
    std::optional<std::string> trackingId;
    std::optional<std::string> urls;
};

struct Answer
{
    int httpStatus = 200;
    std::string contentType;
    std::string body;
};

// The gateway's answer. Deterministic: the same request gets the same answer.
Answer answer(const Request &request);

// The answer to a GET of the raw request target Path + key + query; 404 elsewhere.
PlainHttpServer::Answer serve(const std::string &target);

} // namespace AffiliateApi
