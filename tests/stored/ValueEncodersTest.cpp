#include "FileHelpers.h"
#include "stored/UnParam.h"

#include <gtest/gtest.h>

namespace {

const QString noMapping = QStringLiteral(
    "No mapping for the Unicode character exists in the target multi-byte code page");

// Texts that exercise every UTF-8 length, control characters and a NUL.
QStringList sampleTexts()
{
    return {QString(),
            QStringLiteral("abc"),
            QStringLiteral("Жёлтый трек"),
            QStringLiteral("line\r\nbreak\tand tab"),
            QString::fromUtf8("emoji \xF0\x9F\x98\x80 and CJK \xE4\xB8\x80"),
            QString(QChar(u'\0')) + QStringLiteral("after NUL"),
            QStringLiteral("  blanks at both ends  ")};
}

QString repeated(char c, int count)
{
    return QString(count, QChar::fromLatin1(c));
}

} // namespace

TEST(HexUtf8, EncodesUtf8BytesAsUpperCasePairs)
{
    EXPECT_EQ(StrToHexUtf8(QString()), QString());
    EXPECT_EQ(StrToHexUtf8(QStringLiteral("abc")), QStringLiteral("616263"));
    EXPECT_EQ(StrToHexUtf8(QStringLiteral("Ж")), QStringLiteral("D096"));
    EXPECT_EQ(StrToHexUtf8(QString::fromUtf8("\xF0\x9F\x98\x80")), QStringLiteral("F09F9880"));
    EXPECT_EQ(StrToHexUtf8(QStringLiteral("\xFF")), QStringLiteral("C3BF"));
}

TEST(HexUtf8, RoundTripsEveryText)
{
    for (const QString &text : sampleTexts())
        EXPECT_EQ(HexUtf8ToStr(StrToHexUtf8(text)), text) << text.toStdString();
}

TEST(HexUtf8, DecodesEitherLetterCase)
{
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("d096")), QStringLiteral("Ж"));
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("D096")), QStringLiteral("Ж"));
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("d0B6")), QStringLiteral("ж"));
    EXPECT_EQ(HexUtf8ToStr(QString()), QString());
}

TEST(HexUtf8, IgnoresALoneTrailingCharacter)
{
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("414")), QStringLiteral("A"));
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("4")), QString());
    // Even one that is no digit: it never forms a pair.
    EXPECT_EQ(HexUtf8ToStr(QStringLiteral("41z")), QStringLiteral("A"));
}

TEST(HexUtf8, NamesThePairThatIsNoNumber)
{
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("414G")); }),
              QStringLiteral("'$4G' is not a valid integer value"));
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral(" 141")); }),
              QStringLiteral("'$ 1' is not a valid integer value"));
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("-1")); }),
              QStringLiteral("'$-1' is not a valid integer value"));
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("$41")); }),
              QStringLiteral("'$$4' is not a valid integer value"));
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("4Ж")); }),
              QStringLiteral("'$4Ж' is not a valid integer value"));
    // A full-width digit is a digit to Unicode but not to the format.
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("４1")); }),
              QStringLiteral("'$４1' is not a valid integer value"));
}

TEST(HexUtf8, RejectsBytesThatAreNotUtf8)
{
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("D0")); }), noMapping);
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("41FF")); }), noMapping);
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("C080")); }), noMapping);   // overlong
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("EDA080")); }), noMapping); // surrogate
    EXPECT_EQ(errorOf([] { HexUtf8ToStr(QStringLiteral("F4908080")); }), noMapping);
}

TEST(Base64Text, EncodesWithPadding)
{
    EXPECT_EQ(Base64EncodeText(QString()), QString());
    EXPECT_EQ(Base64EncodeText(QStringLiteral("f")), QStringLiteral("Zg=="));
    EXPECT_EQ(Base64EncodeText(QStringLiteral("fo")), QStringLiteral("Zm8="));
    EXPECT_EQ(Base64EncodeText(QStringLiteral("foo")), QStringLiteral("Zm9v"));
    EXPECT_EQ(Base64EncodeText(QStringLiteral("Ж")), QStringLiteral("0JY="));
    EXPECT_EQ(Base64EncodeText(QStringLiteral("\xFF\xFE")), QStringLiteral("w7/Dvg=="));
}

TEST(Base64Text, BreaksLinesAfterEvery57Bytes)
{
    const QString line = QStringLiteral("YWFh").repeated(19); // 57 times "a"
    EXPECT_EQ(Base64EncodeText(repeated('a', 54)), QStringLiteral("YWFh").repeated(18));
    EXPECT_EQ(Base64EncodeText(repeated('a', 55)), QStringLiteral("YWFh").repeated(18) + "YQ==");
    EXPECT_EQ(Base64EncodeText(repeated('a', 56)), QStringLiteral("YWFh").repeated(18) + "YWE=");
    EXPECT_EQ(Base64EncodeText(repeated('a', 57)), line + "\r\n");
    EXPECT_EQ(Base64EncodeText(repeated('a', 58)), line + "\r\nYQ==");
    EXPECT_EQ(Base64EncodeText(repeated('a', 114)), line + "\r\n" + line + "\r\n");
    EXPECT_EQ(Base64EncodeText(repeated('a', 115)), line + "\r\n" + line + "\r\nYQ==");
    // Bytes count, not characters: 19 Cyrillic letters are 38 bytes, 29 are 58.
    EXPECT_FALSE(Base64EncodeText(QStringLiteral("Ж").repeated(28)).contains(u'\r'));
    EXPECT_EQ(Base64EncodeText(QStringLiteral("Ж").repeated(29)).indexOf(u'\r'), 76);
}

TEST(Base64Text, RoundTripsEveryLengthAcrossLineBreaks)
{
    for (const QString &text : sampleTexts())
        EXPECT_EQ(Base64DecodeText(Base64EncodeText(text)), text) << text.toStdString();
    const QString mixed = QStringLiteral("aЖ€") + QString::fromUtf8("\xF0\x9F\x98\x80");
    for (int length = 0; length <= 130; ++length) {
        const QString text = mixed.repeated(length).left(length);
        if (length > 0 && text.back().isHighSurrogate())
            continue; // half a character is no text to round-trip
        EXPECT_EQ(Base64DecodeText(Base64EncodeText(text)), text) << length;
    }
}

TEST(Base64Text, SkipsEverythingOutsideTheAlphabet)
{
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zm9v\r\nYmFy")), QStringLiteral("foobar"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral(" Zm 9v\tYm-F.y! ")), QStringLiteral("foobar"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zm9vЖYmFy€")), QStringLiteral("foobar"));
    // Padding does not end the data: "Zg==YWJj" decodes as "ZgYWJj".
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zg==YWJj")), QStringLiteral("f\x06\x16&"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral("=Zm=9v=")), QStringLiteral("foo"));
}

TEST(Base64Text, AcceptsMissingPaddingAndDropsALoneCharacter)
{
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zg")), QStringLiteral("f"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zm8")), QStringLiteral("fo"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Zm9vY")), QStringLiteral("foo"));
    EXPECT_EQ(Base64DecodeText(QStringLiteral("Z")), QString());
    EXPECT_EQ(Base64DecodeText(QStringLiteral("====")), QString());
}

TEST(Base64Text, RejectsBytesThatAreNotUtf8)
{
    EXPECT_EQ(errorOf([] { Base64DecodeText(QStringLiteral("/w==")); }), noMapping);
    EXPECT_EQ(errorOf([] { Base64DecodeText(QStringLiteral("0A==")); }), noMapping);
    EXPECT_EQ(errorOf([] { Base64DecodeText(QStringLiteral("7aCA")); }), noMapping);
}
