#include "AnswerText.h"
#include "QStringPrinter.h"

#include "links/PromotionAnswer.h"

#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

QString errorCodeOf(const QString &json)
{
    return PromotionAnswer(QStringLiteral(R"({"errorCode":%1})").arg(json)).errorCode();
}

TEST(PromotionAnswerTest, OneValueWithByteOrderMarkAndSpacesAroundIsJson)
{
    for (const QString &text : {QStringLiteral("{}"), QStringLiteral("\uFEFF{}"),
                                QStringLiteral("\uFEFF \t\r\n{ } \t\r\n"),
                                QStringLiteral("\n[1, 2]\n"), QStringLiteral("\"text\"")}) {
        EXPECT_TRUE(PromotionAnswer(text).isJson()) << text.toStdString();
    }
}

TEST(PromotionAnswerTest, AnythingElseAroundTheValueOrNoValueIsNotJson)
{
    const QStringList texts{
        QString(),
        QStringLiteral(" \r\n"),
        QStringLiteral("{} {}"),
        QStringLiteral("{}x"),
        QStringLiteral("x{}"),
        QStringLiteral("{}\u00A0"),       // no-break space is no JSON white space
        QStringLiteral("\f{}"),           // nor is form feed
        QStringLiteral("\uFEFF\uFEFF{}"), // one mark only
        QStringLiteral(" \uFEFF{}"),      // and only at the very start
        QStringLiteral("{\"a\":1"),       // cut off
        QStringLiteral("<html><body>Error 502</body></html>"),
        QStringLiteral("{'errorCode':1}"),
        QStringLiteral("[1,]"),
        QString::fromUtf8("{}\0{}", 5), // a NUL byte is no end of text
        QString::fromUtf8("[1,\0 2]", 7),
        QString::fromUtf8("[\"a\0b\"]", 7), // nor a character of a string
    };
    for (const QString &text : texts) {
        const PromotionAnswer answer(text);
        EXPECT_FALSE(answer.isJson()) << text.toStdString();
        EXPECT_FALSE(answer.isObject());
        EXPECT_THROW(answer.errorCode(), AnswerFormatError);
    }
}

TEST(PromotionAnswerTest, OnlyAnObjectIsAnObject)
{
    EXPECT_TRUE(PromotionAnswer(QStringLiteral(" {} ")).isObject());
    for (const QString text : {"[]", "\"{}\"", "20010000", "-1.5e3", "true", "false", "null"}) {
        const PromotionAnswer answer(text);
        EXPECT_TRUE(answer.isJson()) << text.toStdString();
        EXPECT_FALSE(answer.isObject()) << text.toStdString();
    }
}

TEST(PromotionAnswerTest, IntegralNumbersReadAsPlainDigits)
{
    EXPECT_EQ(errorCodeOf("20010000"), "20010000");
    EXPECT_EQ(errorCodeOf("20010000.0"), "20010000");
    EXPECT_EQ(errorCodeOf("2.001E7"), "20010000");
    EXPECT_EQ(errorCodeOf("2001e+4"), "20010000");
    EXPECT_EQ(errorCodeOf("3"), "3");
    EXPECT_EQ(errorCodeOf("3.0"), "3");
    EXPECT_EQ(errorCodeOf("-42"), "-42");
    EXPECT_EQ(errorCodeOf("-4.2e1"), "-42");
    EXPECT_EQ(errorCodeOf("-0"), "0");
    EXPECT_EQ(errorCodeOf("-0.0"), "0");
    EXPECT_EQ(errorCodeOf("1e20"), "100000000000000000000");
    EXPECT_EQ(errorCodeOf("18446744073709551615"), "18446744073709551615");
    EXPECT_EQ(errorCodeOf("-9223372036854775808"), "-9223372036854775808");
    EXPECT_EQ(errorCodeOf("184467440737095516160"), "184467440737095516160");
    EXPECT_EQ(errorCodeOf("0.00002001e12"), "20010000");
}

TEST(PromotionAnswerTest, NumbersBeyondTheRangeOfADoubleReadSafely)
{
    EXPECT_EQ(errorCodeOf("1e-400"), "0");
    EXPECT_EQ(errorCodeOf("-1e-400"), "0");
    EXPECT_EQ(errorCodeOf("0." + QString(400, '0') + "1"), "0");
    EXPECT_EQ(errorCodeOf("1e-2147483648"), "0");
    EXPECT_EQ(errorCodeOf("17976931348623159e292"), "inf");
    EXPECT_EQ(errorCodeOf("-1.7976931348623159e308"), "-inf");
    EXPECT_EQ(errorCodeOf("1e400"), "inf");
    EXPECT_EQ(errorCodeOf("-1e999999999999999999"), "-inf");
    EXPECT_EQ(errorCodeOf(QString(310, u'9')), "inf");
    EXPECT_EQ(errorCodeOf(QString(310, u'9') + ".5e-300"), "10000000000");
    EXPECT_EQ(errorCodeOf("1" + QString(300, u'0') + "e-300"), "1");
}

TEST(PromotionAnswerTest, WhatIsNotReadCannotFailTheAnswer)
{
    const QStringList ignored{"1e400",
                              "-1e400",
                              QString(310, u'9'),
                              R"("\uD800")",
                              R"("\uDC00")",
                              R"("x\uD800\u0041")",
                              R"([1e999999999999])"};
    for (const QString &value : ignored) {
        const PromotionAnswer answer(R"({"errorCode":"20010000","rate":)" + value +
                                     R"(,"result":{"totalResults":1,"promotionUrls":[)" +
                                     R"({"url":"u","promotionUrl":"p","extra":)" + value + "}]}}");
        ASSERT_TRUE(answer.isObject()) << value.toStdString();
        EXPECT_EQ(answer.errorCode(), "20010000");
        EXPECT_EQ(answer.totalResults(), "1");
        EXPECT_EQ(answer.elementPromotionUrl(0), "p");
    }
}

TEST(PromotionAnswerTest, LoneSurrogatesOfEitherHalfReadAsTheReplacementCharacter)
{
    EXPECT_EQ(errorCodeOf(R"("a\uD800b")"), QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(errorCodeOf(R"("a\udc00b")"), QStringLiteral("a\uFFFDb"));
    EXPECT_EQ(errorCodeOf(R"("\uDC00\uD800")"), QStringLiteral("\uFFFD\uFFFD"));
    EXPECT_EQ(errorCodeOf(R"("\uD800\u0041\uDBFF")"), QStringLiteral("\uFFFDA\uFFFD"));
    EXPECT_EQ(errorCodeOf(R"("\uD83D\uDE00")"), QString::fromUtf8("\xF0\x9F\x98\x80"));
    EXPECT_EQ(errorCodeOf(R"("\\uD800")"), QStringLiteral("\\uD800"));
}

TEST(PromotionAnswerTest, MalformedNumbersAndEscapesAreStillNoJson)
{
    for (const QString value : {"01", "1.", ".5", "-", "+1", "1e", "1e+", "--1", "1.5.3", "0x10",
                                "1 2", R"("\uD80")", R"("\uD800\u")", R"("\x")", R"("\uD800)"}) {
        EXPECT_FALSE(PromotionAnswer(R"({"rate":)" + value + "}").isJson()) << value.toStdString();
    }
}

TEST(PromotionAnswerTest, FractionsUseTheRegionalDecimalSeparatorAndNeverLookIntegral)
{
    const QString point = QLocale::system().decimalPoint();
    EXPECT_EQ(errorCodeOf("2.5"), "2" + point + "5");
    EXPECT_EQ(errorCodeOf("-0.125"), "-0" + point + "125");
    // The nearest neighbours of integers must not print as those integers.
    EXPECT_EQ(errorCodeOf("2.0000000000000004"), "2" + point + "0000000000000004");
    EXPECT_NE(errorCodeOf("20010000.000000004"), "20010000");
    EXPECT_NE(errorCodeOf("1e-7"), "0");
}

TEST(PromotionAnswerTest, OtherKindsReadAsTheTable)
{
    EXPECT_EQ(errorCodeOf(R"("a\"b\\c\u0416\n")"), QStringLiteral("a\"b\\cЖ\n"));
    EXPECT_EQ(errorCodeOf(R"("")"), "");
    EXPECT_EQ(errorCodeOf(R"(" 20010000 ")"), " 20010000 ");
    EXPECT_EQ(errorCodeOf(R"("\u0000x")"), QString(QChar(0)) + "x");
    EXPECT_EQ(errorCodeOf("true"), "true");
    EXPECT_EQ(errorCodeOf("false"), "false");
    EXPECT_EQ(errorCodeOf("null"), "null");
    EXPECT_EQ(errorCodeOf(R"({"a":1})"), "");
    EXPECT_EQ(errorCodeOf("[1,2]"), "");
    EXPECT_EQ(errorCodeOf(QStringLiteral("\"Ссылка 🔗\"")), QStringLiteral("Ссылка 🔗"));
}

TEST(PromotionAnswerTest, MembersAreFoundByExactNameAndTheFirstOfTwinsCounts)
{
    EXPECT_EQ(PromotionAnswer(R"({"errorCode":"1","errorCode":"2"})").errorCode(), "1");
    EXPECT_THROW(PromotionAnswer(R"({"ErrorCode":"1"})").errorCode(), AnswerFormatError);
    EXPECT_THROW(PromotionAnswer(R"({"errorCode ":"1"})").errorCode(), AnswerFormatError);

    const PromotionAnswer answer(R"({"result":{"totalResults":5,"totalResults":6,
        "promotionUrls":[{"url":"a","url":"b","promotionUrl":"p","promotionUrl":"q"}],
        "promotionUrls":[]}, "result":{}})");
    EXPECT_EQ(answer.totalResults(), "5");
    EXPECT_EQ(answer.promotionUrlCount(), 1);
    EXPECT_EQ(answer.elementUrl(0), "a");
    EXPECT_EQ(answer.elementPromotionUrl(0), "p");
}

TEST(PromotionAnswerTest, ReadersRefuseMissingMembersAndWrongKinds)
{
    const auto fails = [](const char *json, auto read) {
        const PromotionAnswer answer{QString::fromUtf8(json)};
        EXPECT_THROW(read(answer), AnswerFormatError) << json;
    };
    const auto total = [](const PromotionAnswer &a) { return a.totalResults(); };
    const auto count = [](const PromotionAnswer &a) { return a.promotionUrlCount(); };
    const auto url = [](const PromotionAnswer &a) { return a.elementUrl(0); };
    const auto link = [](const PromotionAnswer &a) { return a.elementPromotionUrl(0); };
    fails(R"({})", total);
    fails(R"({"result":"x"})", total);
    fails(R"({"result":{}})", total);
    fails(R"({"result":null})", count);
    fails(R"({"result":{"promotionUrls":{}}})", count);
    fails(R"({"result":{"promotionUrls":"[]"}})", count);
    fails(R"({"result":{"promotionUrls":[]}})", url);
    fails(R"({"result":{"promotionUrls":[[]]}})", url);
    fails(R"({"result":{"promotionUrls":[{"promotionUrl":"p"}]}})", url);
    fails(R"({"result":{"promotionUrls":[{"url":"u"}]}})", link);
    fails("not json", count);

    // A value of another kind that still has a text is no failure.
    const PromotionAnswer odd(R"({"result":{"totalResults":null,
        "promotionUrls":[{"url":7,"promotionUrl":{"x":1}}]}})");
    EXPECT_EQ(odd.totalResults(), "null");
    EXPECT_EQ(odd.elementUrl(0), "7");
    EXPECT_EQ(odd.elementPromotionUrl(0), "");
}

TEST(PromotionAnswerTest, DeepNestingNeitherOverflowsTheStackNorPassesWhenUnbalanced)
{
    const qsizetype depth = 200000;
    const QString balanced = QString(depth, '[') + QString(depth, ']');
    EXPECT_TRUE(PromotionAnswer(balanced).isJson());
    EXPECT_FALSE(PromotionAnswer(QString(depth, '[')).isJson());

    const QString nested = QStringLiteral(R"({"errorCode":)") + QString(depth, '[') +
                           QString(depth, ']') + QStringLiteral(R"(,"result":)") +
                           QString(depth, '{').replace("{", R"({"a":)") + "1" +
                           QString(depth, '}') + "}";
    const PromotionAnswer answer(nested);
    ASSERT_TRUE(answer.isObject());
    EXPECT_EQ(answer.errorCode(), "");
    EXPECT_THROW(answer.totalResults(), AnswerFormatError);
}

TEST(PromotionAnswerTest, ManyElementsBehindManyOtherMembersAreCountedAndReadByIndex)
{
    std::vector<std::string> elements;
    for (int i = 0; i < 10000; ++i)
        elements.push_back(AnswerText::element("u" + std::to_string(i), "p" + std::to_string(i)));
    std::string others = "{";
    for (int i = 0; i < 100000; ++i)
        others += "\"m" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    const std::string text = others + AnswerText::answer("10000", elements).substr(1);
    const PromotionAnswer answer(QString::fromStdString(text));
    ASSERT_EQ(answer.promotionUrlCount(), 10000);
    EXPECT_EQ(answer.totalResults(), "10000");
    for (int i = 0; i < 10000; ++i) {
        ASSERT_EQ(answer.elementUrl(i), QString::number(i).prepend(u'u'));
        ASSERT_EQ(answer.elementPromotionUrl(i), QString::number(i).prepend(u'p'));
    }
    EXPECT_THROW(answer.elementUrl(10000), AnswerFormatError);
}

// The system's regional settings are read once in a process, so under any other locale the
// test runs again in a child of this test program whose locale writes decimals with a comma.
TEST(PromotionAnswerUnderACommaLocale, FractionsUseTheComma)
{
    const char *childMark = "LUMETTA_COMMA_LOCALE_CHILD";
    if (QLocale::system().decimalPoint() != QStringLiteral(",")) {
        ASSERT_FALSE(qEnvironmentVariableIsSet(childMark)) << "the child's locale has no comma";
#ifdef Q_OS_LINUX
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("ru_RU.UTF-8"));
        environment.insert(QString::fromLatin1(childMark), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath(),
                    {QStringLiteral("--gtest_filter=PromotionAnswerUnderACommaLocale.*")});
        ASSERT_TRUE(child.waitForFinished(120000));
        EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
#else
        GTEST_SKIP() << "the locale is not a comma one";
#endif
        return;
    }
    EXPECT_EQ(errorCodeOf("2.5"), "2,5");
    EXPECT_EQ(errorCodeOf("-1.25e-2"), "-0,0125");
    EXPECT_EQ(errorCodeOf("20010000.5"), "20010000,5");
    EXPECT_EQ(errorCodeOf("1.5e-300"), "1,5e-300");
    EXPECT_EQ(errorCodeOf("2.0"), "2");
}

} // namespace
