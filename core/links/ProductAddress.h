#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The forms of marketplace addresses that people paste, and what the program reads from them.
namespace ProductAddress {

// The address found in what was pasted into the address field.
struct Pasted
{
    QString address;
    bool fromText = false;    // taken out of a longer text, such as the app's share text
    bool schemeAdded = false; // given without a scheme: "https://" was put before it
};

// The first http or https address in the text, without the punctuation that ends a sentence;
// else a lone word that reads as host[/path] (or such a word naming a marketplace or short-link
// host among other words), with "https://" before it; else the trimmed text as it is.
Pasted fromPastedText(const QString &text);

// Whether host is one of the marketplace's own (aliexpress.com, .ru, .us, with any subdomain).
bool isMarketplaceHost(const QString &host);

// The product ID of an address on any marketplace host (aliexpress.com, .ru, .us, with www.,
// m. or a language subdomain): /item/<id>.html, /item/<title>/<id>.html, /i/<id>[.html],
// /store/product/<title>/<store>_<id>.html, or a productId=<id> or productIds=<id>,…
// query parameter (the first one). Nothing for any other address.
std::optional<QString> productId(const QString &address);

// The chosen variant of a product page: its sku_id parameter when that is digits.
std::optional<QString> skuId(const QString &address);

// The page a partner, landing or share page names in its redirectUrl, dl_target_url or ulp
// parameter, decoded; empty when it names none.
QString targetOf(const QString &address);

// Whether the address is to be followed to the page it leads to: a short or share link on one
// of the hosts that give them (a.aliexpress.com/_…, s.click.aliexpress.com, click.aliexpress.com,
// ali.ski), a short link /_<code> on serviceHost (the service the run talks to, so that a
// stand-in's short links are followed too), or a page with a target parameter (targetOf).
bool isShortLink(const QString &address, const QString &serviceHost = QString());

// Whether the resolver may ask host for the page it leads to: a short-link host or serviceHost.
bool isFollowedHost(const QString &host, const QString &serviceHost = QString());

// The address sent for a product: https://www.aliexpress.com/item/<id>.html, with the variant's
// ?sku_id=<sku> when there is one.
QString itemPage(const QString &productId, const std::optional<QString> &skuId = std::nullopt);

// The address without its query and fragment.
QString withoutQuery(const QString &address);

// An address without the query parameters that only track where a visit came from (spm, scm,
// algo_pvid, aff_fcid, aff_trace_key, terminal_id, gatewayAdapt and the like), and the names of
// those it had, in their order. Everything else stays as given, the fragment included; a query
// left empty loses its "?".
struct Untracked
{
    QString address;
    QStringList removed;
};
Untracked withoutTracking(const QString &address);

} // namespace ProductAddress
