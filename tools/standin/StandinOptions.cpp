#include "StandinOptions.h"

#include <charconv>
#include <iostream>
#include <string_view>

namespace {

bool readPort(std::string_view text, int &port)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() && port >= 0 && port <= 65535;
}

bool fail(const std::string &message)
{
    std::cerr << "lumetta-standin: " << message << "\n(--help lists the options)\n";
    return false;
}

bool apply(StandinOptions &options, std::string_view name, std::string_view value)
{
    if (name == "--api-port")
        return readPort(value, options.apiPort) || fail("--api-port needs a port from 0 to 65535");
    if (name == "--shortener-port")
        return readPort(value, options.shortenerPort) ||
               fail("--shortener-port needs a port from 0 to 65535");
    if (name == "--open-platform-port")
        return readPort(value, options.openPlatformPort) ||
               fail("--open-platform-port needs a port from 0 to 65535");
    if (name == "--app-key")
        options.appKey = value;
    else if (name == "--app-secret")
        options.appSecret = value;
    else if (name == "--certificate")
        options.certificate = value;
    else if (name == "--private-key")
        options.privateKey = value;
    else
        return fail("unknown option " + std::string(name));
    return true;
}

} // namespace

std::optional<StandinOptions> StandinOptions::parse(int argc, char **argv,
                                                    const std::string &certificateDirectory)
{
    StandinOptions options;
    options.certificate = certificateDirectory + "/shortener.pem";
    options.privateKey = certificateDirectory + "/shortener-key.pem";
    for (int i = 1; i < argc; ++i) {
        const std::string_view name = argv[i];
        if (name == "--help" || name == "-h") {
            options.help = true;
            continue;
        }
        if (i + 1 >= argc) {
            fail(std::string(name) + " needs a value");
            return std::nullopt;
        }
        if (!apply(options, name, argv[++i]))
            return std::nullopt;
    }
    return options;
}

const char *standinUsage()
{
    return R"(Usage: lumetta-standin [options]

Stand-in services for Dalvo Lumetta, on 127.0.0.1 only:
  the AliExpress Open Platform over HTTPS: GET or form POST /sync, signed
      with HMAC-SHA256 by the App Secret, and short links /_<code>;
  the old affiliate API over plain HTTP at
    /openapi/param2/2/portals.open/api.getPromotionLinks/<key>
      ?fields=promotionUrls&trackingId=<id>&urls=<address>[,<address>...]
      (urls comes last and takes the rest of the query, so that an address
      may carry a query of its own)
  the URL shortener over HTTPS: POST /-- with the form field url.
The first line of output holds the three base addresses (old API, shortener,
Open Platform); the next two give the App Key and the App Secret it accepts;
then one line follows per request received. Ctrl+C or SIGTERM stops it.

Options:
  --api-port N          port of the affiliate API (0, the default: the system picks)
  --shortener-port N    port of the shortener (0, the default: the system picks)
  --open-platform-port N  port of the Open Platform (0, the default: the system
                        picks)
  --app-key KEY         the App Key the Open Platform accepts (default 12345678)
  --app-secret SECRET   the App Secret it checks signatures with
                        (default lumetta-demo-secret)
  --certificate FILE    the PEM certificate of the two HTTPS services
                        (default: ../standin/shortener.pem beside this program)
  --private-key FILE    its PEM key (default: ../standin/shortener-key.pem)
  --help                this text

Open Platform answers, checked in this order:
  error_response MissingAppKey        no app_key
  error_response code 29, isv.appkey-not-exists (with a request_id)
                                      another App Key than its own
  error_response IncompleteSignature  sign_method is not sha256, or sign is
                                      not the HMAC-SHA256 of the parameters
  error_response InvalidTimestamp     timestamp more than 7200 s off its clock
  error_response InvalidApiPath       a method it does not serve
  Both methods, by tracking ID:
  unregistered   resp_code 401 "This publisher is not registered"
  empty-result   resp_code 405 "The result is empty"
  call-limit     the platform's top-level failure {"type","code","message",
                 "request_id"}, code ApiCallLimit
  Both methods take up to 50 comma-separated values a call (more: error_response
  code 50), and a product whose ID ends in 0000 is outside the programme for any
  tracking ID: no link for its page, no facts.
  aliexpress.affiliate.link.generate:
  error_response code 50, isv.invalid-parameter
                         no tracking_id, promotion_link_type other than 0 or 2,
                         or a source value that is no http(s) address (a
                         query is welcome)
  tracking ID no-commission  resp_code 200 with no link (outside the programme)
  tracking ID bad-tracking   an element with the message "The tracking id is
                             invalid" and no link
  tracking ID other-product  one link, for product 42's page
  tracking ID array-shape    promotion_links as a plain array, resp_code "200"
  anything else              resp_code 200, one link per comma-separated
                             source value (last first), matched by source_value;
                             the link depends on promotion_link_type (2: a hot
                             link) and ship_to_country
  aliexpress.affiliate.productdetail.get:
  error_response code 50, isv.invalid-parameter
                         no tracking_id, or product_ids that are not digits
  tracking ID no-commission  resp_code 200 with no product
  tracking ID other-product  the facts of product 42
  tracking ID array-shape    products as a plain array, resp_code "200"
  anything else              the same made-up facts for the same product ID, in
                             target_currency (converted at fixed rates), priced
                             for country, the fields asked for only; the
                             hot-product rate is the higher for some products
  aliexpress.affiliate.category.get:
                             resp_code 200 with three categories (a key check)
  GET /_<code>  a short link: 302 to /share/share.htm?redirectUrl=<the page of
                a product made up from the code>, as a.aliexpress.com does; a
                code starting with "meta" answers 200 with a meta refresh to
                that share page instead, as a redirector page does

Old affiliate API answers, checked in this order:
  errorCode 20030000  the key is not digits only (1 to 32 digits)
  errorCode 20030010  fields, trackingId or urls is missing or empty
  errorCode 20030070  the tracking ID holds anything but ASCII letters, digits,
                      "_" and "-", or is longer than 64
  errorCode 20030080  a comma-separated page address does not start with
                      http://host or https://host, or there are more than 50
  tracking ID fail-http     HTTP 500 (the program logs a failed request)
  tracking ID fail-html     an HTML page (the answer is not JSON)
  tracking ID fail-array    the JSON array [] (JSON, but not an object)
  tracking ID fail-system   errorCode 20020000, a system error
  tracking ID fail-total    totalResults one more than the links given
  tracking ID fail-element  the last element lacks promotionUrl
  tracking ID fail-short    links the shortener refuses with HTTP 503
  anything else             errorCode 20010000: one element per page address,
                            each with a partner link
                            https://s.click.aliexpress.com/e/_<code>
                            (the same inputs give the same link)

Shortener answers:
  HTTP 400  no form field url, or one that is no http or https address
            (so an empty partner link is refused)
  HTTP 503  a link issued for the tracking ID fail-short
  HTTP 200  the short link https://localhost:<port>/<code> as plain text
            (the same address gives the same code); a GET of it redirects
            to the address.
)";
}
