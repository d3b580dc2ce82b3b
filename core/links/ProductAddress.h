#pragma once

#include <QString>

#include <optional>

// The forms of marketplace addresses that people paste, and what the program reads from them.
namespace ProductAddress {

// The product ID of an address on any marketplace host (aliexpress.com, .ru, .us, with www.,
// m. or a language subdomain): /item/<id>.html, /item/<title>/<id>.html, /i/<id>.html, or a
// productId=<id> query parameter. Nothing for any other address.
std::optional<QString> productId(const QString &address);

// Whether the address looks like a short or share link that names no product itself
// (a.aliexpress.com/_…, s.click.aliexpress.com/e/_…, on any host) or a landing page with a
// redirectUrl parameter: its redirects lead to one.
bool isShortLink(const QString &address);

// The address sent for a product: https://www.aliexpress.com/item/<id>.html.
QString itemPage(const QString &productId);

// The address without its query and fragment.
QString withoutQuery(const QString &address);

} // namespace ProductAddress
