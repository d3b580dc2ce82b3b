#pragma once

#include "links/PostLinks.h"

#include <QList>
#include <QString>

// The marketplace addresses of a post, where they stand in its text.
namespace PostAddresses {

// Every marketplace address in text, in order, as a Waiting row: an http or https address on a
// marketplace host, a short or share link of a host that gives them (a /_<code> on serviceHost
// included, as the single run follows), or a page whose target parameter names a marketplace
// page (a partner network's deep link); also a marketplace address written without its scheme
// ("aliexpress.ru/item/1.html"), when it has a path: a bare "AliExpress.ru" in a sentence is a
// name, not a link. The punctuation that ends a sentence is no part of an address, and an
// address ends where the next one follows a comma.
QList<PostRow> find(const QString &text, const QString &serviceHost);

// The address a row stands for: "https://" before one written without a scheme.
QString withScheme(const QString &address);

} // namespace PostAddresses
