#pragma once

#include "http/HttpClient.h"
#include "links/PartnerLinkView.h"

#include <QString>

#include <optional>

// Follows the redirects of a short or share link with the program's own client, which follows
// none itself, until an address with a product ID appears: a GET per hop, any 3xx with its
// Location resolved against the address asked, and a redirectUrl query parameter of a landing
// page decoded and followed without a request. Each step is logged in Russian.
class ShortLinkResolver
{
public:
    static constexpr int MaxHops = 5;

    ShortLinkResolver(PartnerLinkView &view, HttpClient &http) : m_view(view), m_http(http) {}

    // The product ID the address leads to; nothing, after a log line saying why, when a hop
    // fails, leads to a scheme other than http or https, comes back to an address already
    // seen, or there are more than MaxHops.
    std::optional<QString> productId(const QString &address);

private:
    // The address the given one leads to; nothing, after a log line, when there is none.
    std::optional<QString> nextAddress(const QString &address);

    PartnerLinkView &m_view;
    HttpClient &m_http;
};
