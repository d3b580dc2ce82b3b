#include "InMemoryChannel.h"
#include "QtPrinting.h"
#include "http/HttpClient.h"

#include <gtest/gtest.h>

namespace {

QString bodyWith(const QByteArray &contentTypeLine, const QByteArray &body)
{
    InMemoryChannel channel("HTTP/1.1 200 OK\r\n" + contentTypeLine + "Content-Length: " +
                            QByteArray::number(body.size()) + "\r\n\r\n" + body);
    HttpClient client(channel);
    return client.Get("http://gw.example/");
}

const QByteArray EAcuteUtf8 = "\xC3\xA9";

} // namespace

TEST(CharsetTest, TypesWithoutCharsetTakeOneCharacterPerByte)
{
    EXPECT_EQ(bodyWith("Content-Type: application/json\r\n", EAcuteUtf8), QString::fromUtf8("Ã©"));
    EXPECT_EQ(bodyWith("", EAcuteUtf8), QString::fromUtf8("Ã©"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain\r\n", EAcuteUtf8), QString::fromUtf8("Ã©"));
    EXPECT_EQ(bodyWith("Content-Type: application/json; charset=x-unheard-of\r\n", EAcuteUtf8),
              QString::fromUtf8("Ã©"));
}

TEST(CharsetTest, CharsetParameterIsUsedWhateverItsCase)
{
    EXPECT_EQ(bodyWith("Content-Type: application/json; charset=utf-8\r\n", EAcuteUtf8),
              QString::fromUtf8("é"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain;Charset=\"UTF-8\"\r\n", EAcuteUtf8),
              QString::fromUtf8("é"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain; charset=windows-1251\r\n", "\xCF\xF0\xE8"),
              QString::fromUtf8("При"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain; charset=KOI8-R\r\n", "\xF0\xD2\xC9"),
              QString::fromUtf8("При"));
    // Invalid sequences are U+FFFD; a byte-order mark stays a character.
    EXPECT_EQ(bodyWith("Content-Type: text/plain; charset=utf-8\r\n", "a\xFF"
                                                                      "b"),
              QString::fromUtf8("a\xEF\xBF\xBD"
                                "b"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain; charset=utf-8\r\n", "\xEF\xBB\xBFx"),
              QChar(0xFEFF) + QString("x"));
    EXPECT_EQ(bodyWith("Content-Type: text/plain; charset=us-ascii\r\n", "a\xE9"),
              QString::fromUtf8("a\xEF\xBF\xBD"));
}

TEST(CharsetTest, FoldedContentTypeHeaderIsJoinedBeforeItIsRead)
{
    EXPECT_EQ(bodyWith("Content-Type: text/plain;\r\n\t charset=utf-8\r\n", EAcuteUtf8),
              QString::fromUtf8("é"));
}

TEST(CharsetTest, XmlDocumentsNameTheirOwnCharset)
{
    const QByteArray declared1251 = "<?xml version=\"1.0\" encoding='windows-1251'?><a>\xCF</a>";
    EXPECT_EQ(bodyWith("Content-Type: application/xml; charset=utf-8\r\n", declared1251),
              QString::fromUtf8("<?xml version=\"1.0\" encoding='windows-1251'?><a>П</a>"));
    EXPECT_EQ(bodyWith("Content-Type: application/rss+xml\r\n", "<a>" + EAcuteUtf8 + "</a>"),
              QString::fromUtf8("<a>é</a>"));
    EXPECT_EQ(bodyWith("Content-Type: application/xml\r\n", QByteArray("\xFF\xFEH\0i\0", 6)),
              QChar(0xFEFF) + QString("Hi"));
    // A text type without charset is US-ASCII for XML and ISO-8859-1 otherwise.
    EXPECT_EQ(bodyWith("Content-Type: text/xml\r\n", "<a>" + EAcuteUtf8 + "</a>"),
              QString::fromUtf8("<a>\xEF\xBF\xBD\xEF\xBF\xBD</a>"));
    EXPECT_EQ(bodyWith("Content-Type: text/xml; charset=utf-8\r\n", "<a>" + EAcuteUtf8 + "</a>"),
              QString::fromUtf8("<a>é</a>"));
}

TEST(CharsetTest, HtmlMetaElementsDecideTheCharset)
{
    const QByteArray httpEquiv = "<html><head><META HTTP-EQUIV=\"Content-Type\" "
                                 "content=\"text/html; charset=windows-1251\"></head>"
                                 "<body>\xCF\xF0\xE8</body></html>";
    EXPECT_EQ(bodyWith("Content-Type: text/html; charset=utf-8\r\n", httpEquiv).right(17),
              QString::fromUtf8("<body>При</body></html>").right(17));
    const QByteArray metaCharset = "<head><meta charset=utf-8 /></head>" + EAcuteUtf8;
    EXPECT_EQ(bodyWith("Content-Type: text/html; charset=iso-8859-1\r\n", metaCharset)
                  .endsWith(QString::fromUtf8("é")),
              true);
    // Without any declaration an HTML text is ISO-8859-1; a meta after the head is not read.
    EXPECT_EQ(
        bodyWith("Content-Type: text/html\r\n", "<head></head><meta charset=utf-8>" + EAcuteUtf8)
            .right(2),
        QString::fromUtf8("Ã©"));
    // A broken tag does not stop the scan or run past the document.
    EXPECT_EQ(bodyWith("Content-Type: text/html\r\n", "<meta charset=\"utf-8").size(), 20);
}

TEST(CharsetTest, OfManyMetaElementsTheLastContentTypeDecides)
{
    QByteArray head = "<html><head>";
    for (int i = 0; i < 2000; ++i) {
        head += "<meta http-equiv=\"x-" + QByteArray::number(i) + "\" content=\"v\">";
        if (i == 500)
            head += "<meta http-equiv='content-type' content='text/html; charset=iso-8859-1'>";
        if (i == 1500)
            head += "<Meta Http-Equiv=\" Content-Type \" Content=\"text/html; charset=utf-8\">";
    }
    EXPECT_EQ(bodyWith("Content-Type: text/html\r\n", head + "</head>" + EAcuteUtf8).right(1),
              QString::fromUtf8("é"));
    // An http-equiv without content, or a content without http-equiv, declares nothing.
    EXPECT_EQ(bodyWith("Content-Type: text/html\r\n",
                       "<meta http-equiv=\"Content-Type\"><meta content=\"text/html; "
                       "charset=utf-8\">" +
                           EAcuteUtf8)
                  .right(2),
              QString::fromUtf8("Ã©"));
    // The first of two attributes of one name counts; names and tags in any case.
    EXPECT_EQ(bodyWith("Content-Type: text/html\r\n",
                       "<META CHARSET=utf-8 charset=iso-8859-1></HEAD><meta charset=us-ascii>" +
                           EAcuteUtf8)
                  .right(1),
              QString::fromUtf8("é"));
}
