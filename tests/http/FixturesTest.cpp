#include "InMemoryChannel.h"
#include "ScriptedServer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int connectTo(quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    return fd;
}

QByteArray readToEnd(int fd)
{
    QByteArray all;
    char buffer[4096];
    ssize_t n;
    while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0)
        all.append(buffer, n);
    return all;
}

} // namespace

TEST(ScriptedServerTest, RecordsRequestsWithBodiesAndPlaysScriptsPerConnection)
{
    ScriptedServer server({ScriptedServer::Script().respond("first").close(),
                           ScriptedServer::Script().respond("second").close()});
    const QByteArray post = "POST /x HTTP/1.0\r\ncontent-length: 3\r\n\r\nabc";
    for (const char *expected : {"first", "second", "second"}) {
        const int fd = connectTo(server.port());
        ASSERT_EQ(::send(fd, post.constData(), post.size(), 0), post.size());
        EXPECT_EQ(readToEnd(fd), QByteArray(expected));
        ::close(fd);
    }
    const QList<ScriptedServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 3);
    EXPECT_EQ(requests.at(0).head, "POST /x HTTP/1.0\r\ncontent-length: 3\r\n\r\n");
    EXPECT_EQ(requests.at(0).body, "abc");
    EXPECT_EQ(requests.at(2).connection, 2);
    EXPECT_EQ(server.connectionCount(), 3);
}

TEST(InMemoryChannelTest, ServesLinesAndBytesAndReportsThePeerClose)
{
    InMemoryChannel channel;
    channel.addConnection("line one\r\nline two\nrest");
    channel.open("h", 80, ChannelMode::Plain);
    channel.write("req");
    EXPECT_EQ(channel.readLine(), "line one");
    EXPECT_EQ(channel.readLine(), "line two");
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(channel.readAtMost(100), "rest");
    EXPECT_FALSE(channel.isOpen());
    EXPECT_THROW(channel.readLine(), LumettaError);
    EXPECT_EQ(channel.written(0), "req");
}

TEST(InMemoryChannelTest, OneByteModeHidesUnreadBytesAndSilenceTimesOut)
{
    InMemoryChannel channel;
    channel.setOneByteReads(true);
    channel.addConnection("ab\n", InMemoryChannel::End::Silence);
    channel.open("h", 80, ChannelMode::Plain);
    EXPECT_FALSE(channel.waitForInput(0));
    EXPECT_EQ(channel.readLine(), "ab");
    EXPECT_TRUE(channel.isOpen());
    try {
        channel.readAtMost(1);
        FAIL() << "a silent peer must time out";
    } catch (const LumettaError &error) {
        EXPECT_EQ(error.message(), "Read timed out.");
    }
}
