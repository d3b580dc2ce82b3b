#pragma once

#include <QString>

// A link from a service, checked before it reaches the partner-link field, the clipboard or
// the shortener.
namespace RemoteLink {

constexpr qsizetype MaxLength = 2048;

// Why the link cannot be used, in Russian for the log; empty when it is an http or https
// address with a host, without blanks, control or bidirectional characters, of at most
// MaxLength characters.
QString fault(const QString &link);

} // namespace RemoteLink
