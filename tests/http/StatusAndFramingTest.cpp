#include "InMemoryChannel.h"
#include "QtPrinting.h"
#include "http/HttpClient.h"

#include <gtest/gtest.h>

namespace {

const QString Url = QStringLiteral("http://gw.example/x");

// Runs one GET over an answer; the text, or the failure's message prefixed with "!".
QString getOver(const QByteArray &answer, bool oneByte = false)
{
    InMemoryChannel channel;
    channel.setOneByteReads(oneByte);
    channel.addConnection(answer);
    HttpClient client(channel);
    try {
        return client.Get(Url);
    } catch (const LumettaError &error) {
        return u'!' + error.message();
    }
}

struct StatusFailure
{
    int code;
    QString message;
    QString body;
    QString location;
};

StatusFailure statusFailureOf(const QByteArray &answer)
{
    InMemoryChannel channel(answer);
    HttpClient client(channel);
    try {
        client.Get(Url);
    } catch (const HttpStatusError &error) {
        return {error.code(), error.message(), error.body(), error.location()};
    }
    ADD_FAILURE() << "no HttpStatusError for " << answer.constData();
    return {};
}

} // namespace

TEST(FramingTest, ContentLengthChunkedAndUntilCloseGiveTheSameBody)
{
    for (const bool oneByte : {false, true}) {
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA", oneByte),
                  "hello");
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                          "2;ext=1\r\nhe\r\n3\r\nllo\r\n0\r\n\r\n",
                          oneByte),
                  "hello");
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\n\r\nhello", oneByte), "hello");
        EXPECT_EQ(getOver("HTTP/1.0 200 OK\nContent-Type: text/plain\n\nhello", oneByte), "hello");
    }
}

TEST(FramingTest, ChunkedWinsOverContentLengthAndTrailersAreRead)
{
    InMemoryChannel channel;
    channel.addExchanges({"HTTP/1.1 200 OK\r\nContent-Length: 999\r\n"
                          "Transfer-Encoding: Chunked\r\n\r\n"
                          "A\r\n0123456789\r\n0\r\nX-Trailer: t\r\n\r\n",
                          "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnext"});
    HttpClient client(channel);
    EXPECT_EQ(client.Get(Url), "0123456789");
    // The trailer was consumed: the next answer on the same connection starts cleanly.
    EXPECT_EQ(client.Get(Url), "next");
    EXPECT_EQ(channel.connectionCount(), 1);
}

TEST(FramingTest, EarlyCloseFailsEveryBodyButOneFramedByTheClose)
{
    for (const bool oneByte : {false, true}) {
        EXPECT_EQ(
            getOver("HTTP/1.1 200 OK\r\nContent-Length: 24\r\n\r\nhttps://ya.cc/abc", oneByte),
            "!Connection Closed Gracefully.");
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: 24\r\n\r\n", oneByte),
                  "!Connection Closed Gracefully.");
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\n\r\nhttps://ya.cc/abc", oneByte),
                  "https://ya.cc/abc");
    }
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab"),
              "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nabcde\r\n"),
              "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver("HTTP/1.1 200 O"), "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver(""), "!Connection Closed Gracefully.");
    // A header block cut off by the close, even between two lines, fails too.
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Len"), "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n"),
              "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\n"), "!Connection Closed Gracefully.");
    EXPECT_EQ(getOver("HTTP/1.1 500 Oops\r\nContent-Length: 3\r\n"),
              "!Connection Closed Gracefully.");
    // A chunked body that is complete stands even when its trailer is cut off.
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n2\r\nok\r\n0\r\nX-T"),
              "ok");
    // So does a multipart body without its closing boundary.
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=zz\r\n\r\n"
                      "--zz\r\n\r\npart\r\n"),
              "!Connection Closed Gracefully.");
}

TEST(FramingTest, HundredAnswersAreSkippedAndNoContentIsEmpty)
{
    EXPECT_EQ(getOver("HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\n"
                      "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"),
              "ok");
    InMemoryChannel channel;
    channel.addExchanges(
        {"HTTP/1.1 204 No Content\r\n\r\n", "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\n2"});
    HttpClient client(channel);
    EXPECT_EQ(client.Get(Url), "");
    EXPECT_EQ(client.Get(Url), "2");
}

TEST(FramingTest, MultipartIsReadUpToItsClosingBoundary)
{
    InMemoryChannel channel;
    channel.addExchanges(
        {"HTTP/1.1 200 OK\r\nContent-Type: multipart/mixed; boundary=\"zz\"\r\n\r\n"
         "--zz\r\nContent-Type: text/plain\r\n\r\npart\r\n--zz--\r\n",
         "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nnext"});
    HttpClient client(channel);
    EXPECT_EQ(client.Get(Url), "--zz\r\nContent-Type: text/plain\r\n\r\npart\r\n--zz--\r\n");
    EXPECT_EQ(client.Get(Url), "next");
}

TEST(FramingTest, LinesPastTheLimitFail)
{
    const QByteArray longLine(16385, 'a');
    EXPECT_EQ(getOver("HTTP/1.1 200 " + longLine + "\r\n\r\n"), "!Max line length exceeded.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nX: " + longLine + "\r\n\r\n"),
              "!Max line length exceeded.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n1" + longLine),
              "!Max line length exceeded.");
}

TEST(StatusTest, FailuresCarryTheStatusLineCodeAndDecodedBody)
{
    const StatusFailure notFound =
        statusFailureOf("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain; charset=utf-8\r\n"
                        "Content-Length: 6\r\n\r\nn\xC3\xA9"
                        "ant");
    EXPECT_EQ(notFound.code, 404);
    EXPECT_EQ(notFound.message, "HTTP/1.1 404 Not Found");
    EXPECT_EQ(notFound.body, QString::fromUtf8("néant"));
    EXPECT_EQ(notFound.location, "");
    const StatusFailure serverError =
        statusFailureOf("HTTP/1.1 500 Internal Server Error\r\n\r\noops");
    EXPECT_EQ(serverError.message, "HTTP/1.1 500 Internal Server Error");
    EXPECT_EQ(serverError.body, "oops");
    EXPECT_EQ(statusFailureOf("HTTP/1.1 401 Unauthorized\r\nContent-Length: 0\r\n\r\n").code, 401);
    EXPECT_EQ(statusFailureOf("HTTP/1.1 407 Proxy\r\nContent-Length: 0\r\n\r\n").code, 407);
    EXPECT_EQ(statusFailureOf("HTTP/1.1 304 Not Modified\r\n\r\n").body, "");
    // Whatever the status, the Location header is handed on as received.
    EXPECT_EQ(statusFailureOf("HTTP/1.1 308 Permanent\r\nContent-Length: 0\r\n\r\n").location, "");
    EXPECT_EQ(statusFailureOf("HTTP/1.1 503 Busy\r\nlocation:  /elsewhere?a=1 \r\n"
                              "Content-Length: 0\r\n\r\n")
                  .location,
              "/elsewhere?a=1");
    EXPECT_EQ(statusFailureOf("HTTP/1.1 101 Switching\r\n\r\nunread").body, "");
    // Bytes from 0x80 up in the status line arrive as U+FFFD.
    EXPECT_EQ(statusFailureOf("HTTP/1.1 500 Bad \xFF\r\n\r\n").message,
              QString::fromUtf8("HTTP/1.1 500 Bad \xEF\xBF\xBD"));
}

TEST(StatusTest, RedirectIsAFailureAndIsNotFollowed)
{
    InMemoryChannel channel;
    channel.addConnection("HTTP/1.1 302 Found\r\nLocation: http://other.example/\r\n"
                          "Content-Length: 5\r\n\r\nmoved");
    HttpClient client(channel);
    try {
        client.Get(Url);
        FAIL() << "a redirect must fail";
    } catch (const HttpStatusError &error) {
        EXPECT_EQ(error.message(), "HTTP/1.1 302 Found");
        EXPECT_EQ(error.code(), 302);
        EXPECT_EQ(error.body(), "moved");
        EXPECT_EQ(error.location(), "http://other.example/");
    }
    EXPECT_EQ(channel.connectionCount(), 1);
    EXPECT_EQ(channel.openings().at(0).host, "gw.example");
}

TEST(StatusTest, LocationBytesOutsidePrintableAsciiArePercentEncoded)
{
    struct Case
    {
        QByteArray header;
        QString location;
    };
    const Case cases[] = {
        {"Location: /\xD1\x82\xD0\xBE\xD0\xB2\xD0\xB0\xD1\x80?q=\xD1\x91",
         "/%D1%82%D0%BE%D0%B2%D0%B0%D1%80?q=%D1%91"},
        {"location:\t https://\xD1\x80\xD1\x84.example/a b#\xC3\xA9 \t",
         "https://%D1%80%D1%84.example/a b#%C3%A9"},
        // Not UTF-8, a control byte, DEL: byte by byte, like the rest.
        {"Location: /\xE9t\xE9/\x01x\x7F", "/%E9t%E9/%01x%7F"},
        // Escapes already there and every other printable character stay as they came.
        {"Location: /a%20b/%zz?x=[1]&y=\"{}\"|^`", "/a%20b/%zz?x=[1]&y=\"{}\"|^`"},
        {"Location: /first\r\n \xC3\xA9nd", "/first %C3%A9nd"},
    };
    for (const Case &c : cases) {
        const StatusFailure failure =
            statusFailureOf("HTTP/1.1 302 Found\r\n" + c.header + "\r\nContent-Length: 0\r\n\r\n");
        EXPECT_EQ(failure.location, c.location) << c.header.constData();
    }
}

TEST(StatusTest, RedirectWithoutBodyIsNotWaitedFor)
{
    InMemoryChannel channel;
    channel.addExchanges({"HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 0\r\n\r\n",
                          "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"});
    HttpClient client(channel);
    EXPECT_THROW(client.Get(Url), HttpStatusError);
    // No body is due, so there is nothing to wait for, and the connection serves the next GET.
    EXPECT_EQ(channel.waitCount(), 0);
    EXPECT_EQ(client.Get(Url), "ok");
    EXPECT_EQ(channel.connectionCount(), 1);
}

TEST(StatusTest, StatusCodesThatAreNoNumberAreMinusOneAndFail)
{
    const QByteArray hundredDigits(100, '9');
    struct Case
    {
        QByteArray statusLine;
        int code;
    };
    const Case cases[] = {{"HTTP/1.1 abc Weird", -1},
                          {"HTTP/1.1 -200 Negative", -1},
                          {"HTTP/1.1 +200 Signed", -1},
                          {"HTTP/1.1 " + hundredDigits + " Long", -1},
                          {"HTTP/1.1", -1},
                          {"", -1},
                          {"HTTP/1.1 20 Short", 20},
                          {"HTTP/1.1 2000 Long", 2000},
                          {"HTTP/1.1  601.5 Odd", 601}};
    for (const Case &c : cases) {
        const StatusFailure failure = statusFailureOf(c.statusLine + "\r\n\r\nbody");
        EXPECT_EQ(failure.code, c.code) << c.statusLine.constData();
        EXPECT_EQ(failure.message, QString::fromLatin1(c.statusLine));
        EXPECT_EQ(failure.body, "body") << c.statusLine.constData();
    }
    EXPECT_EQ(getOver("HTTP/1.1  200.0 OK\r\n\r\nfine"), "fine");
}

TEST(HostileAnswerTest, ContentLengthThatCannotBeTrustedIsRefused)
{
    for (const QByteArray value :
         {"abc", "-1", "1e3", "99999999999999999999999", "", "5 5", "0x10"}) {
        EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: " + value + "\r\n\r\nhello"),
                  "!Invalid Content-Length.")
            << value.constData();
    }
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 5\r\n\r\nhello"),
              "!Invalid Content-Length.");
    // The same value repeated is one length.
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: 3\r\ncontent-length: 3, 3\r\n\r\nhello"),
              "hel");
    // Under chunked framing the length is not even looked at.
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: -7\r\nTransfer-Encoding: chunked\r\n\r\n"
                      "1\r\nx\r\n0\r\n\r\n"),
              "x");
}

TEST(HostileAnswerTest, BadOrHugeChunkSizesFailWithoutReadingOn)
{
    const QByteArray head = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    EXPECT_EQ(getOver(head + "zz\r\nabc"), "!Invalid chunk size.");
    EXPECT_EQ(getOver(head + "\r\nabc"), "!Invalid chunk size.");
    EXPECT_EQ(getOver(head + "-1\r\nabc"), "!Invalid chunk size.");
    EXPECT_EQ(getOver(head + "FFFFFFFFFFFFFFFFFFFFFFFFFFFFFFFF\r\nabc"), "!Response too large.");
    EXPECT_EQ(getOver(head + "2000001\r\nabc"), "!Response too large.");
    EXPECT_EQ(getOver(head + "2000000\r\nabc"), "!Connection Closed Gracefully.");
}

TEST(HostileAnswerTest, NulBytesInHeadersAreHarmless)
{
    static const char answer[] = "HTTP/1.1 200 OK\r\nX-N\0l: a\0b\r\nSet-Cookie: a=\0\r\n"
                                 "Content-Length: 2\r\n\r\nok";
    EXPECT_EQ(getOver(QByteArray(answer, sizeof answer - 1)), "ok");
}

TEST(HostileAnswerTest, HeaderBlocksAreCappedAtOneMebibyteAltogether)
{
    QByteArray endless;
    while (endless.size() <= (1 << 20))
        endless += "HTTP/1.1 100 Continue\r\nX-Pad: " + QByteArray(200, 'p') + "\r\n\r\n";
    EXPECT_EQ(getOver(endless), "!Response too large.");

    QByteArray manyHeaders = "HTTP/1.1 200 OK\r\n";
    while (manyHeaders.size() <= (1 << 20))
        manyHeaders += "X-Pad: " + QByteArray(1000, 'p') + "\r\n";
    EXPECT_EQ(getOver(manyHeaders + "\r\nbody"), "!Response too large.");

    // Just under the cap is fine.
    QByteArray fits = "HTTP/1.1 200 OK\r\n";
    while (fits.size() < (1 << 20) - 2000)
        fits += "X-Pad: " + QByteArray(1000, 'p') + "\r\n";
    EXPECT_EQ(getOver(fits + "\r\nbody"), "body");
}

TEST(HostileAnswerTest, BodiesAreCappedAt32MebibytesInEveryFraming)
{
    const qsizetype cap = qsizetype(32) << 20;
    const QByteArray exact(cap, 'b');
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\n\r\n" + exact).size(), cap);
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\n\r\n" + exact + "!"), "!Response too large.");
    EXPECT_EQ(getOver("HTTP/1.1 200 OK\r\nContent-Length: 33554433\r\n\r\nx"),
              "!Response too large.");
    QByteArray chunked = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    const QByteArray chunk = "100000\r\n" + QByteArray(1 << 20, 'c') + "\r\n";
    for (int i = 0; i < 32; ++i)
        chunked += chunk;
    EXPECT_EQ(getOver(chunked + "0\r\n\r\n").size(), cap);
    EXPECT_EQ(getOver(chunked + "1\r\nx\r\n0\r\n\r\n"), "!Response too large.");
}

TEST(HostileAnswerTest, BodiesPastASetCapFailUnreadInEveryFraming)
{
    const qsizetype cap = qsizetype(1) << 20;
    const QString refused =
        QStringLiteral("!Ответ сервиса больше 1 МБ: такого ответа не бывает, он не прочитан.");
    const QByteArray fits(cap, 'b');
    const QByteArray head = "HTTP/1.1 200 OK\r\n";
    const QByteArray chunked =
        head + "Transfer-Encoding: chunked\r\n\r\n100000\r\n" + fits + "\r\n";
    const QByteArray multipart = head + "Content-Type: multipart/mixed; boundary=zz\r\n\r\n";
    const QByteArray parts = "--zz\r\n" + QByteArray(cap - 20, 'm') + "\r\n--zz--\r\n";
    const QByteArray endless(qsizetype(40) << 20, 'e');
    struct Case
    {
        QByteArray answer;
        QString result;
        // Bytes of the answer left unread, at least: the rest of a refused body is never read.
        qsizetype unread;
    };
    const Case cases[] = {
        {head + "Content-Length: 1048576\r\n\r\n" + fits, QString::fromLatin1(fits), 0},
        {head + "Content-Length: 1048577\r\n\r\n" + fits + "!", refused, cap},
        {head + "Content-Length: 33554432\r\n\r\n" + endless, refused, endless.size()},
        {head + "\r\n" + fits, QString::fromLatin1(fits), 0},
        {head + "\r\n" + endless, refused, endless.size() - cap - 1},
        {chunked + "0\r\n\r\n", QString::fromLatin1(fits), 0},
        {chunked + "1\r\nx\r\n0\r\n\r\n", refused, 3},
        {chunked.left(chunked.indexOf("100000")) + "2000000\r\n" + endless, refused,
         endless.size()},
        {multipart + parts, QString::fromLatin1(parts), 0},
        {multipart + "--zz\r\n" + endless, refused, endless.size()},
        // Failures and redirects are read under the same cap.
        {"HTTP/1.1 500 Oops\r\nContent-Length: 1048577\r\n\r\n" + fits, refused, cap},
        {"HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\n" + endless, refused, endless.size() - cap - 1},
    };
    for (const Case &c : cases) {
        InMemoryChannel channel(c.answer);
        HttpClient client(channel);
        client.setMaxBodyBytes(cap);
        QString result;
        try {
            result = client.Get(Url);
        } catch (const HttpStatusError &error) {
            result = u'!' + error.message();
        } catch (const LumettaError &error) {
            result = u'!' + error.message();
        }
        const QByteArray name = c.answer.left(60);
        EXPECT_EQ(result, c.result) << name.constData();
        EXPECT_GE(channel.unreadBytes(), c.unread) << name.constData();
    }
    // Without a cap of its own the client keeps the reader's.
    EXPECT_EQ(getOver(head + "\r\n" + endless), "!Response too large.");
}

TEST(FramingTest, LargeBodiesArriveWholeAndDecodeByteForByte)
{
    QByteArray large(3 << 20, '\0');
    for (qsizetype i = 0; i < large.size(); ++i)
        large[i] = char(i * 7 % 256);
    const QString expected = QString::fromLatin1(large);
    const QByteArray head = "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n";
    EXPECT_EQ(getOver(head + "Content-Length: 3145728\r\n\r\n" + large + "tail"), expected);
    EXPECT_EQ(getOver(head + "\r\n" + large), expected);
    // A counted body cut short by the peer fails, also past the first slice.
    EXPECT_EQ(getOver(head + "Content-Length: 4194304\r\n\r\n" + large),
              "!Connection Closed Gracefully.");
    QByteArray chunked = head + "Transfer-Encoding: chunked\r\n\r\n";
    for (qsizetype at = 0; at < large.size(); at += 100000) {
        const QByteArray piece = large.mid(at, 100000);
        chunked += QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n";
    }
    EXPECT_EQ(getOver(chunked + "0\r\n\r\n"), expected);
}
