#pragma once

#include <QString>

// The public suffix list, as libpsl carries it: names under which anyone may register a
// domain ("com", "co.uk", "github.io"), so that no site may set cookies for all of them.
namespace PublicSuffix {

// domain in lower-case ASCII, as CookieJar::canonicalHost gives it. A name the list does not
// know counts as a suffix when it has one label ("example", "localhost"), as in browsers.
// Without a list every name counts as one: cookies then stay with the host that set them.
bool contains(const QString &domain);

} // namespace PublicSuffix
