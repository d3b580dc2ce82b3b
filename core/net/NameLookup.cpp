#ifdef _WIN32
// getaddrinfo needs Windows Vista's headers at least.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0A00
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#endif

#include "net/NameLookup.h"

#include "net/SocketError.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#ifndef _WIN32
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

namespace NameLookup {
namespace {

std::mutex resolverMutex;
Resolver customResolver;

Resolver currentResolver()
{
    const std::lock_guard lock(resolverMutex);
    return customResolver ? customResolver : Resolver(systemIpv4Address);
}

// Names under "invalid" never exist (RFC 6761); they are refused without asking the network.
bool isReservedInvalidName(const QByteArray &ascii)
{
    QByteArray name = ascii.toLower();
    if (name.endsWith('.'))
        name.chop(1);
    return name == "invalid" || name.endsWith(".invalid");
}

int resolverErrorNumber(int code)
{
#ifdef _WIN32
    return code; // getaddrinfo reports Windows Sockets numbers there
#else
    return SocketError::fromResolverError(code);
#endif
}

// What the lookup's thread and the waiting caller share; whichever leaves last frees it.
struct Outcome
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    quint32 address = 0;
    std::exception_ptr failure;
};

std::shared_ptr<Outcome> startLookup(const QByteArray &asciiName)
{
    auto outcome = std::make_shared<Outcome>();
    std::thread([outcome, asciiName, resolve = currentResolver()] {
        quint32 address = 0;
        std::exception_ptr failure;
        try {
            address = resolve(asciiName);
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard lock(outcome->mutex);
        outcome->address = address;
        outcome->failure = failure;
        outcome->finished = true;
        outcome->done.notify_all();
    }).detach();
    return outcome;
}

} // namespace

quint32 systemIpv4Address(const QByteArray &asciiName)
{
    if (asciiName.isEmpty() || isReservedInvalidName(asciiName))
        throw SocketError(SocketError::HostNotFound);
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    const int rc = ::getaddrinfo(asciiName.constData(), nullptr, &hints, &found);
    if (rc != 0 || found == nullptr)
        throw SocketError(rc != 0 ? resolverErrorNumber(rc) : SocketError::HostNotFound);
    sockaddr_in v4{};
    std::copy_n(reinterpret_cast<const char *>(found->ai_addr),
                std::min<size_t>(sizeof v4, found->ai_addrlen), reinterpret_cast<char *>(&v4));
    ::freeaddrinfo(found);
    return v4.sin_addr.s_addr;
}

quint32 ipv4Address(const QByteArray &asciiName, QDeadlineTimer deadline,
                    const std::function<void()> &whileWaiting, int intervalMs)
{
    std::shared_ptr<Outcome> outcome;
    try {
        outcome = startLookup(asciiName);
    } catch (const std::system_error &) {
        return currentResolver()(asciiName); // no thread to spare: wait as before
    }
    std::unique_lock lock(outcome->mutex);
    for (;;) {
        const qint64 left = deadline.remainingTime(); // -1: no limit
        const auto slice =
            std::chrono::milliseconds(left < 0 ? intervalMs : std::min<qint64>(left, intervalMs));
        if (outcome->done.wait_for(lock, slice, [&] { return outcome->finished; })) {
            if (outcome->failure)
                std::rethrow_exception(outcome->failure);
            return outcome->address;
        }
        if (deadline.hasExpired())
            throw SocketError(SocketError::TimedOut);
        if (whileWaiting) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
}

void setResolver(Resolver resolver)
{
    const std::lock_guard lock(resolverMutex);
    customResolver = std::move(resolver);
}

} // namespace NameLookup
