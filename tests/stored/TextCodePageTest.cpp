#include "stored/TextCodePage.h"

#include "LumettaError.h"

#include <gtest/gtest.h>

TEST(TextCodePage, Windows1251ReplacesWhatItCannotHoldWithAQuestionMark)
{
    const TextCodePage codePage("windows-1251");
    EXPECT_EQ(codePage.encode(QStringLiteral("Жж€ №")), QByteArray("\xC6\xE6\x88 \xB9"));
    EXPECT_EQ(codePage.encode(QStringLiteral("aéb一c")), QByteArray("a?b?c"));
    // A character outside the basic plane is one character, so one mark.
    EXPECT_EQ(codePage.encode(QString::fromUtf8("<\xF0\x9F\x98\x80>")), QByteArray("<?>"));
    // The control character the converters use as their own substitute is kept as itself.
    EXPECT_EQ(codePage.encode(QStringLiteral("\x1A")), QByteArray("\x1A"));
    EXPECT_TRUE(codePage.canEncode(QStringLiteral("Жж")));
    EXPECT_FALSE(codePage.canEncode(QStringLiteral("é")));
}

TEST(TextCodePage, Windows1251DecodesEveryByte)
{
    const TextCodePage codePage("windows-1251");
    QByteArray all;
    for (int byte = 0; byte < 256; ++byte)
        all.append(char(byte));
    const QString text = codePage.decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text.at(0xC6), QChar(u'Ж'));
    EXPECT_EQ(codePage.encode(text), all);
}

TEST(TextCodePage, UnknownNameFallsBackToLatin1)
{
    const TextCodePage codePage("no-such-code-page");
    EXPECT_EQ(codePage.decode("\xE9t\xE9"), QStringLiteral("été"));
    EXPECT_EQ(codePage.encode(QStringLiteral("étéЖ")), QByteArray("\xE9t\xE9?"));
}

TEST(TextCodePage, StrictUtf8KeepsAMarkAndRejectsBadBytes)
{
    EXPECT_EQ(TextCodePage::decodeUtf8Strict("\xEF\xBB\xBF"
                                             "a"),
              QStringLiteral("\uFEFFa"));
    EXPECT_THROW(TextCodePage::decodeUtf8Strict("a\xD0"), LumettaError);
    EXPECT_FALSE(TextCodePage::systemName().isEmpty());
}
