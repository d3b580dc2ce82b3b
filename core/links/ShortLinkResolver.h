#pragma once

#include "http/HttpClient.h"
#include "links/PartnerLinkView.h"

#include <QString>

#include <optional>

// Follows the redirects of a short or share link with the program's own client, which follows
// none itself, until an address with a product ID appears: a target parameter of a landing or
// partner page (redirectUrl, dl_target_url, ulp) decoded and followed without a request, else a
// GET of the address when its host is one that gives short links (or the run's own service):
// any 3xx with its Location, or a redirector page's own target, resolved against the address
// asked. Each step is logged in Russian.
class ShortLinkResolver
{
public:
    static constexpr int MaxHops = 5;

    // serviceHost: the host of the service the run talks to, asked like a short-link host.
    ShortLinkResolver(PartnerLinkView &view, HttpClient &http,
                      const QString &serviceHost = QString())
        : m_view(view), m_http(http), m_serviceHost(serviceHost)
    {}

    // The first address on the way that names a product; nothing, after a log line saying why,
    // when a hop fails, leads to a scheme other than http or https or to a host that is not
    // asked, comes back to an address already seen, or there are more than MaxHops.
    std::optional<QString> productPage(const QString &address);
    // The product ID of productPage().
    std::optional<QString> productId(const QString &address);

private:
    // The address the given one leads to; nothing, after a log line, when there is none.
    std::optional<QString> nextAddress(const QString &address);
    std::optional<QString> redirectOf(const QString &address);
    // The failure line of a hop, then what the failure means when that is known.
    void logFailure(const QString &address, const QString &message);

    PartnerLinkView &m_view;
    HttpClient &m_http;
    QString m_serviceHost;
};
