#include "AnswerText.h"
#include "ExpectedMeanings.h"
#include "LoopbackServices.h"
#include "RecordingView.h"

#include "TemporaryDataDirectory.h"
#include "TestCertificates.h"
#include "http/HttpClient.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <QFile>
#include <QLocale>

#include <gtest/gtest.h>

using AnswerText::answer;
using AnswerText::element;

namespace {

const QString Empty;
const QString Ok = QStringLiteral("Статус ответа: 20010000");
const QString NoKey = QStringLiteral("Необходим API KEY. Зайдите в настроки программы.");
const QString RequestFailed = QStringLiteral("Проблемы с получением данных с API aliexpress");
const QString NotObject = QStringLiteral("Проблемы с данными получеными от API aliexpress");
const QString ParseFailed = QStringLiteral("Проблемы при разборе данных. Это к разработчику :)");
const QString WrongStatus =
    QStringLiteral("Не корректный статус ответа от API, нужен \"20010000\"");
const QString ShortFailed = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString OldApi =
    QStringLiteral("Используется старый API AliExpress: portals.open api.getPromotionLinks");
const QString ApiPath = QStringLiteral("/openapi/param2/2/portals.open/api.getPromotionLinks/");

QString total(const QString &text)
{
    return QStringLiteral("Всего данных (ali): ") + text;
}
QString count(const QString &text)
{
    return QStringLiteral("Всего данных (факт): ") + text;
}
QString forUrl(const QString &url)
{
    return QStringLiteral("Для ссылки: ") + url;
}
QString partner(const QString &link)
{
    return QStringLiteral("Партнёрская: ") + link;
}
QString shortLine(const QString &link)
{
    return QStringLiteral("Короткая партнёрская от Яндекса: ") + link;
}
QStringList headLines(const QString &ali, const QString &fact)
{
    return {Ok, Empty, total(ali), Empty, count(fact), Empty};
}

LoopbackServices::Reply json(const std::string &body)
{
    return {200, body};
}

// The shortener answers "short:" and the address it was given, so that each post is seen.
LoopbackServices::Reply echoShortLink(const LoopbackServices::Received &request)
{
    const auto url = request.params.find("url");
    return {200, "https://clck.ru/short:" + (url == request.params.end() ? "?" : url->second),
            "text/plain; charset=utf-8"};
}

const std::string LinkA = "https://s.click.aliexpress.com/e/_aaa";
const std::string LinkB = "https://s.click.aliexpress.com/e/_bbb";
const std::string LinkC = "https://s.click.aliexpress.com/e/_ccc";

class GeneratePartnerLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppParams.api_key = QStringLiteral("12345");
        view.trackingId = QStringLiteral("track1");
        view.pageUrl = QStringLiteral("http://aliexpress.ru/item/1.html");
        servers.answerShortener(echoShortLink);
    }
    void TearDown() override { AppParams.api_key.clear(); }

    void run() { GeneratePartnerLink(view.request(), view, http, servers.services()); }
    // The log of the last run after its first line, which names the API the run used.
    QStringList runLog() const
    {
        EXPECT_EQ(view.log.value(0), OldApi);
        return view.log.mid(1);
    }
    QString expectedUrl(const QString &key, const QString &trackingId, const QString &page) const
    {
        return servers.services().apiGateway + ApiPath + key +
               QStringLiteral("?fields=promotionUrls&trackingId=") + trackingId +
               QStringLiteral("&urls=") + page;
    }

    LoopbackServices servers;
    TlsChannel channel;
    HttpClient http{channel};
    RecordingView view;
};

TEST_F(GeneratePartnerLinkTest, OneElementIsLoggedShownAndShortened)
{
    const std::string body = answer("1", {element("http://aliexpress.ru/item/1.html", LinkA)});
    servers.answerApi(json(body));
    run();

    EXPECT_EQ(
        runLog(),
        (headLines("1", "1") +
         QStringList{forUrl("http://aliexpress.ru/item/1.html"),
                     partner(QString::fromStdString(LinkA)),
                     shortLine("https://clck.ru/short:" + QString::fromStdString(LinkA)), Empty}));
    EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkA));
    EXPECT_EQ(view.shortLink, "https://clck.ru/short:" + QString::fromStdString(LinkA));
    EXPECT_EQ(view.rawAnswer, QString::fromStdString(body));
    EXPECT_EQ(view.requestUrl, expectedUrl("12345", "track1", "http://aliexpress.ru/item/1.html"));

    const auto api = servers.apiRequests();
    ASSERT_EQ(api.size(), 1u);
    EXPECT_EQ(api[0].path, ApiPath.toStdString() + "12345");
    EXPECT_EQ(api[0].target, ApiPath.toStdString() +
                                 "12345?fields=promotionUrls&trackingId=track1&urls=http://"
                                 "aliexpress.ru/item/1.html");
    const auto posts = servers.shortenerRequests();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].path, "/--");
    EXPECT_EQ(posts[0].body, "url=https%3A%2F%2Fs.click.aliexpress.com%2Fe%2F_aaa");
}

TEST_F(GeneratePartnerLinkTest, OneRunCallsTheWindowInThisOrder)
{
    servers.answerApi(json(answer("1", {element("u", LinkA)})));
    run();

    const QString link = QString::fromStdString(LinkA);
    const QString shortLink = "https://clck.ru/short:" + link;
    const QStringList expected{
        "clearLog",
        "setPartnerLink: ",
        "setShortLink: ",
        "setPartnerLinkToolTip: ",
        "AddLog: " + OldApi,
        "setRequestUrl: " + expectedUrl("12345", "track1", view.pageUrl),
        "setRawAnswer: " + view.rawAnswer,
        "AddLog: " + Ok,
        "AddLog: ",
        "AddLog: " + total("1"),
        "AddLog: ",
        "AddLog: " + count("1"),
        "AddLog: ",
        "AddLog: " + forUrl("u"),
        "AddLog: " + partner(link),
        "setPartnerLink: " + link,
        "setShortLink: " + shortLink,
        "AddLog: " + shortLine(shortLink),
        "AddLog: ",
    };
    EXPECT_EQ(view.calls, expected);
}

TEST_F(GeneratePartnerLinkTest, SeveralElementsAreWalkedInOrderAndTheLastIsShortened)
{
    servers.answerApi(
        json(answer("3", {element("u1", LinkA), element("u2", LinkB), element("u3", LinkC)})));
    run();

    const QString c = QString::fromStdString(LinkC);
    EXPECT_EQ(runLog(),
              (headLines("3", "3") +
               QStringList{forUrl("u1"), partner(QString::fromStdString(LinkA)), forUrl("u2"),
                           partner(QString::fromStdString(LinkB)), forUrl("u3"), partner(c),
                           shortLine("https://clck.ru/short:" + c), Empty}));
    EXPECT_EQ(view.partnerLink, c);
    EXPECT_EQ(view.calls.filter("setPartnerLink:").size(), 4);
    const auto posts = servers.shortenerRequests();
    ASSERT_EQ(posts.size(), 1u);
    EXPECT_EQ(posts[0].params.find("url")->second, LinkC);
}

TEST_F(GeneratePartnerLinkTest, TotalGivenAsStringWalksTheElements)
{
    servers.answerApi(json(answer(R"("2")", {element("u1", LinkA), element("u2", LinkB)})));
    run();

    EXPECT_EQ(runLog().mid(0, 6), headLines("2", "2"));
    EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkB));
    ASSERT_EQ(servers.shortenerRequests().size(), 1u);
    EXPECT_EQ(servers.shortenerRequests()[0].params.find("url")->second, LinkB);
}

TEST_F(GeneratePartnerLinkTest, MissingKeyEndsTheRunBeforeAnyRequest)
{
    for (const QString &key : {QString(), QStringLiteral(" \t\r\n"), QStringLiteral("\x01 \x1f")}) {
        AppParams.api_key = key;
        view = RecordingView();
        view.shortLink = QStringLiteral("https://clck.ru/earlier");
        view.rawAnswer = QStringLiteral("earlier answer");
        view.requestUrl = QStringLiteral("earlier url");
        run();

        EXPECT_EQ(view.log, (QStringList{NoKey, Empty}));
        // Neither input is read and no hidden outlet is touched; both links are emptied.
        EXPECT_EQ(view.calls,
                  (QStringList{"clearLog", "setPartnerLink: ", "setShortLink: ",
                               "setPartnerLinkToolTip: ", "AddLog: " + NoKey, "AddLog: "}));
        EXPECT_EQ(view.shortLink, QString());
        EXPECT_EQ(view.rawAnswer, "earlier answer");
        EXPECT_EQ(view.requestUrl, "earlier url");
    }
    EXPECT_TRUE(servers.apiRequests().empty());
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, KeyAndInputsAreSentUntrimmed)
{
    AppParams.api_key = QStringLiteral(" 123 ");
    view.trackingId = QStringLiteral(" t1 ");
    view.pageUrl = QStringLiteral(" http://aliexpress.ru/item/2.html");
    servers.answerApi(json(answer("0", {})));
    run();

    EXPECT_EQ(view.requestUrl, expectedUrl(" 123 ", " t1 ", " http://aliexpress.ru/item/2.html"));
    const auto api = servers.apiRequests();
    ASSERT_EQ(api.size(), 1u);
    EXPECT_EQ(api[0].path, ApiPath.toStdString() + " 123 ");
    EXPECT_EQ(api[0].params.find("trackingId")->second, " t1 ");
}

TEST_F(GeneratePartnerLinkTest, FailedRequestLogsItsStatusLineAndKeepsTheEarlierAnswer)
{
    const std::string first = answer("1", {element("u1", LinkA)});
    servers.answerApi(json(first));
    run();
    ASSERT_EQ(view.rawAnswer, QString::fromStdString(first));

    servers.answerApi(LoopbackServices::Reply{500, "broken", "text/plain"});
    view.trackingId = QStringLiteral("track2");
    run();

    EXPECT_EQ(runLog(), (QStringList{RequestFailed, "HTTP/1.1 500 Internal Server Error",
                                     ExpectedMeanings::ServerError}));
    EXPECT_EQ(view.requestUrl, expectedUrl("12345", "track2", view.pageUrl));
    EXPECT_EQ(view.rawAnswer, QString::fromStdString(first));
    EXPECT_EQ(view.partnerLink, QString());
    // The first run's short link is gone with its partner link; no second post was made.
    EXPECT_EQ(view.shortLink, QString());
    EXPECT_EQ(servers.shortenerRequests().size(), 1u);
}

TEST_F(GeneratePartnerLinkTest, UnreachableApiLogsTheSocketErrorAsOneEntry)
{
    GeneratePartnerLink(view.request(), view, http, servers.servicesWithClosedApiPort());

    ASSERT_EQ(runLog().size(), 3);
    EXPECT_EQ(runLog()[0], RequestFailed);
    EXPECT_TRUE(runLog()[1].startsWith("Socket Error # 10061\r\n")) << runLog()[1].toStdString();
    EXPECT_EQ(runLog()[2], ExpectedMeanings::Refused);
    EXPECT_TRUE(view.requestUrl.contains(ApiPath + "12345?fields="));
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, AnswerThatIsNotJsonIsAParsingFailure)
{
    for (const std::string &body :
         {std::string(), std::string("<html><body>Service maintenance</body></html>"),
          std::string(R"({"errorCode":20010000,"result":{)"), std::string("{} {}"),
          std::string("{}\n-->")}) {
        servers.answerApi(LoopbackServices::Reply{200, body, "text/html"});
        run();
        EXPECT_EQ(runLog(), (QStringList{ParseFailed, Empty})) << body;
        EXPECT_EQ(view.rawAnswer, QString::fromStdString(body));
    }
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, JsonOtherThanAnObjectGetsItsOwnSingleLine)
{
    for (const char *body : {"[]", R"("20010000")", "20010000", "true", " null "}) {
        servers.answerApi(json(body));
        run();
        EXPECT_EQ(runLog(), QStringList{NotObject}) << body;
    }
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, StatusOtherThanSuccessEndsTheRun)
{
    servers.answerApi(json(R"({"errorCode":20030000,"result":{}})"));
    run();
    // A code the gateway is known to send gets one line saying what it means.
    EXPECT_EQ(runLog(), (QStringList{"Статус ответа: 20030000", Empty, WrongStatus,
                                     "Код 20030000: API KEY не принят. Проверьте ключ в "
                                     "настройках программы.",
                                     Empty}));
    servers.answerApi(json(R"({"errorCode":" 20030070 "})"));
    run();
    ASSERT_EQ(runLog().size(), 5);
    EXPECT_EQ(runLog().at(3), "Код 20030070: Tracking ID не принят. Проверьте его на AliExpress.");
    for (const char *known : {"20020000", "20030010", "20030020", "20030030", "20030040",
                              "20030050", "20030060", "20030080"}) {
        servers.answerApi(json(std::string(R"({"errorCode":)") + known + "}"));
        run();
        ASSERT_EQ(runLog().size(), 5) << known;
        EXPECT_TRUE(runLog().at(3).startsWith(QStringLiteral("Код %1: ").arg(known))) << known;
    }
    // An unknown code gets none.
    servers.answerApi(json(R"({"errorCode":20039999,"result":{}})"));
    run();
    EXPECT_EQ(runLog(), (QStringList{"Статус ответа: 20039999", Empty, WrongStatus, Empty}));

    // An object as the status reads as empty text.
    servers.answerApi(json(R"({"errorCode":{"code":20010000}})"));
    run();
    EXPECT_EQ(runLog(), (QStringList{"Статус ответа: ", Empty, WrongStatus, Empty}));
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, StatusPassesAsNumberStringPaddedStringOrIntegralDouble)
{
    const std::vector<std::pair<std::string, QString>> statuses{
        {"20010000", "20010000"},
        {R"("20010000")", "20010000"},
        // Shown as read, but for its control characters.
        {R"(" 20010000\t")", " 20010000"},
        {"20010000.0", "20010000"},
        {"2.001E7", "20010000"},
    };
    for (const auto &[status, shown] : statuses) {
        servers.answerApi(json(answer("1", {element("u1", LinkA)}, status)));
        run();
        ASSERT_EQ(runLog().size(), 10) << status;
        EXPECT_EQ(runLog()[0], "Статус ответа: " + shown);
        EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkA));
    }
}

TEST_F(GeneratePartnerLinkTest, TotalDifferingFromTheCountReadsNoElementButStillShortens)
{
    const std::vector<std::tuple<std::string, std::vector<std::string>, QString, QString>> cases{
        {"3", {element("u1", LinkA), element("u2", LinkB)}, "3", "2"},
        {"0", {}, "0", "0"},
        {"null", {element("u1", LinkA)}, "null", "1"},
        {"1.5", {element("u1", LinkA)}, "1" + QLocale::system().decimalPoint() + "5", "1"},
        // The total is compared as it came, blanks included.
        {R"(" 1")", {element("u1", LinkA)}, " 1", "1"},
        {R"("1 ")", {element("u1", LinkA)}, "1 ", "1"},
        {R"("01")", {element("u1", LinkA)}, "01", "1"},
    };
    for (const auto &[totalJson, elements, ali, fact] : cases) {
        view = RecordingView();
        servers.answerApi(json(answer(totalJson, elements)));
        run();
        EXPECT_EQ(runLog(),
                  (headLines(ali, fact) + QStringList{shortLine("https://clck.ru/short:"), Empty}));
        EXPECT_EQ(view.partnerLink, QString());
        EXPECT_EQ(view.calls.filter("setPartnerLink:").size(), 1);
        EXPECT_EQ(view.shortLink, "https://clck.ru/short:");
        // The empty link still goes out, as the 4-byte form "url=".
        EXPECT_EQ(servers.shortenerRequests().back().body, "url=");
    }
}

TEST_F(GeneratePartnerLinkTest, FailedShortLinkRequestLeavesNoEarlierShortLink)
{
    view.shortLink = QStringLiteral("https://clck.ru/earlier");
    servers.answerApi(json(answer("1", {element("u1", LinkA)})));
    servers.answerShortener(LoopbackServices::Reply{503, "busy", "text/plain"});
    run();

    EXPECT_EQ(runLog(),
              (headLines("1", "1") +
               QStringList{forUrl("u1"), partner(QString::fromStdString(LinkA)), ShortFailed}));
    EXPECT_EQ(view.shortLink, QString());
    EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkA));
    EXPECT_EQ(view.calls.filter("setShortLink"), QStringList{"setShortLink: "});
}

TEST_F(GeneratePartnerLinkTest, RunEndingBeforeTheShortLinkEmptiesTheEarlierShortLink)
{
    servers.answerApi(json(answer("1", {element("u1", LinkA)})));
    run();
    const QString earlier = view.shortLink;
    ASSERT_FALSE(earlier.isEmpty());

    servers.answerApi(json(answer("1", {element("u1", LinkB)}, "20030070")));
    run();
    EXPECT_EQ(view.shortLink, QString());
    EXPECT_EQ(view.partnerLink, QString());
}

TEST_F(GeneratePartnerLinkTest, ParsingFailureAfterSomeElementsKeepsWhatWasRead)
{
    servers.answerApi(
        json(answer("2", {element("u1", LinkA), R"({"url":"u2","promotionURL":"wrong case"})"})));
    run();

    const QString a = QString::fromStdString(LinkA);
    EXPECT_EQ(runLog(), (headLines("2", "2") +
                         QStringList{forUrl("u1"), partner(a), forUrl("u2"), ParseFailed, Empty}));
    EXPECT_EQ(view.partnerLink, a);
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(GeneratePartnerLinkTest, EveryMissingOrMisshapenMemberIsAParsingFailure)
{
    const QStringList status{Ok, Empty};
    const QStringList totals = headLines("1", "1").mid(0, 4);
    const std::vector<std::pair<std::string, QStringList>> cases{
        {R"({"ErrorCode":20010000})", {}},
        {R"({"errorCode":20010000})", status},
        {R"({"errorCode":20010000,"result":[]})", status},
        {R"({"errorCode":20010000,"result":{"promotionUrls":[]}})", status},
        {R"({"errorCode":20010000,"result":{"totalResults":1}})", totals},
        {R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":{}}})", totals},
        {R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":["x"]}})",
         headLines("1", "1")},
        {R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[{"promotionUrl":"p"}]}})",
         headLines("1", "1")},
    };
    for (const auto &[body, before] : cases) {
        servers.answerApi(json(body));
        run();
        EXPECT_EQ(runLog(), (before + QStringList{ParseFailed, Empty})) << body;
    }
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST(GeneratePartnerLinkOverTls, ShortLinkIsPostedThroughAVerifiedTlsChannel)
{
    TemporaryDataDirectory directory;
    const TestCertificate &leaf = TestCertificates::localhost();
    const QString certificate = directory.filePath("leaf.pem");
    const QString key = directory.filePath("leaf-key.pem");
    for (const auto &[path, pem] :
         {std::pair{certificate, leaf.certificatePem}, std::pair{key, leaf.privateKeyPem}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pem);
    }
    LoopbackServices servers(std::make_unique<httplib::SSLServer>(
        certificate.toLocal8Bit().constData(), key.toLocal8Bit().constData()));
    servers.answerApi(json(answer("1", {element("u1", LinkA)})));
    servers.answerShortener(echoShortLink);

    TlsChannel channel;
    channel.setExtraCaFile(TestCertificates::writeAuthorityFile(directory.path()));
    HttpClient http(channel);
    RecordingView view;
    AppParams.api_key = QStringLiteral("777");
    GeneratePartnerLink(view.request(), view, http, servers.services());
    AppParams.api_key.clear();

    ASSERT_TRUE(servers.services().shortener.startsWith("https://localhost:"));
    EXPECT_EQ(view.shortLink, "https://clck.ru/short:" + QString::fromStdString(LinkA));
    EXPECT_EQ(view.log.back(), Empty);
    EXPECT_EQ(servers.shortenerRequests().size(), 1u);
}

TEST(LinkServicesTest, BuildAddressesAreTheConfiguredOnes)
{
    const LinkServices services = LinkServices::fromBuild();
    EXPECT_TRUE(services.apiGateway.startsWith("http://")) << services.apiGateway.toStdString();
    EXPECT_TRUE(services.shortener.startsWith("https://")) << services.shortener.toStdString();
    EXPECT_FALSE(services.apiGateway.endsWith('/'));
    EXPECT_FALSE(services.shortener.endsWith('/'));
    // The Open Platform is reached over TLS only, "/sync" appended.
    EXPECT_TRUE(services.openPlatform.startsWith("https://"))
        << services.openPlatform.toStdString();
    EXPECT_FALSE(services.openPlatform.endsWith('/'));
}

} // namespace
