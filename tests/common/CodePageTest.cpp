#include "WindowsCodePage.h"
#include "http/Charset.h"
#include "stored/TextCodePage.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <qt_windows.h>
#endif

namespace {

const QString Privet = QString::fromUtf8("Привет");

} // namespace

// The same names decode the same way on every platform: through Qt's converters where Qt has
// them, through the Windows API where Qt has no ICU.
TEST(CodePage, CyrillicCharsetsDecodeByName)
{
    EXPECT_EQ(Charset::decode("\xF0\xD2\xC9\xD7\xC5\xD4", u"koi8-r"_qs), Privet);
    EXPECT_EQ(Charset::decode("\xF0\xD2\xC9\xD7\xC5\xD4", u"KOI8-U"_qs), Privet);
    EXPECT_EQ(Charset::decode("\xCF\xF0\xE8\xE2\xE5\xF2", u"Windows-1251"_qs), Privet);
    EXPECT_EQ(Charset::decode("\x8F\xE0\xA8\xA2\xA5\xE2", u"IBM866"_qs), Privet);
    EXPECT_TRUE(Charset::isKnown(u"koi8-r"_qs));
    EXPECT_FALSE(Charset::isKnown(u"no-such-charset"_qs));
    // A name nobody knows still maps each byte to the character of the same code.
    EXPECT_EQ(Charset::decode("\xE9", u"no-such-charset"_qs), QStringLiteral("é"));
}

TEST(CodePage, StoredTextInKoi8RoundTripsAndMarksWhatItCannotHold)
{
    const TextCodePage koi8("koi8-r");
    EXPECT_EQ(koi8.encode(Privet + QStringLiteral(" é")), QByteArray("\xF0\xD2\xC9\xD7\xC5\xD4 ?"));
    EXPECT_EQ(koi8.decode("\xF0\xD2\xC9\xD7\xC5\xD4"), Privet);
    EXPECT_FALSE(koi8.canEncode(QStringLiteral("é")));
}

TEST(CodePage, CharsetNamesGiveWindowsCodePageNumbers)
{
    using WindowsCodePage::numberOf;
    EXPECT_EQ(numberOf("windows-1251"), 1251u);
    EXPECT_EQ(numberOf(" CP1252 "), 1252u);
    EXPECT_EQ(numberOf("KOI8-R"), 20866u);
    EXPECT_EQ(numberOf("ibm866"), 866u);
    EXPECT_EQ(numberOf("ISO-8859-5"), 28595u);
    EXPECT_EQ(numberOf("iso_8859-15"), 28605u);
    EXPECT_EQ(numberOf("Shift_JIS"), 932u);
    EXPECT_EQ(numberOf("windows-"), std::nullopt);
    EXPECT_EQ(numberOf("iso-8859-12"), std::nullopt);
    EXPECT_EQ(numberOf(""), std::nullopt);
}

#ifdef _WIN32
// Text without a byte-order mark is in the ANSI code page; scripts/windows runs the tests
// with a Russian locale, whose ANSI code page is 1251.
TEST(CodePage, TheAnsiCodePageHoldsItsOwnLetters)
{
    if (GetACP() != 1251)
        GTEST_SKIP() << "the ANSI code page is " << GetACP() << ", not 1251";
    EXPECT_EQ(TextCodePage::systemName(), QByteArray("windows-1251"));
    const TextCodePage system(TextCodePage::systemName());
    EXPECT_EQ(system.encode(Privet), QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2"));
    EXPECT_EQ(system.decode("\xCF\xF0\xE8\xE2\xE5\xF2"), Privet);
}
#endif
