#include "QtPrinting.h"
#include "ScriptedServer.h"
#include "TemporaryDataDirectory.h"
#include "TlsTestServer.h"
#include "http/HttpClient.h"
#include "net/TlsChannel.h"

#include <gtest/gtest.h>

namespace {

using Script = ScriptedServer::Script;

const QByteArray Ok = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok";

QString urlOf(const ScriptedServer &server, const QString &path = QStringLiteral("/"))
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server.port()).arg(path);
}

// The client's failure message for one GET, or "no failure".
QString failureOf(HttpClient &client, const QString &url)
{
    try {
        client.Get(url);
    } catch (const LumettaError &error) {
        return error.message();
    }
    return QStringLiteral("no failure");
}

class LoopbackTest : public ::testing::Test
{
protected:
    LoopbackTest() { channel.setReadTimeout(10000); }

    TlsChannel channel;
    HttpClient client{channel};
};

} // namespace

TEST_F(LoopbackTest, KeepAliveGetsShareOneConnectionAndSendExactBytes)
{
    ScriptedServer server({Script().respond(Ok).respond("HTTP/1.1 200 OK\r\n"
                                                        "Transfer-Encoding: chunked\r\n\r\n"
                                                        "3\r\nabc\r\n0\r\n\r\n")});
    EXPECT_EQ(client.Get(urlOf(server, "/first?a=1")), "ok");
    EXPECT_EQ(client.Get(urlOf(server, "/second")), "abc");
    EXPECT_EQ(server.connectionCount(), 1);
    const QList<ScriptedServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2);
    EXPECT_EQ(requests.at(1).connection, 0);
    EXPECT_EQ(requests.at(0).bytes(),
              QStringLiteral("GET /first?a=1 HTTP/1.1\r\nHost: 127.0.0.1:%1\r\n"
                             "Accept: text/html,application/xhtml+xml,application/xml;q=0.9,*/*;"
                             "q=0.8\r\nAccept-Encoding: identity\r\n"
                             "User-Agent: Mozilla/3.0 (compatible; Lumetta)\r\n\r\n")
                  .arg(server.port())
                  .toLatin1());
}

TEST_F(LoopbackTest, BodyWithoutLengthIsReadUntilCloseAndTheConnectionIsReplaced)
{
    ScriptedServer server({Script()
                               .readRequest()
                               .send("HTTP/1.1 200 OK\r\n\r\npart one, ")
                               .pause(50)
                               .send("part two")
                               .close(),
                           Script().respond(Ok)});
    EXPECT_EQ(client.Get(urlOf(server)), "part one, part two");
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(LoopbackTest, PostSendsItsFormOnAConnectionOfItsOwn)
{
    ScriptedServer server({Script().respond(Ok)});
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    EXPECT_EQ(client.Post(urlOf(server, "/--"), {"url=http://a.b/c?d=1"}), "ok");
    EXPECT_EQ(server.connectionCount(), 2);
    const ScriptedServer::Request post = server.requests().at(1);
    EXPECT_EQ(post.connection, 1);
    EXPECT_TRUE(
        post.head.startsWith("POST /-- HTTP/1.0\r\nContent-Type: "
                             "application/x-www-form-urlencoded\r\nContent-Length: 32\r\n"));
    EXPECT_EQ(post.body, "url=http%3A%2F%2Fa.b%2Fc%3Fd%3D1");
}

TEST_F(LoopbackTest, HundredThenOkAndRedirectBodyThatArrivesLate)
{
    ScriptedServer server(
        {Script()
             .readRequest()
             .send("HTTP/1.1 100 Continue\r\n\r\n")
             .pause(50)
             .send(Ok)
             .readRequest()
             .send(
                 "HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: 5\r\n\r\n")
             .pause(200)
             .send("moved")
             .respond(Ok)});
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    try {
        client.Get(urlOf(server));
        FAIL() << "a redirect must fail";
    } catch (const HttpStatusError &error) {
        EXPECT_EQ(error.message(), "HTTP/1.1 302 Found");
        EXPECT_EQ(error.body(), "moved");
    }
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    EXPECT_EQ(server.connectionCount(), 1);
}

TEST_F(LoopbackTest, ChannelFailuresReachTheCallerWithTheirMessages)
{
    ScriptedServer closing({Script().readRequest().close()});
    EXPECT_EQ(failureOf(client, urlOf(closing)), "Connection Closed Gracefully.");
    ScriptedServer resetting({Script().readRequest().reset()});
    EXPECT_EQ(failureOf(client, urlOf(resetting)),
              "Socket Error # 10054\r\nConnection reset by peer.");
    ScriptedServer midChunk(
        {Script()
             .readRequest()
             .send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\nabc")
             .close()});
    EXPECT_EQ(failureOf(client, urlOf(midChunk)), "Connection Closed Gracefully.");

    ScriptedServer longLine(
        {Script().readRequest().send("HTTP/1.1 200 OK\r\nX-Long: " + QByteArray(20000, 'a'))});
    EXPECT_EQ(failureOf(client, urlOf(longLine)), "Max line length exceeded.");
    EXPECT_EQ(failureOf(client, QStringLiteral("gopher://127.0.0.1/")), "Unknown Protocol");

    quint16 freePort = 0;
    {
        ScriptedServer gone({Script()});
        freePort = gone.port();
    }
    EXPECT_EQ(failureOf(client, QStringLiteral("http://127.0.0.1:%1/").arg(freePort)),
              "Socket Error # 10061\r\nConnection refused.");
}

TEST_F(LoopbackTest, SilentServerTimesOutAndTheNextRequestStartsAfresh)
{
    channel.setReadTimeout(300);
    ScriptedServer server({Script().readRequest().silent(), Script().respond(Ok)});
    EXPECT_EQ(failureOf(client, urlOf(server)), "Read timed out.");
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(LoopbackTest, LargeChunkedBodyArrivesWhole)
{
    QByteArray expected;
    QByteArray answer = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 64; ++i) {
        const QByteArray chunk(40000 + i, char('a' + i % 26));
        expected += chunk;
        answer += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
    }
    ScriptedServer server({Script().respond(answer + "0\r\n\r\n")});
    EXPECT_EQ(client.Get(urlOf(server)).toLatin1(), expected);
}

TEST(HttpsTest, PostOverTlsReachesTheServerAndReadsItsAnswer)
{
    TemporaryDataDirectory directory;
    TlsTestServer server({.answer = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"
                                    "Content-Length: 20\r\n\r\nhttps://ya.cc/abcdef",
                          .closeAfterAnswer = true});
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.setExtraCaFile(TestCertificates::writeAuthorityFile(directory.path()));
    HttpClient client(channel);
    const QString url = QStringLiteral("https://localhost:%1/--").arg(server.port());
    EXPECT_EQ(client.Post(url, {"url=http://x.example/?a=1&b=2"}), "https://ya.cc/abcdef");
    ASSERT_EQ(server.requests().size(), 1);
    const QByteArray request = server.requests().at(0);
    EXPECT_TRUE(request.startsWith("POST /-- HTTP/1.0\r\n")) << request.constData();
    EXPECT_TRUE(request.contains(
        QStringLiteral("\r\nHost: localhost:%1\r\n").arg(server.port()).toLatin1()));
    EXPECT_TRUE(request.endsWith("\r\n\r\nurl=http%3A%2F%2Fx.example%2F%3Fa%3D1%26b%3D2"));
}

TEST_F(LoopbackTest, TheGetAfterAnInterimAnswerGoesOutOnANewConnection)
{
    for (const QByteArray &interim : {QByteArray("HTTP/1.1 103 Early Hints\r\n\r\n"),
                                      QByteArray("HTTP/1.1 101 Switching Protocols\r\n\r\n")}) {
        ScriptedServer server({Script().readRequest().send(interim).pause(100).send(
                                   "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nold"),
                               Script().respond(Ok)});
        EXPECT_EQ(failureOf(client, urlOf(server, "/old")).toLatin1(),
                  interim.left(interim.indexOf('\r')));
        EXPECT_EQ(client.Get(urlOf(server, "/new")), "ok");
        EXPECT_EQ(server.connectionCount(), 2);
        ASSERT_EQ(server.requests().size(), 2);
        EXPECT_EQ(server.requests().at(1).connection, 1);
    }
}

TEST_F(LoopbackTest, AnAnswerNobodyAskedForIsNotTakenForTheNextOne)
{
    const QByteArray unasked = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nstale";
    ScriptedServer server({Script().respond(Ok).pause(50).send(unasked).silent(),
                           Script().respond("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfresh")});
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    ASSERT_TRUE(channel.waitForInput(10000)); // the unasked answer has arrived
    EXPECT_EQ(client.Get(urlOf(server)), "fresh");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST_F(LoopbackTest, ABodyOrHeaderBlockCutOffByTheCloseFails)
{
    ScriptedServer shortBody(
        {Script()
             .respond("HTTP/1.1 200 OK\r\nContent-Length: 24\r\n\r\nhttps://ya.cc/abc")
             .close()});
    EXPECT_EQ(failureOf(client, urlOf(shortBody)), "Connection Closed Gracefully.");
    ScriptedServer shortHead({Script().respond("HTTP/1.1 200 OK\r\nContent-Len").close()});
    EXPECT_EQ(failureOf(client, urlOf(shortHead)), "Connection Closed Gracefully.");
    ScriptedServer untilClose(
        {Script().respond("HTTP/1.1 200 OK\r\n\r\nhttps://ya.cc/abc").close()});
    EXPECT_EQ(client.Get(urlOf(untilClose)), "https://ya.cc/abc");
}

TEST(HttpsTest, ABodyCutOffWithoutCloseNotifyFailsAndOneFramedByTheCloseStands)
{
    TemporaryDataDirectory directory;
    const QString authority = TestCertificates::writeAuthorityFile(directory.path());
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.setExtraCaFile(authority);
    HttpClient client(channel);
    struct Case
    {
        QByteArray answer;
        QString outcome;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\nContent-Length: 24\r\n\r\nhttps://ya.cc/abc",
         "!Connection Closed Gracefully."},
        {"HTTP/1.1 200 OK\r\nContent-Type: text/pla", "!Connection Closed Gracefully."},
        {"HTTP/1.1 200 OK\r\n\r\nhttps://ya.cc/abc", "https://ya.cc/abc"}};
    for (const Case &c : cases) {
        TlsTestServer server({.answer = c.answer, .dropAfterAnswer = true});
        QString outcome;
        try {
            outcome = client.Post(QStringLiteral("https://localhost:%1/--").arg(server.port()),
                                  {"url=x"});
        } catch (const LumettaError &error) {
            outcome = u'!' + error.message();
        }
        EXPECT_EQ(outcome, c.outcome) << c.answer.constData();
    }
}

TEST_F(LoopbackTest, ARequestEndsWhenItsOverallTimeIsUpThoughBytesKeepComing)
{
    Script slowHead = Script().readRequest().send("HTTP/1.1 200 OK\r\n");
    for (int i = 0; i < 12; ++i)
        slowHead.pause(150).send("X-Slow: " + QByteArray::number(i) + "\r\n");
    ScriptedServer server(
        {slowHead.send("Content-Length: 2\r\n\r\nok").close(), Script().respond(Ok)});
    channel.setRequestTimeout(500);
    EXPECT_EQ(failureOf(client, urlOf(server)), "Read timed out.");
    // The next request starts its own time on a new connection.
    EXPECT_EQ(client.Get(urlOf(server)), "ok");
    EXPECT_EQ(server.connectionCount(), 2);
}

TEST(HttpsTest, AHandshakeThatOutlastsTheRequestTimeReadsAsATimeOut)
{
    TlsTestServer::Options silent;
    silent.behaviour = TlsTestServer::Behaviour::SilentAfterAccept;
    TlsTestServer server(silent);
    TlsChannel channel;
    channel.setReadTimeout(10000);
    channel.setRequestTimeout(300);
    HttpClient client(channel);
    try {
        client.Post(QStringLiteral("https://localhost:%1/--").arg(server.port()), {"url=x"});
        FAIL() << "a silent server must time the request out";
    } catch (const LumettaError &error) {
        EXPECT_EQ(error.message(), "Read timed out.");
    }
}
