#include "InMemoryChannel.h"
#include "QtPrinting.h"
#include "http/FormEncoder.h"
#include "http/HttpClient.h"

#include <gtest/gtest.h>

namespace {

// The body a Post of these lines sends.
QByteArray postedBody(const QStringList &lines)
{
    InMemoryChannel channel("HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpClient client(channel);
    client.Post("https://short.example/", lines);
    const QByteArray written = channel.written(0);
    const QByteArray body = written.mid(written.indexOf("\r\n\r\n") + 4);
    EXPECT_TRUE(
        written.contains("\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n"));
    return body;
}

} // namespace

TEST(FormEncodingTest, EncodesNamesAndValuesApartWithThe66SafeCharacters)
{
    EXPECT_EQ(postedBody({"url=x:/y?z=1&w v"}), "url=x%3A%2Fy%3Fz%3D1%26w+v");
    EXPECT_EQ(postedBody({"a b=c+d"}), "a+b=c%2Bd");
    EXPECT_EQ(postedBody({"k=~!'()%"}), "k=%7E%21%27%28%29%25");
    EXPECT_EQ(postedBody({"k=AZaz09*-._"}), "k=AZaz09*-._");
    EXPECT_EQ(postedBody({"bare value"}), "bare+value");
    EXPECT_EQ(postedBody({"url="}), "url=");
    EXPECT_EQ(postedBody({"=v"}), "=v");
}

TEST(FormEncodingTest, NonAsciiIsUtf8AndUnpairedSurrogatesAreNumericReferences)
{
    EXPECT_EQ(FormEncoder::encodeText(QString::fromUtf8("é€")), "%C3%A9%E2%82%AC");
    EXPECT_EQ(FormEncoder::encodeText(QString::fromUtf8("\xF0\x9F\x98\x80")), "%F0%9F%98%80");
    const QChar lone[] = {QChar(0xD800), QChar(u'x'), QChar(0xDC01)};
    EXPECT_EQ(FormEncoder::encodeText(QString(lone, 3)), "&#55296;x&#56321;");
    EXPECT_EQ(FormEncoder::encodeText("?"), "%3F");
    EXPECT_EQ(FormEncoder::encodeText(QString("a\r\nb")), "a%0D%0Ab");
}

TEST(FormEncodingTest, LinesAreJoinedWithAmpersandAndTheWholeIsTrimmed)
{
    EXPECT_EQ(postedBody({"a=1", "b=2", "c"}), "a=1&b=2&c");
    EXPECT_EQ(FormEncoder::joinLines({"  a=1 "}), "a=1");
    EXPECT_EQ(FormEncoder::joinLines({"", "a=1", ""}), "a=1");
    EXPECT_EQ(FormEncoder::joinLines({"a", "", "b"}), "a&&b");
    EXPECT_EQ(FormEncoder::encodeForm({}), "");
}

TEST(FormEncodingTest, PostLeavesTheCallersListAlone)
{
    const QStringList lines = {"url=a b"};
    const QStringList copy = lines;
    postedBody(lines);
    EXPECT_EQ(lines, copy);
}
