#include "ErrorMessage.h"
#include "ScriptedServer.h"
#include "net/TlsChannel.h"

#include <gtest/gtest.h>

#include <winsock2.h>

namespace {

using Script = ScriptedServer::Script;

const QByteArray Request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

// A loopback port with nothing listening: bound, never listened on, closed again.
quint16 closedPort()
{
    const SOCKET socket = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    ::bind(socket, reinterpret_cast<sockaddr *>(&address), length);
    ::getsockname(socket, reinterpret_cast<sockaddr *>(&address), &length);
    ::closesocket(socket);
    return ntohs(address.sin_port);
}

} // namespace

// Winsock reports its own numbers; the channel passes them on unchanged.
TEST(Winsock, FailedConnectionsCarryWindowsSocketsNumbers)
{
    TlsChannel channel;
    EXPECT_EQ(errorMessageOf([&] { channel.open("127.0.0.1", closedPort(), ChannelMode::Plain); }),
              QString("Socket Error # 10061\r\nConnection refused."));
    EXPECT_EQ(errorMessageOf([&] { channel.open("no-such-host.invalid", 80, ChannelMode::Plain); }),
              QString("Socket Error # 11001\r\nHost not found."));
    EXPECT_FALSE(channel.isOpen());
}

TEST(Winsock, ExchangesBytesAndNoticesTheClose)
{
    ScriptedServer server({Script().respond("first\r\nrest").close()});
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.open(QStringLiteral("localhost"), server.port(), ChannelMode::Plain);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("first"));
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Connection Closed Gracefully."));
    EXPECT_FALSE(channel.isOpen());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().at(0).head, Request);
}

TEST(Winsock, AResetPeerIsReportedAsReset)
{
    ScriptedServer server({Script().readRequest().reset()});
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.open(QStringLiteral("127.0.0.1"), server.port(), ChannelMode::Plain);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Socket Error # 10054\r\nConnection reset by peer."));
}
