#include "InMemoryChannel.h"
#include "QtPrinting.h"
#include "http/CookieDate.h"
#include "http/CookieJar.h"
#include "http/HttpClient.h"
#include "http/WireText.h"

#include <gtest/gtest.h>

namespace {

// The Cookie header of a written request, empty when it has none.
QByteArray cookieHeaderOf(const QByteArray &request)
{
    const qsizetype start = request.indexOf("\r\nCookie: ");
    if (start < 0)
        return {};
    const qsizetype valueStart = start + 10;
    return request.mid(valueStart, request.indexOf("\r\n", valueStart) - valueStart);
}

QByteArray answerSetting(const QByteArray &setCookieLines)
{
    return "HTTP/1.1 200 OK\r\nConnection: close\r\n" + setCookieLines +
           "Content-Length: 0\r\n\r\n";
}

const QByteArray Plain = answerSetting({});

const QDateTime Now(QDate(2026, 6, 1), QTime(12, 0));

} // namespace

TEST(CookieTest, GatewayCookieGoesBackToTheGatewayAndNeverToTheShortener)
{
    InMemoryChannel channel;
    channel.addConnection(answerSetting("Set-Cookie: sid=\"abc\"; Path=/; HttpOnly\r\n"
                                        "Set-Cookie: lang=ru\r\n"));
    channel.addConnection(Plain);
    channel.addConnection(Plain);
    HttpClient client(channel);
    EXPECT_EQ(client.cookieJar(), nullptr);
    client.Get("http://gw.example/api/sync?x=1");
    ASSERT_NE(client.cookieJar(), nullptr);
    const QList<StoredCookie> stored = client.cookieJar()->cookies();
    ASSERT_EQ(stored.size(), 2);
    EXPECT_EQ(stored.at(0).value, "abc");
    EXPECT_TRUE(stored.at(0).httpOnly);
    EXPECT_TRUE(stored.at(0).hostOnly);
    EXPECT_FALSE(stored.at(0).persistent);
    EXPECT_EQ(stored.at(0).expiry, CookieJar::sessionExpiry());
    EXPECT_EQ(stored.at(1).path, "/api");

    client.Post("https://short.example/api/x", {"url=a"});
    EXPECT_EQ(cookieHeaderOf(channel.written(1)), "");
    client.Get("http://gw.example/api/sync");
    EXPECT_EQ(cookieHeaderOf(channel.written(2)), "lang=ru; sid=abc");
    EXPECT_TRUE(channel.written(2).endsWith("\r\nCookie: lang=ru; sid=abc\r\n\r\n"));
}

TEST(CookieTest, DomainAttributeMustMatchTheHostAndOpensSubdomains)
{
    CookieJar jar;
    jar.take("a=1; Domain=.Example.COM", "www.example.com", "/", Now);
    jar.take("b=2; Domain=other.com", "www.example.com", "/", Now);
    jar.take("c=3; Domain=ample.com", "www.example.com", "/", Now);
    jar.take("d=4; Domain=1.1", "10.1.1.1", "/", Now);
    ASSERT_EQ(jar.cookies().size(), 1);
    EXPECT_EQ(jar.cookies().at(0).domain, "example.com");
    EXPECT_FALSE(jar.cookies().at(0).hostOnly);
    EXPECT_EQ(jar.cookieHeader("api.example.com", "/", false, Now), "a=1");
    EXPECT_EQ(jar.cookieHeader("EXAMPLE.com", "/", false, Now), "a=1");
    EXPECT_EQ(jar.cookieHeader("badexample.com", "/", false, Now), "");

    CookieJar hostOnly;
    hostOnly.take("h=1", "Www.Example.com", "/", Now);
    EXPECT_EQ(hostOnly.cookieHeader("www.example.com", "/", false, Now), "h=1");
    EXPECT_EQ(hostOnly.cookieHeader("sub.www.example.com", "/", false, Now), "");
}

TEST(CookieTest, PathsMatchOnSegmentBoundariesAndLongerPathsComeFirst)
{
    CookieJar jar;
    jar.take("root=1; Path=/", "h", "/", Now);
    jar.take("deep=2; Path=/a/b", "h", "/", Now);
    jar.take("mid=3; Path=/a/", "h", "/", Now);
    jar.take("dflt=4; Path=relative", "h", "/x/y/doc", Now);
    EXPECT_EQ(jar.cookies().at(3).path, "/x/y");
    EXPECT_EQ(jar.cookieHeader("h", "/a/b/c", false, Now), "deep=2; mid=3; root=1");
    EXPECT_EQ(jar.cookieHeader("h", "/a/b", false, Now), "deep=2; mid=3; root=1");
    EXPECT_EQ(jar.cookieHeader("h", "/a/bc", false, Now), "mid=3; root=1");
    EXPECT_EQ(jar.cookieHeader("h", "/a", false, Now), "root=1");
    EXPECT_EQ(jar.cookieHeader("h", "/x/y", false, Now), "dflt=4; root=1");
    EXPECT_EQ(jar.cookieHeader("h", "/x/yz", false, Now), "root=1");
    EXPECT_EQ(CookieJar::defaultPath("/doc"), "/");
    EXPECT_EQ(CookieJar::defaultPath(""), "/");
}

TEST(CookieTest, SameCreationOrderAndReplacementKeepsTheFirstCreationTime)
{
    CookieJar jar;
    jar.take("first=1", "h", "/", Now);
    jar.take("second=2", "h", "/", Now.addSecs(5));
    jar.take("FIRST=new", "h", "/", Now.addSecs(10));
    ASSERT_EQ(jar.cookies().size(), 2);
    EXPECT_EQ(jar.cookies().at(1).value, "new");
    EXPECT_EQ(jar.cookies().at(1).creation, Now);
    EXPECT_EQ(jar.cookieHeader("h", "/", false, Now.addSecs(20)), "FIRST=new; second=2");
    EXPECT_EQ(jar.cookies().at(0).lastAccess, Now.addSecs(20));
}

TEST(CookieTest, SecureCookiesTravelOnlyOverHttps)
{
    CookieJar jar;
    jar.take("s=1; Secure", "h", "/", Now);
    jar.take("p=2", "h", "/", Now);
    EXPECT_EQ(jar.cookieHeader("h", "/", false, Now), "p=2");
    EXPECT_EQ(jar.cookieHeader("h", "/", true, Now), "s=1; p=2");
}

TEST(CookieTest, MaxAgeWinsOverExpiresAndExpiredCookiesDeleteOrAreDropped)
{
    CookieJar jar;
    jar.take("keep=1; Expires=Sun, 06 Nov 1994 08:49:37 GMT; Max-Age=3600", "h", "/", Now);
    jar.take("gone=1; Expires=Wed, 09 Jun 2100 10:18:14 GMT; Max-Age=0", "h", "/", Now);
    jar.take("past=1; Expires=Sun, 06-Nov-94 08:49:37 GMT", "h", "/", Now);
    jar.take("future=1; expires=Wednesday, 09-Jun-2100 10:18:14 GMT", "h", "/", Now);
    jar.take("junk=1; Expires=never; Max-Age=soon", "h", "/", Now);
    ASSERT_EQ(jar.cookies().size(), 3);
    EXPECT_EQ(jar.cookies().at(0).expiry, Now.addSecs(3600));
    EXPECT_TRUE(jar.cookies().at(0).persistent);
    EXPECT_EQ(jar.cookies().at(1).expiry.toUTC(),
              QDateTime(QDate(2100, 6, 9), QTime(10, 18, 14), Qt::UTC));
    EXPECT_FALSE(jar.cookies().at(2).persistent);

    // A Max-Age of 0 or less removes the stored cookie of that name, domain and path.
    jar.take("future=x; Max-Age=-5", "h", "/", Now);
    EXPECT_EQ(jar.cookieHeader("h", "/", false, Now), "keep=1; junk=1");
    // An hour later the Max-Age cookie has run out and is pruned before sending.
    EXPECT_EQ(jar.cookieHeader("h", "/", false, Now.addSecs(3601)), "junk=1");
    EXPECT_EQ(jar.cookies().size(), 1);
}

TEST(CookieTest, MalformedSetCookieValuesAreIgnored)
{
    CookieJar jar;
    for (const char *value : {"novalue", "=anon", "", ";a=b", " ; Path=/"})
        jar.take(value, "h", "/", Now);
    jar.take("huge=1; Max-Age=99999999999999999999999", "h", "/", Now);
    ASSERT_EQ(jar.cookies().size(), 1);
    EXPECT_EQ(jar.cookies().at(0).expiry, CookieJar::sessionExpiry());
}

TEST(CookieTest, CookiesFromHundredAnswersCountAndOddBytesNeverGoOutRaw)
{
    InMemoryChannel channel;
    channel.addConnection("HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n"
                          "HTTP/1.1 200 OK\r\nSet-Cookie: odd=\xD0\xB6\x01; Path=/\r\n"
                          "Content-Length: 0\r\n\r\n");
    channel.addConnection(Plain);
    HttpClient client(channel);
    client.Get("http://gw.example/");
    client.Get("http://gw.example/");
    EXPECT_EQ(cookieHeaderOf(channel.written(1)), "early=1; odd=%EF%BF%BD%EF%BF%BD%01");
}

TEST(CookieDateTest, ReadsTheUsualFormatsAndRejectsImpossibleDates)
{
    const QDateTime expected(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC);
    EXPECT_EQ(CookieDate::parse("Wed, 02 Jan 2030 03:04:05 GMT"), expected);
    EXPECT_EQ(CookieDate::parse("Wednesday, 02-Jan-30 03:04:05 GMT"), expected);
    EXPECT_EQ(CookieDate::parse("Wed Jan  2 03:04:05 2030"), expected);
    EXPECT_FALSE(CookieDate::parse("Wed, 31 Feb 2030 03:04:05 GMT").isValid());
    EXPECT_FALSE(CookieDate::parse("Wed, 02 Jan 2030 24:04:05 GMT").isValid());
    EXPECT_FALSE(CookieDate::parse("Wed, 02 Jan 1600 03:04:05 GMT").isValid());
    EXPECT_FALSE(CookieDate::parse("02 Jan 2030").isValid());
}

namespace {

QStringList namesIn(const CookieJar &jar)
{
    QStringList names;
    for (const StoredCookie &cookie : jar.cookies())
        names.append(cookie.name);
    return names;
}

} // namespace

TEST(CookieLimitsTest, PastFiftyADomainTheCookieCreatedFirstGoes)
{
    CookieJar jar;
    jar.take("first=1", "h.example", "/", Now);
    for (int i = 1; i < 50; ++i)
        jar.take(QStringLiteral("c%1=1").arg(i), "h.example", "/", Now.addSecs(i));
    // Replacing keeps the creation time, so the first cookie is still the oldest.
    jar.take("first=2", "h.example", "/", Now.addSecs(100));
    jar.take("other=1", "other.example", "/", Now.addSecs(100));
    EXPECT_EQ(jar.cookies().size(), 51);
    jar.take("newest=1", "h.example", "/", Now.addSecs(101));
    QStringList names = namesIn(jar);
    EXPECT_EQ(names.size(), 51);
    EXPECT_FALSE(names.contains("first"));
    EXPECT_TRUE(names.contains("newest"));
    EXPECT_TRUE(names.contains("other"));
    jar.take("newer=1", "h.example", "/", Now.addSecs(102));
    names = namesIn(jar);
    EXPECT_FALSE(names.contains("c1"));
    EXPECT_TRUE(names.contains("c2"));
    // Cookies of the same moment go in the order they came.
    CookieJar sameMoment;
    for (int i = 0; i < 60; ++i)
        sameMoment.take(QStringLiteral("s%1=1").arg(i), "h.example", "/", Now);
    EXPECT_EQ(namesIn(sameMoment).first(), "s10");
    EXPECT_EQ(namesIn(sameMoment).last(), "s59");
}

TEST(CookieLimitsTest, PastThreeThousandInAllTheCookieCreatedFirstGoes)
{
    CookieJar jar;
    for (int domain = 0; domain < 61; ++domain) {
        for (int i = 0; i < 50; ++i)
            jar.take(QStringLiteral("c%1=v").arg(i), QStringLiteral("d%1.example").arg(domain), "/",
                     Now.addSecs(domain * 50 + i));
    }
    EXPECT_EQ(jar.cookies().size(), CookieJar::MaxCookies);
    // The first fifty were created first, so they made room for the last fifty.
    EXPECT_EQ(jar.cookies().first().domain, "d1.example");
    EXPECT_EQ(jar.cookieHeader("d0.example", "/", false, Now.addDays(1)), "");
    EXPECT_FALSE(jar.cookieHeader("d60.example", "/", false, Now.addDays(1)).isEmpty());
}

TEST(CookieLimitsTest, ACookieLongerThan4096CharactersIsIgnored)
{
    CookieJar jar;
    jar.take("a=" + QString(4094, u'x'), "h", "/", Now);
    jar.take("b=" + QString(4095, u'x'), "h", "/", Now);
    // Attributes count too.
    jar.take("c=" + QString(4087, u'x') + "; Path=/", "h", "/", Now);
    ASSERT_EQ(namesIn(jar), QStringList({"a"}));
    EXPECT_EQ(jar.cookies().at(0).value.size(), 4094);
}

TEST(CookieLimitsTest, AHostileAnswerLeavesTheNextRequestSmall)
{
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n";
    for (int i = 0; i < 20000; ++i)
        head += "Set-Cookie: c" + QByteArray::number(i) + "=value; Path=/\r\n";
    InMemoryChannel channel;
    channel.addConnection(head + "\r\n");
    channel.addConnection(Plain);
    HttpClient client(channel);
    client.Get("http://gw.example/");
    client.Get("http://gw.example/");
    const QByteArray cookies = cookieHeaderOf(channel.written(1));
    EXPECT_EQ(cookies.count(';') + 1, CookieJar::MaxCookiesPerDomain);
    EXPECT_TRUE(cookies.startsWith("c19950=value; ")) << cookies.left(40).constData();
    EXPECT_TRUE(cookies.endsWith("; c19999=value"));
}

TEST(CookieTest, InternationalHostsMatchDomainsInTheirAsciiForm)
{
    // The server can only name its domain in ASCII; the address holds the Unicode name.
    InMemoryChannel channel;
    channel.addConnection(answerSetting("Set-Cookie: d=1; Domain=xn--e1afmkfd.xn--p1ai\r\n"
                                        "Set-Cookie: h=2\r\n"));
    channel.addConnection(Plain);
    channel.addConnection(Plain);
    HttpClient client(channel);
    client.Get(QString::fromUtf8("http://www.пример.рф/"));
    ASSERT_EQ(client.cookieJar()->cookies().size(), 2);
    EXPECT_EQ(client.cookieJar()->cookies().at(0).domain, "xn--e1afmkfd.xn--p1ai");
    client.Get(QString::fromUtf8("http://api.ПРИМЕР.рф/"));
    EXPECT_EQ(cookieHeaderOf(channel.written(1)), "d=1");
    client.Get(QString::fromUtf8("http://www.пример.рф/"));
    EXPECT_EQ(cookieHeaderOf(channel.written(2)), "d=1; h=2");

    CookieJar jar;
    jar.take(QString::fromUtf8("u=1; Domain=пример.рф"), "www.xn--e1afmkfd.xn--p1ai", "/", Now);
    jar.take(QString::fromUtf8("bad=1; Domain=\uFFFD.рф"), QString::fromUtf8("x.пример.рф"), "/",
             Now);
    EXPECT_EQ(namesIn(jar), QStringList({"u"}));
}

TEST(CookieTest, ADomainThatIsAPublicSuffixIsRefusedUnlessItIsTheHostItself)
{
    struct Case
    {
        const char *setCookie;
        const char *host;
        const char *storedDomain; // nullptr: refused
        bool hostOnly;
    };
    const Case cases[] = {
        {"a=1; Domain=com", "evil.com", nullptr, false},
        {"a=1; Domain=.COM", "evil.com", nullptr, false},
        {"a=1; Domain=ru", "clck.ru", nullptr, false},
        {"a=1; Domain=co.uk", "shop.co.uk", nullptr, false},
        {"a=1; Domain=github.io", "evil.github.io", nullptr, false}, // a suffix of a host service
        {"a=1; Domain=xn--p1ai", "xn--e1afmkfd.xn--p1ai", nullptr, false},
        {"a=1; Domain=\xD1\x80\xD1\x84", "xn--e1afmkfd.xn--p1ai", nullptr, false},
        {"a=1; Domain=com.", "evil.com.", nullptr, false},
        {"a=1; Domain=example", "h.example", nullptr, false}, // unknown, one label
        {"a=1; Domain=github.io", "github.io", "github.io", true},
        {"a=1; Domain=localhost", "LocalHost", "localhost", true},
        {"a=1; Domain=aliexpress.com", "api-sg.aliexpress.com", "aliexpress.com", false},
        {"a=1; Domain=evil.github.io", "www.evil.github.io", "evil.github.io", false},
        {"a=1; Domain=127.0.0.1", "127.0.0.1", "127.0.0.1", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.setCookie) + " from " + c.host);
        CookieJar jar;
        jar.take(QString::fromUtf8(c.setCookie), c.host, "/", Now);
        if (!c.storedDomain) {
            EXPECT_TRUE(jar.cookies().isEmpty());
            continue;
        }
        ASSERT_EQ(jar.cookies().size(), 1);
        EXPECT_EQ(jar.cookies().at(0).domain, c.storedDomain);
        EXPECT_EQ(jar.cookies().at(0).hostOnly, c.hostOnly);
        EXPECT_EQ(jar.cookieHeader(c.host, "/", false, Now), "a=1");
        EXPECT_EQ(jar.cookieHeader(QStringLiteral("x.") + c.storedDomain, "/", false, Now),
                  QLatin1String(c.hostOnly ? "" : "a=1"));
    }
}

TEST(CookieLimitsTest, TheCookieHeaderKeepsTo8KiBLeavingOutTheOldest)
{
    struct Planted
    {
        const char *name;
        qsizetype valueLength;
        int second; // of creation, after Now
        const char *requestPath = "/";
        QChar fill = u'x';
    };
    struct Case
    {
        const char *what;
        QList<Planted> planted;
        QStringList sent;
    };
    const QChar odd(0xFFFD); // nine bytes as sent
    const QList<Case> cases = {
        {"exactly the limit", {{"a", 4092, 0}, {"b", 4094, 1}}, {"a", "b"}},
        {"a byte over", {{"a", 4093, 0}, {"b", 4094, 1}}, {"b"}},
        {"the rest in the usual order",
         {{"o0", 3000, 0}, {"o1", 3000, 1}, {"n2", 3000, 3}, {"n3", 3000, 2, "/a/b/doc"}},
         {"n3", "n2"}},
        {"a replacement keeps its age",
         {{"r0", 3000, 0}, {"r1", 3000, 1}, {"r2", 3000, 2}, {"r0", 3000, 5}},
         {"r1", "r2"}},
        {"of one moment the first stored goes first",
         {{"s0", 3000, 0}, {"s1", 3000, 0}, {"s2", 3000, 0}},
         {"s1", "s2"}},
        {"counted as sent", {{"a", 10, 0}, {"b", 910, 1, "/", odd}}, {"b"}},
        {"one too long alone leaves the older",
         {{"a", 10, 0}, {"b", 1000, 1, "/", odd}, {"c", 10, 2}},
         {"a", "c"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CookieJar jar;
        for (const Planted &p : c.planted)
            jar.take(QString::fromLatin1(p.name) + u'=' + QString(p.valueLength, p.fill), "h",
                     p.requestPath, Now.addSecs(p.second));
        const QString header = jar.cookieHeader("h", "/a/b/c", false, Now.addSecs(10));
        QStringList sent;
        for (const QString &pair : header.split(QStringLiteral("; "), Qt::SkipEmptyParts))
            sent.append(pair.section(u'=', 0, 0));
        EXPECT_EQ(sent, c.sent);
        EXPECT_LE(WireText::escapeHeaderValue(header).size(), CookieJar::MaxCookieHeaderBytes);
    }
}

TEST(CookieLimitsTest, AHostileHopCanNeitherReachOtherSitesNorSwellTheirRequests)
{
    // A short link's hop plants big cookies for the whole of "com"; a shop's own hop for the
    // shop's domain.
    QByteArray forCom;
    QByteArray forShop;
    for (int i = 0; i < 50; ++i) {
        const QByteArray value = '=' + QByteArray(3900, 'v');
        forCom += "Set-Cookie: com" + QByteArray::number(i) + value + "; Domain=com\r\n";
        forShop +=
            "Set-Cookie: shop" + QByteArray::number(i) + value + "; Domain=aliexpress.com\r\n";
    }
    InMemoryChannel channel;
    channel.addConnection(answerSetting(forCom));
    channel.addConnection(answerSetting(forShop));
    channel.addConnection(Plain);
    HttpClient client(channel);
    client.Get("http://evil.com/x");
    client.Get("http://s.aliexpress.com/x");
    client.Get("http://api-sg.aliexpress.com/sync");
    EXPECT_EQ(cookieHeaderOf(channel.written(1)), "");
    const QByteArray cookies = cookieHeaderOf(channel.written(2));
    EXPECT_LE(cookies.size(), CookieJar::MaxCookieHeaderBytes);
    EXPECT_TRUE(cookies.startsWith("shop48=")) << cookies.left(10).constData();
    EXPECT_EQ(cookies.count(';'), 1);
}
