#pragma once

#include <QByteArray>
#include <QDeadlineTimer>
#include <QtGlobal>

#include <functional>

// Looks a host name up (IPv4) on a thread of its own, so that the wait for the answer keeps to
// a deadline and can be given up: a resolver that never answers holds only that thread, which
// ends whenever the resolver does. Failures throw SocketError.
namespace NameLookup {

// The name's IPv4 address in network byte order. While waiting, whileWaiting() runs every
// intervalMs (never before the first interval has passed); what it throws ends the wait.
// Past the deadline: SocketError 10060.
quint32 ipv4Address(const QByteArray &asciiName, QDeadlineTimer deadline,
                    const std::function<void()> &whileWaiting, int intervalMs);

// Blocks until the system's resolver answers.
quint32 systemIpv4Address(const QByteArray &asciiName);

// The resolver the lookups use; tests put one that never answers in its place. An empty
// function restores the system's. It runs on the lookup's own thread.
using Resolver = std::function<quint32(const QByteArray &asciiName)>;
void setResolver(Resolver resolver);

} // namespace NameLookup
