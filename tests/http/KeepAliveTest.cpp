#include "InMemoryChannel.h"
#include "QtPrinting.h"
#include "http/HttpClient.h"

#include <gtest/gtest.h>

namespace {

QByteArray okWith(const QByteArray &headers, const QByteArray &body = "ok")
{
    return "HTTP/1.1 200 OK\r\n" + headers + "Content-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

// Opens, closes, and whether the connection was still open after the last request.
struct Outcome
{
    qsizetype opens;
    int closes;
};

} // namespace

TEST(KeepAliveTest, GetKeepsTheConnectionUnlessEitherHeaderSaysClose)
{
    struct Case
    {
        QByteArray headers;
        bool kept;
    };
    const Case cases[] = {{"", true},
                          {"Connection: keep-alive\r\n", true},
                          {"Connection:  Close \r\n", false},
                          {"Proxy-Connection: CLOSE\r\n", false},
                          {"Connection: upgrade\r\n", true}};
    for (const Case &c : cases) {
        InMemoryChannel channel;
        channel.addExchanges({okWith(c.headers), okWith("")}, InMemoryChannel::End::Silence);
        channel.addConnection(okWith(""));
        HttpClient client(channel);
        client.Get("http://gw.example/a");
        EXPECT_EQ(channel.closeCount(), c.kept ? 0 : 1) << c.headers.constData();
        client.Get("http://gw.example/b");
        EXPECT_EQ(channel.connectionCount(), c.kept ? 1 : 2) << c.headers.constData();
    }
}

TEST(KeepAliveTest, PostKeepsTheConnectionOnlyWhenTheAnswerAsksForIt)
{
    struct Case
    {
        QByteArray headers;
        bool kept;
    };
    const Case cases[] = {{"", false},
                          {"Connection: Keep-Alive\r\n", true},
                          {"Proxy-Connection: keep-alive\r\n", true},
                          {"Connection: close\r\n", false}};
    for (const Case &c : cases) {
        InMemoryChannel channel;
        channel.addExchanges({okWith(c.headers), okWith("")}, InMemoryChannel::End::Silence);
        channel.addConnection(okWith(""));
        HttpClient client(channel);
        client.Post("https://short.example/", {"url=a"});
        EXPECT_EQ(channel.closeCount(), c.kept ? 0 : 1) << c.headers.constData();
        // A GET to the same host, port and mode reuses a kept connection.
        client.Get("https://short.example/");
        EXPECT_EQ(channel.connectionCount(), c.kept ? 1 : 2) << c.headers.constData();
    }
}

TEST(KeepAliveTest, PostAlwaysStartsOnAFreshConnection)
{
    InMemoryChannel channel;
    channel.addExchanges({okWith("Connection: keep-alive\r\n"), okWith("")},
                         InMemoryChannel::End::Silence);
    channel.addConnection(okWith(""));
    HttpClient client(channel);
    client.Post("https://short.example/", {"url=a"});
    client.Post("https://short.example/", {"url=b"});
    EXPECT_EQ(channel.connectionCount(), 2);
    EXPECT_EQ(channel.closeCount(), 2);
}

TEST(KeepAliveTest, OtherHostPortOrModeNeverShareAConnection)
{
    InMemoryChannel channel;
    for (int i = 0; i < 4; ++i)
        channel.addExchanges({okWith(""), okWith("")}, InMemoryChannel::End::Silence);
    HttpClient client(channel);
    client.Get("http://gw.example/");
    client.Get("http://GW.example/other");
    EXPECT_EQ(channel.connectionCount(), 1);
    client.Get("http://gw.example:8080/");
    client.Get("https://gw.example:8080/");
    client.Get("http://other.example:8080/");
    EXPECT_EQ(channel.connectionCount(), 4);
    EXPECT_EQ(channel.closeCount(), 3);
}

TEST(KeepAliveTest, ConnectionThePeerClosedIsReplaced)
{
    InMemoryChannel channel(okWith(""));
    channel.addConnection(okWith(""));
    HttpClient client(channel);
    client.Get("http://gw.example/");
    client.Get("http://gw.example/");
    EXPECT_EQ(channel.connectionCount(), 2);
}

TEST(KeepAliveTest, StatusFailureKeepsTheConnectionAndBrokenAnswersCloseIt)
{
    InMemoryChannel channel;
    channel.addExchanges({"HTTP/1.1 404 Not Found\r\nContent-Length: 3\r\n\r\nno!", okWith(""),
                          "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n",
                          okWith("")},
                         InMemoryChannel::End::Silence);
    channel.addConnection(okWith("", "fresh"));
    HttpClient client(channel);
    EXPECT_THROW(client.Get("http://gw.example/"), HttpStatusError);
    EXPECT_EQ(client.Get("http://gw.example/"), "ok");
    EXPECT_THROW(client.Get("http://gw.example/"), LumettaError);
    EXPECT_EQ(channel.closeCount(), 1);
    EXPECT_EQ(client.Get("http://gw.example/"), "fresh");
    EXPECT_EQ(channel.connectionCount(), 2);
}

TEST(KeepAliveTest, TimedOutReadClosesTheConnection)
{
    InMemoryChannel channel("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nabc",
                            InMemoryChannel::End::Silence);
    channel.addConnection(okWith(""));
    HttpClient client(channel);
    try {
        client.Get("http://gw.example/");
        FAIL() << "a silent peer must time out";
    } catch (const LumettaError &error) {
        EXPECT_EQ(error.message(), "Read timed out.");
    }
    EXPECT_EQ(client.Get("http://gw.example/"), "ok");
    EXPECT_EQ(channel.connectionCount(), 2);
}

TEST(KeepAliveTest, RedirectBodyIsReadWhenThereAndOtherwiseTheConnectionIsDropped)
{
    // Body already there: read, and the connection serves the next answer.
    InMemoryChannel there;
    there.addExchanges({"HTTP/1.1 301 Moved\r\nContent-Length: 4\r\n\r\nbody", okWith("")},
                       InMemoryChannel::End::Silence);
    HttpClient first(there);
    EXPECT_THROW(first.Get("http://gw.example/"), HttpStatusError);
    EXPECT_EQ(first.Get("http://gw.example/"), "ok");
    EXPECT_EQ(there.connectionCount(), 1);

    // Body announced but not there in time: left unread, so the connection cannot be reused.
    InMemoryChannel late;
    late.setOneByteReads(true);
    late.addConnection("HTTP/1.1 302 Found\r\nContent-Length: 4\r\n\r\nbody",
                       InMemoryChannel::End::Silence);
    late.addConnection(okWith(""));
    HttpClient second(late);
    try {
        second.Get("http://gw.example/");
        FAIL() << "a redirect must fail";
    } catch (const HttpStatusError &error) {
        EXPECT_EQ(error.body(), "");
        EXPECT_EQ(error.message(), "HTTP/1.1 302 Found");
    }
    EXPECT_EQ(late.unreadBytes(), 4);
    EXPECT_EQ(second.Get("http://gw.example/"), "ok");
    EXPECT_EQ(late.connectionCount(), 2);

    // No body at all: nothing is lost by keeping the connection.
    InMemoryChannel empty;
    empty.setOneByteReads(true);
    empty.addConnection("HTTP/1.1 303 See Other\r\nContent-Length: 0\r\n\r\n" + okWith(""),
                        InMemoryChannel::End::Silence);
    HttpClient third(empty);
    EXPECT_THROW(third.Get("http://gw.example/"), HttpStatusError);
    EXPECT_EQ(third.Get("http://gw.example/"), "ok");
    EXPECT_EQ(empty.connectionCount(), 1);

    // A chunked body is on its way whatever Content-Length says.
    InMemoryChannel chunked;
    chunked.setOneByteReads(true);
    chunked.addConnection("HTTP/1.1 307 Temporary\r\nContent-Length: 0\r\n"
                          "Transfer-Encoding: chunked\r\n\r\n1\r\nx\r\n0\r\n\r\n",
                          InMemoryChannel::End::Silence);
    chunked.addConnection(okWith(""));
    HttpClient fourth(chunked);
    EXPECT_THROW(fourth.Get("http://gw.example/"), HttpStatusError);
    EXPECT_EQ(fourth.Get("http://gw.example/"), "ok");
    EXPECT_EQ(chunked.connectionCount(), 2);
}

TEST(KeepAliveTest, WriteFailureReachesTheCallerAndTheClientStaysUsable)
{
    InMemoryChannel channel(okWith(""));
    channel.failWrites("Socket Error # 10054\r\nConnection reset by peer.");
    HttpClient client(channel);
    try {
        client.Get("http://gw.example/");
        FAIL() << "the write failure must reach the caller";
    } catch (const LumettaError &error) {
        EXPECT_EQ(error.message(), "Socket Error # 10054\r\nConnection reset by peer.");
    }
    channel.failWrites({});
    channel.addConnection(okWith("", "again"));
    EXPECT_EQ(client.Get("http://gw.example/"), "again");
}

TEST(KeepAliveTest, AnInterimAnswerThatEndsARequestDropsTheConnection)
{
    for (const QByteArray &interim :
         {QByteArray("HTTP/1.1 103 Early Hints\r\nLink: </s.css>\r\n\r\n"),
          QByteArray("HTTP/1.1 101 Switching Protocols\r\n\r\n")}) {
        // The final answer is still on its way when the request has failed.
        InMemoryChannel channel;
        channel.setOneByteReads(true);
        channel.addConnection(interim + okWith("", "for the old request"),
                              InMemoryChannel::End::Silence);
        channel.addConnection(okWith("", "fresh"));
        HttpClient client(channel);
        try {
            client.Get("http://gw.example/old");
            FAIL() << "an interim answer must fail the request";
        } catch (const HttpStatusError &error) {
            EXPECT_EQ(error.message().toLatin1(), interim.left(interim.indexOf('\r')));
        }
        EXPECT_EQ(client.Get("http://gw.example/new"), "fresh");
        EXPECT_EQ(channel.connectionCount(), 2);
    }
}

TEST(KeepAliveTest, BytesWaitingBeforeTheRequestIsWrittenMeanANewConnection)
{
    InMemoryChannel channel;
    channel.addConnection(okWith("", "asked") + okWith("", "unasked"),
                          InMemoryChannel::End::Silence);
    channel.addConnection(okWith("", "fresh"));
    HttpClient client(channel);
    EXPECT_EQ(client.Get("http://gw.example/"), "asked");
    EXPECT_EQ(client.Get("http://gw.example/"), "fresh");
    EXPECT_EQ(channel.connectionCount(), 2);
    // Every request starts the channel's overall limit anew.
    EXPECT_EQ(channel.requestsStarted(), 2);
}

TEST(KeepAliveTest, PostKeepAliveIsHttp11AndSharesOneConnectionUntilTheAnswerSaysClose)
{
    struct Case
    {
        QByteArray headers;
        bool kept;
    };
    const Case cases[] = {{"", true},
                          {"Connection: keep-alive\r\n", true},
                          {"Connection: close\r\n", false},
                          {"Proxy-Connection: Close\r\n", false}};
    for (const Case &c : cases) {
        InMemoryChannel channel;
        // A GET leaves the connection the first form goes over.
        channel.addExchanges({okWith(""), okWith(c.headers, "one"), okWith("", "two")},
                             InMemoryChannel::End::Silence);
        channel.addConnection(okWith("", "two"));
        HttpClient client(channel);
        client.Get("https://short.example/");
        EXPECT_EQ(client.PostKeepAlive("https://short.example/--", {"url=a b"}), "one");
        EXPECT_EQ(channel.closeCount(), c.kept ? 0 : 1) << c.headers.constData();
        EXPECT_EQ(client.PostKeepAlive("https://short.example/--", {"url=c"}), "two");
        EXPECT_EQ(channel.connectionCount(), c.kept ? 1 : 2) << c.headers.constData();
        const QByteArray first = channel.written(0);
        const QByteArray firstPost = first.mid(first.indexOf("POST "));
        EXPECT_TRUE(firstPost.startsWith("POST /-- HTTP/1.1\r\n")) << firstPost.constData();
        EXPECT_TRUE(firstPost.contains("Content-Type: application/x-www-form-urlencoded\r\n"));
        EXPECT_TRUE(firstPost.contains("Content-Length: 7\r\n"));
        const QByteArray second = channel.written(c.kept ? 0 : 1);
        EXPECT_TRUE(second.endsWith("\r\n\r\nurl=c")) << second.constData();
        EXPECT_EQ(second.count("POST /-- HTTP/1.1\r\n"), c.kept ? 2 : 1);
    }
}

TEST(KeepAliveTest, PlainPostAfterKeptPostsIsStillHttp10OnAFreshConnection)
{
    InMemoryChannel channel;
    channel.addExchanges({okWith(""), okWith("")}, InMemoryChannel::End::Silence);
    channel.addConnection(okWith(""));
    HttpClient client(channel);
    client.PostKeepAlive("https://short.example/--", {"url=a"});
    client.Post("https://short.example/--", {"url=b"});
    EXPECT_EQ(channel.connectionCount(), 2);
    EXPECT_TRUE(channel.written(1).startsWith("POST /-- HTTP/1.0\r\n"));
}
