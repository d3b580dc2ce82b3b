#include "ErrorMessage.h"
#include "ScriptedServer.h"
#include "net/PlatformSocket.h"
#include "net/TlsChannel.h"

#include <gtest/gtest.h>

#include <QThread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

namespace {

using Script = ScriptedServer::Script;

const QByteArray Request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";

// Generous: only the time-out tests shorten it.
void openPlain(TlsChannel &channel, const ScriptedServer &server,
               const QString &host = QStringLiteral("127.0.0.1"))
{
    channel.setReadTimeout(10000);
    channel.open(host, server.port(), ChannelMode::Plain);
}

// Calls isOpen() until it reports the peer's close; each call itself never waits.
bool noticesCloseWithin10Seconds(TlsChannel &channel)
{
    for (int round = 0; round < 1000; ++round) {
        if (!channel.isOpen())
            return true;
        QThread::msleep(10);
    }
    return false;
}

struct Listener
{
    int fd = -1;
    quint16 port = 0;

    Listener(int family, int backlog)
    {
        fd = ::socket(family, SOCK_STREAM, 0);
        sockaddr_storage storage{};
        socklen_t length = 0;
        if (family == AF_INET) {
            auto *v4 = reinterpret_cast<sockaddr_in *>(&storage);
            v4->sin_family = AF_INET;
            v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            length = sizeof *v4;
        } else {
            auto *v6 = reinterpret_cast<sockaddr_in6 *>(&storage);
            v6->sin6_family = AF_INET6;
            v6->sin6_addr = in6addr_loopback;
            length = sizeof *v6;
        }
        auto *address = reinterpret_cast<sockaddr *>(&storage);
        if (fd < 0 || ::bind(fd, address, length) != 0) {
            close();
            return;
        }
        if (backlog >= 0 && ::listen(fd, backlog) != 0) {
            close();
            return;
        }
        ::getsockname(fd, address, &length);
        port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in *>(&storage)->sin_port
                                       : reinterpret_cast<sockaddr_in6 *>(&storage)->sin6_port);
    }
    ~Listener() { close(); }
    void close()
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

} // namespace

TEST(PlainChannel, WritesAndReadsLinesAndBytes)
{
    ScriptedServer server({Script().respond("first\r\nsecond\nthird\r\r\n\r\nrest-of-it").close()});
    TlsChannel channel;
    openPlain(channel, server);
    EXPECT_TRUE(channel.isOpen());
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("first"));
    EXPECT_EQ(channel.readLine(), QByteArray("second"));
    EXPECT_EQ(channel.readLine(), QByteArray("third\r")); // only one CR goes with the LF
    EXPECT_EQ(channel.readLine(), QByteArray(""));
    EXPECT_EQ(channel.readAtMost(4), QByteArray("rest"));
    // Fewer bytes than asked for, without an error, once the peer has closed.
    EXPECT_EQ(channel.readAtMost(100), QByteArray("-of-it"));
    EXPECT_EQ(channel.readAtMost(100), QByteArray());
    EXPECT_FALSE(channel.isOpen());
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_EQ(server.requests().at(0).bytes(), Request);
}

namespace {

// Far more than one receive chunk, and no two stretches alike.
QByteArray numberedBody()
{
    QByteArray body;
    for (int i = 0; body.size() < 300000; ++i)
        body += QByteArray::number(i) + ',';
    return body;
}

} // namespace

TEST(PlainChannel, LargeReadsArriveWhole)
{
    const QByteArray body = numberedBody();
    ScriptedServer server({Script().respond("head\r\n" + body).close()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("head"));
    EXPECT_EQ(channel.readAtMost(body.size() - 10), body.left(body.size() - 10));
    EXPECT_EQ(channel.readAtMost(1 << 30), body.right(10));
}

TEST(PlainChannel, ReadIntoFillsTheCallersMemoryFromBufferAndSocket)
{
    const QByteArray body = numberedBody();
    ScriptedServer server({Script().respond("head\r\n" + body).close()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("head")); // leaves part of the body buffered
    QByteArray target(body.size() + 100, '#');
    const qsizetype first = body.size() - 10;
    EXPECT_EQ(channel.readInto(target.data(), first), first);
    // Fewer once the peer has closed; nothing past what arrived is touched.
    EXPECT_EQ(channel.readInto(target.data() + first, 100), 10);
    EXPECT_EQ(target.left(body.size()), body);
    EXPECT_EQ(target.mid(body.size()), QByteArray(100, '#'));
    EXPECT_EQ(channel.readInto(target.data(), 100), 0);
}

TEST(PlainChannel, IsOpenNoticesThePeersCloseAndKeepsWhatArrived)
{
    ScriptedServer server({Script().send("hello").close()});
    TlsChannel channel;
    openPlain(channel, server);
    ASSERT_TRUE(noticesCloseWithin10Seconds(channel));
    EXPECT_EQ(channel.readAtMost(5), QByteArray("hello"));
    EXPECT_EQ(channel.readAtMost(5), QByteArray());
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Connection Closed Gracefully."));
}

TEST(PlainChannel, IsOpenStaysTrueWhileThePeerIsSilent)
{
    ScriptedServer server({Script().send("hi").silent()});
    TlsChannel channel;
    openPlain(channel, server);
    ASSERT_TRUE(channel.waitForInput(10000));
    EXPECT_TRUE(channel.isOpen());
    EXPECT_EQ(channel.readAtMost(2), QByteArray("hi"));
    EXPECT_FALSE(channel.waitForInput(50));
    EXPECT_TRUE(channel.isOpen());
    channel.close();
    EXPECT_FALSE(channel.isOpen());
}

TEST(PlainChannel, PeerClosingMidLineIsAGracefulClose)
{
    ScriptedServer server({Script().respond("no line end").close()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Connection Closed Gracefully."));
    EXPECT_FALSE(channel.isOpen());
}

TEST(PlainChannel, ResetWithNothingBufferedIsTheSocketError)
{
    ScriptedServer server({Script().readRequest().reset()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Socket Error # 10054\r\nConnection reset by peer."));
    EXPECT_FALSE(channel.isOpen());
}

TEST(PlainChannel, ResetAfterPartOfALineIsAGracefulClose)
{
    ScriptedServer server({Script().respond("partial").pause(300).reset()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }),
              QString("Connection Closed Gracefully."));
}

TEST(PlainChannel, LinesLongerThanTheLimitAreRefused)
{
    const QByteArray longest(16384, 'a');
    ScriptedServer server({Script().respond(longest + "\n" + longest + "b\nshort\n").silent()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), longest);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Max line length exceeded."));
}

TEST(PlainChannel, AnUnendedLineIsRefusedOnceItPassesTheLimit)
{
    ScriptedServer server({Script().respond(QByteArray(40000, 'x')).silent()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    // The peer stays silent afterwards: the refusal must not wait for more.
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Max line length exceeded."));
}

TEST(PlainChannel, ACallerMayAskForShorterLines)
{
    ScriptedServer server({Script().respond("0123456789\r\n0123456789A\r\n").silent()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(11), QByteArray("0123456789")); // CR counts before the LF
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(11); }), QString("Max line length exceeded."));
}

TEST(PlainChannel, ASilentPeerTimesTheReadOut)
{
    ScriptedServer server({Script().readRequest().silent()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.setReadTimeout(200);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Read timed out."));
    EXPECT_EQ(errorMessageOf([&] { channel.readAtMost(10); }), QString("Read timed out."));
    char target[10];
    EXPECT_EQ(errorMessageOf([&] { channel.readInto(target, 10); }), QString("Read timed out."));
}

TEST(PlainChannel, ConnectFailuresCarryTheirSocketErrors)
{
    Listener unused(AF_INET, -1); // bound, never listening: nothing accepts there
    ASSERT_GE(unused.fd, 0);
    TlsChannel channel;
    EXPECT_EQ(errorMessageOf([&] { channel.open("127.0.0.1", unused.port, ChannelMode::Plain); }),
              QString("Socket Error # 10061\r\nConnection refused."));
    EXPECT_FALSE(channel.isOpen());
    EXPECT_EQ(errorMessageOf([&] { channel.open("no-such-host.invalid", 80, ChannelMode::Plain); }),
              QString("Socket Error # 11001\r\nHost not found."));
    EXPECT_EQ(errorMessageOf([&] { channel.open("пример.invalid", 80, ChannelMode::Plain); }),
              QString("Socket Error # 11001\r\nHost not found."));
}

TEST(PlainChannel, NamesTheResolverRefusesAreNotFound)
{
    // Names the resolver itself refuses, without asking any name server: a label longer
    // than DNS allows, an empty label, a character no host name holds.
    TlsChannel channel;
    for (const QString &name : {QString(64, u'a') + ".test", QStringLiteral("a..test"),
                                QStringLiteral("bad_name!.test")}) {
        EXPECT_EQ(errorMessageOf([&] { channel.open(name, 80, ChannelMode::Plain); }),
                  QString("Socket Error # 11001\r\nHost not found."))
            << name.toStdString();
        EXPECT_FALSE(channel.isOpen());
    }
}

TEST(PlainChannel, ConnectGivesUpAfterItsTimeOut)
{
    // A listener whose accept queue is full drops further connection attempts unanswered.
    Listener full(AF_INET, 0);
    ASSERT_GE(full.fd, 0);
    std::vector<int> fillers;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(full.port);
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        ::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        fillers.push_back(fd);
    }
    TlsChannel channel;
    channel.setConnectTimeout(300);
    const QString message =
        errorMessageOf([&] { channel.open("127.0.0.1", full.port, ChannelMode::Plain); });
    for (int fd : fillers)
        ::close(fd);
    if (message == QString("(no error)"))
        GTEST_SKIP() << "this system accepted a connection past a full accept queue";
    EXPECT_EQ(message, QString("Socket Error # 10060\r\nConnection timed out."));
}

TEST(PlainChannel, ReachesNamesAndIpv6Literals)
{
    ScriptedServer server({Script().respond("by name\n").silent()});
    TlsChannel channel;
    openPlain(channel, server, QStringLiteral("localhost"));
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("by name"));

    Listener v6(AF_INET6, 4);
    if (v6.fd < 0)
        GTEST_SKIP() << "no IPv6 loopback here";
    channel.open("[::1]", v6.port, ChannelMode::Plain);
    EXPECT_TRUE(channel.isOpen());
    channel.open("::1", v6.port, ChannelMode::Plain);
    EXPECT_TRUE(channel.isOpen());
}

TEST(PlainChannel, ReopensAfterCloseAndRefusesWritesWhenClosed)
{
    ScriptedServer server({Script().respond("one\n").close(), Script().respond("two\n").close()});
    TlsChannel channel;
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("one"));
    channel.close();
    EXPECT_EQ(errorMessageOf([&] { channel.write(Request); }),
              QString("Socket Error # 10057\r\nSocket is not connected."));
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("two"));
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST(PlatformSocket, HostNamesForTheResolverAndForTls)
{
    EXPECT_EQ(PlatformSocket::asciiHost("example.com"), QByteArray("example.com"));
    EXPECT_EQ(PlatformSocket::asciiHost("пример.рф"), QByteArray("xn--e1afmkfd.xn--p1ai"));
    EXPECT_EQ(PlatformSocket::asciiHost("[::1]"), QByteArray("::1"));
    EXPECT_TRUE(PlatformSocket::isIpLiteral("127.0.0.1"));
    EXPECT_TRUE(PlatformSocket::isIpLiteral("[::1]"));
    EXPECT_TRUE(PlatformSocket::isIpLiteral("fe80::1"));
    EXPECT_FALSE(PlatformSocket::isIpLiteral("localhost"));
    EXPECT_FALSE(PlatformSocket::isIpLiteral("1.2.3.example"));
}

TEST(PlainChannel, TheRequestTimeOutStopsAPeerThatSendsAByteNowAndThen)
{
    Script drip = Script().readRequest();
    for (const char c : QByteArray("HTTP/1.1 200 OK\r\n"))
        drip.send(QByteArray(1, c)).pause(100);
    ScriptedServer server({drip.silent()});
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.setRequestTimeout(400);
    channel.startRequest();
    channel.open("127.0.0.1", server.port(), ChannelMode::Plain);
    channel.write(Request);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Read timed out."));
    EXPECT_EQ(errorMessageOf([&] { channel.readAtMost(100); }), QString("Read timed out."));
    // A new request has its own time: once the drip is over, the line is there.
    channel.setRequestTimeout(10000);
    channel.startRequest();
    EXPECT_TRUE(channel.readLine().endsWith("OK"));
}

TEST(PlainChannel, WaitHookRunsWhileThePeerIsSlowAndKeepsTheTimeOut)
{
    ScriptedServer server({Script().readRequest().pause(300).send("late\r\n").silent()});
    TlsChannel channel;
    int calls = 0;
    channel.setWaitHook([&calls] { ++calls; });
    openPlain(channel, server);
    channel.write(Request);
    EXPECT_EQ(channel.readLine(), QByteArray("late"));
    EXPECT_GE(calls, 1);

    // The hook cuts the wait in slices, not short: the time-out still ends a silent wait.
    const int before = calls;
    channel.setReadTimeout(200);
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Read timed out."));
    EXPECT_GT(calls, before);

    // Without a hook the waits are as before.
    channel.setWaitHook({});
    const int unhooked = calls;
    EXPECT_EQ(errorMessageOf([&] { channel.readLine(); }), QString("Read timed out."));
    EXPECT_EQ(calls, unhooked);
}
