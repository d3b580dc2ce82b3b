#include "net/SocketError.h"

#include <gtest/gtest.h>

#include <cerrno>

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
