#include "net/SocketError.h"

#include <gtest/gtest.h>

#include <cerrno>
#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <netdb.h>
#endif

TEST(SocketError, MessageCarriesNumberAndDescription)
{
    EXPECT_EQ(SocketError(10061).message(), QString("Socket Error # 10061\r\nConnection refused."));
    EXPECT_EQ(SocketError(10060).message(),
              QString("Socket Error # 10060\r\nConnection timed out."));
    EXPECT_EQ(SocketError(11001).message(), QString("Socket Error # 11001\r\nHost not found."));
    EXPECT_EQ(SocketError(10066).message(), QString("Socket Error # 10066\r\nDirectory not empty"));
    EXPECT_EQ(SocketError(10047).message(),
              QString("Socket Error # 10047\r\nAddress family not supported by protocol family."));
    // A number outside the table keeps its number and has no description.
    EXPECT_EQ(SocketError(11002).message(), QString("Socket Error # 11002\r\n"));
    EXPECT_EQ(SocketError(10061).code(), 10061);
    EXPECT_STREQ(SocketError(10054).what(), "Socket Error # 10054\r\nConnection reset by peer.");
}

TEST(SocketError, PosixErrorsMapOntoWindowsSocketsNumbers)
{
    EXPECT_EQ(SocketError::fromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketError::fromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(SocketError::fromErrno(ECONNRESET), 10054);
    EXPECT_EQ(SocketError::fromErrno(ECONNABORTED), 10053);
    EXPECT_EQ(SocketError::fromErrno(EPIPE), 10058);
    EXPECT_EQ(SocketError::fromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(SocketError::fromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(SocketError::fromErrno(EADDRINUSE), 10048);
    EXPECT_EQ(SocketError::fromErrno(EINTR), 10004);
    EXPECT_EQ(SocketError::fromErrno(EAGAIN), 10035);
    EXPECT_EQ(SocketError::fromErrno(EINPROGRESS), 10036);
    EXPECT_EQ(SocketError::fromErrno(ENOTEMPTY), 10066);
}

TEST(SocketError, OnlyResetAbortAndShutdownMeanThePeerIsGone)
{
    EXPECT_TRUE(SocketError(10054).meansPeerGone());
    EXPECT_TRUE(SocketError(10053).meansPeerGone());
    EXPECT_TRUE(SocketError(10058).meansPeerGone());
    EXPECT_FALSE(SocketError(10060).meansPeerGone());
    EXPECT_FALSE(SocketError(10061).meansPeerGone());
}

TEST(SocketError, EveryNumberOfTheTableHasItsDescription)
{
    const std::pair<int, const char *> table[] = {
        {10004, "Interrupted system call."},
        {10009, "Bad file number."},
        {10013, "Access denied."},
        {10014, "Buffer fault."},
        {10022, "Invalid argument."},
        {10024, "Too many open files."},
        {10035, "Operation would block."},
        {10036, "Operation now in progress."},
        {10037, "Operation already in progress."},
        {10038, "Socket operation on non-socket."},
        {10039, "Destination address required."},
        {10040, "Message too long."},
        {10041, "Protocol wrong type for socket."},
        {10042, "Bad protocol option."},
        {10043, "Protocol not supported."},
        {10044, "Socket type not supported."},
        {10045, "Operation not supported on socket."},
        {10046, "Protocol family not supported."},
        {10047, "Address family not supported by protocol family."},
        {10048, "Address already in use."},
        {10049, "Cannot assign requested address."},
        {10050, "Network is down."},
        {10051, "Network is unreachable."},
        {10052, "Net dropped connection or reset."},
        {10053, "Software caused connection abort."},
        {10054, "Connection reset by peer."},
        {10055, "No buffer space available."},
        {10056, "Socket is already connected."},
        {10057, "Socket is not connected."},
        {10058, "Cannot send or receive after socket is closed."},
        {10059, "Too many references, cannot splice."},
        {10060, "Connection timed out."},
        {10061, "Connection refused."},
        {10062, "Too many levels of symbolic links."},
        {10063, "File name too long."},
        {10064, "Host is down."},
        {10065, "No route to host."},
        {10066, "Directory not empty"},
        {11001, "Host not found."},
    };
    for (const auto &[code, description] : table) {
        EXPECT_EQ(SocketError(code).message(),
                  QStringLiteral("Socket Error # %1\r\n%2").arg(code).arg(description));
    }
    // Neighbours of the numbers in the table have no description.
    for (const int code : {10000, 10003, 10005, 10067, 10091, 11000, 11002, 11004})
        EXPECT_EQ(SocketError::description(code), QString()) << code;
}

TEST(SocketError, ResolverFailuresMapOntoWindowsSocketsNumbers)
{
    EXPECT_EQ(SocketError::fromResolverError(EAI_NONAME), SocketError::HostNotFound);
    EXPECT_EQ(SocketError::fromResolverError(EAI_AGAIN), SocketError::TryAgain);
    EXPECT_EQ(SocketError::fromResolverError(EAI_FAIL), SocketError::NoRecovery);
#ifndef _WIN32 // Windows's resolver reports Windows Sockets numbers itself (11004 for no data)
#ifdef EAI_NODATA
    EXPECT_EQ(SocketError::fromResolverError(EAI_NODATA), SocketError::HostNotFound);
#endif
    EXPECT_EQ(SocketError::fromResolverError(EAI_MEMORY), 10055);
    errno = EMFILE;
    EXPECT_EQ(SocketError::fromResolverError(EAI_SYSTEM), 10024);
#endif
    // What the user reads: the unknown name is described, a resolver out of reach is not.
    EXPECT_EQ(SocketError(SocketError::fromResolverError(EAI_NONAME)).message(),
              QString("Socket Error # 11001\r\nHost not found."));
    EXPECT_EQ(SocketError(SocketError::fromResolverError(EAI_AGAIN)).message(),
              QString("Socket Error # 11002\r\n"));
}
