#pragma once

#include "LumettaError.h"

// A failed socket operation, numbered and described the Windows Sockets way on every
// platform, so that the message reads the same everywhere: "Socket Error # 10061\r\n...".
class SocketError : public LumettaError
{
public:
    static constexpr int Interrupted = 10004;
    static constexpr int WouldBlock = 10035;
    static constexpr int ConnectionAborted = 10053;
    static constexpr int ConnectionReset = 10054;
    static constexpr int AfterShutdown = 10058;
    static constexpr int TimedOut = 10060;
    static constexpr int ConnectionRefused = 10061;
    static constexpr int HostNotFound = 11001;
    static constexpr int TryAgain = 11002;
    static constexpr int NoRecovery = 11003;

    explicit SocketError(int code) : LumettaError(messageFor(code)), m_code(code) {}

    int code() const noexcept { return m_code; }
    // Reset, abort and use after shutdown: the peer has gone away.
    bool meansPeerGone() const noexcept;

    // "Socket Error # <code>\r\n<description>"; the description is empty for an unknown code.
    static QString messageFor(int code);
    static QString description(int code);
    // The Windows Sockets number for a POSIX errno value; unknown values pass unchanged.
    static int fromErrno(int errnoValue);
    // The Windows Sockets number for a failure code of getaddrinfo() (EAI_...); a name
    // the resolver does not know is HostNotFound, a resolver it cannot reach TryAgain.
    // On Windows the codes already are such numbers.
    static int fromResolverError(int code);

private:
    int m_code;
};
