#pragma once

#include <map>
#include <string>

namespace httplib {
class Server;
}

// The stand-in for the AliExpress Open Platform's gateway: GET or form POST on /sync, signed
// with HMAC-SHA256. Checks the App Key, the signature and the timestamp like the real gateway
// and answers aliexpress.affiliate.link.generate, productdetail.get and category.get; also serves
// short links /_<code> that redirect, through a share page, to a product. See standinUsage() for
// what each input provokes. Deterministic: the same call gets the same answer.
class OpenPlatform
{
public:
    using Parameters = std::map<std::string, std::string>;

    struct Answer
    {
        int httpStatus = 200;
        std::string body;
    };

    static constexpr long long MaxClockSkewMs = 7200 * 1000LL;

    OpenPlatform(std::string appKey, std::string appSecret);

    // The gateway's answer to one call's parameters, its clock reading nowMs.
    Answer answer(const Parameters &parameters, long long nowMs) const;

    // Upper-case hexadecimal HMAC-SHA256 of every name and value but sign's, in name order.
    static std::string signature(const Parameters &parameters, const std::string &secret);

    void install(httplib::Server &server);

    // The product a short link /_<code> of this stand-in stands for.
    static std::string productIdOf(const std::string &code);

private:
    Answer linkGenerate(const Parameters &parameters) const;
    Answer productDetail(const Parameters &parameters) const;

    std::string m_appKey;
    std::string m_appSecret;
};
