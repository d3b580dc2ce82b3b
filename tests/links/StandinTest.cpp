#include "ExpectedMeanings.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/GatewayStatus.h"
#include "links/KeyCheck.h"
#include "links/OpenPlatformRequest.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <QDateTime>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <string>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const QString Empty;
const QString ShortFailed = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString ParseFailed = QStringLiteral("Проблемы при разборе данных. Это к разработчику :)");
const QString WrongStatus =
    QStringLiteral("Не корректный статус ответа от API, нужен \"20010000\"");

// The real lumetta-standin, on ports the system picks, stopped when the test ends. Its first
// line holds the three addresses; the next two its App Key and App Secret.
class StandinProcess
{
public:
    StandinProcess()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        char *argv[] = {const_cast<char *>(LUMETTA_STANDIN_PROGRAM), nullptr};
        if (posix_spawn(&m_pid, LUMETTA_STANDIN_PROGRAM, &actions, nullptr, argv, environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        m_output = ::fdopen(fds[0], "r");
        const QStringList addresses = QString::fromStdString(readLine()).split(' ');
        if (addresses.size() == 3)
            m_services = {addresses[0], addresses[1], addresses[2]};
        m_appKeyLine = readLine();
        m_appSecretLine = readLine();
    }
    ~StandinProcess()
    {
        stop();
        if (m_output)
            ::fclose(m_output);
    }

    const LinkServices &services() const { return m_services; }
    const std::string &appKeyLine() const { return m_appKeyLine; }
    const std::string &appSecretLine() const { return m_appSecretLine; }

    // Stops the process and gives the lines it wrote after the first three.
    std::vector<std::string> stop()
    {
        std::vector<std::string> lines;
        if (m_pid <= 0)
            return lines;
        ::kill(m_pid, SIGTERM);
        for (std::string line = readLine(); !line.empty(); line = readLine())
            lines.push_back(line);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
        return lines;
    }

private:
    std::string readLine()
    {
        std::string line;
        for (int c = std::fgetc(m_output); c != EOF && c != '\n'; c = std::fgetc(m_output))
            line += char(c);
        return line;
    }

    pid_t m_pid = -1;
    std::FILE *m_output = nullptr;
    LinkServices m_services;
    std::string m_appKeyLine;
    std::string m_appSecretLine;
};

class StandinTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(standin.services().shortener.startsWith("https://localhost:"));
        channel.setExtraCaFile(QStringLiteral(LUMETTA_STANDIN_CA));
        view.pageUrl = QStringLiteral("http://aliexpress.ru/item/1.html");
    }
    void TearDown() override { AppParams = TParametrs(); }

    QStringList run(const QString &key, const QString &trackingId)
    {
        AppParams.api_key = key;
        view.trackingId = trackingId;
        GeneratePartnerLink(view.request(), view, http, standin.services());
        if (!AppParams.app_secret.isEmpty())
            return view.log;
        // The old API's runs: their first line names it; the rest is what is checked.
        EXPECT_EQ(view.log.value(0),
                  "Используется старый API AliExpress: portals.open api.getPromotionLinks");
        return view.log.mid(1);
    }

    StandinProcess standin;
    TlsChannel channel;
    HttpClient http{channel};
    RecordingView view;
};

TEST_F(StandinTest, GivesOneDeterministicLinkPerPageAddressAndShortensIt)
{
    view.pageUrl =
        QStringLiteral("http://aliexpress.ru/item/1.html,https://aliexpress.ru/item/2.html");
    const QStringList first = run("12345", "track1");
    ASSERT_EQ(first.size(), 12) << first.join('|').toStdString();
    EXPECT_EQ(first[0], "Статус ответа: 20010000");
    EXPECT_EQ(first[4], "Всего данных (факт): 2");
    EXPECT_EQ(first[6], "Для ссылки: http://aliexpress.ru/item/1.html");
    EXPECT_TRUE(first[7].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    EXPECT_EQ(first[8], "Для ссылки: https://aliexpress.ru/item/2.html");
    EXPECT_NE(first[7], first[9]);
    EXPECT_TRUE(view.shortLink.startsWith(standin.services().shortener + "/"));

    EXPECT_EQ(run("12345", "track1"), first);
    EXPECT_NE(run("12345", "track2")[7], first[7]);

    // One line per request received, after the lines with the addresses and keys.
    EXPECT_EQ(standin.stop().size(), 6u);
}

TEST_F(StandinTest, GatewayErrorCodesFollowTheInputs)
{
    const std::vector<std::tuple<QString, QString, QString, QString>> cases{
        {"12a", "track1", view.pageUrl, "20030000"},
        {"12345", "", view.pageUrl, "20030010"},
        {"12345", "bad!id", view.pageUrl, "20030070"},
        {"12345", "track1", "ftp://aliexpress.ru/", "20030080"},
        {"12345", "track1", QString("http://a/,").repeated(50) + "http://a/", "20030080"},
        {"12345", "fail-system", view.pageUrl, "20020000"},
    };
    for (const auto &[key, trackingId, page, status] : cases) {
        view.pageUrl = page;
        // Every code the stand-in sends is one the log explains.
        const QString meaning = GatewayStatusMeaning(status);
        EXPECT_FALSE(meaning.isEmpty()) << status.toStdString();
        EXPECT_EQ(run(key, trackingId),
                  (QStringList{"Статус ответа: " + status, Empty, WrongStatus, meaning, Empty}))
            << trackingId.toStdString();
    }
}

TEST_F(StandinTest, FailureSwitchesShowEveryFailureLine)
{
    EXPECT_EQ(run("1", "fail-http"),
              (QStringList{"Проблемы с получением данных с API aliexpress",
                           "HTTP/1.1 500 Internal Server Error", ExpectedMeanings::ServerError}));
    EXPECT_EQ(run("1", "fail-html"), (QStringList{ParseFailed, Empty}));
    EXPECT_EQ(run("1", "fail-array"),
              QStringList{"Проблемы с данными получеными от API aliexpress"});

    const QStringList total = run("1", "fail-total");
    ASSERT_EQ(total.size(), 7);
    EXPECT_EQ(total[2], "Всего данных (ali): 2");
    EXPECT_EQ(total[4], "Всего данных (факт): 1");
    EXPECT_EQ(total[6], ShortFailed); // the empty link is refused

    const QStringList element = run("1", "fail-element");
    EXPECT_EQ(element.mid(6), (QStringList{"Для ссылки: " + view.pageUrl, ParseFailed, Empty}));

    const QStringList shortFails = run("1", "fail-short");
    ASSERT_EQ(shortFails.size(), 9);
    EXPECT_TRUE(shortFails[7].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    EXPECT_EQ(shortFails[8], ShortFailed);
}

TEST_F(StandinTest, PageAddressWithAQueryIsTakenWhole)
{
    view.pageUrl =
        QStringLiteral("http://aliexpress.ru/item/1005001.html?spm=a2g0o.detail.0&sku_id=12&x=a=b");
    const QStringList log = run("12345", "track1");
    ASSERT_EQ(log.size(), 10) << log.join('|').toStdString();
    EXPECT_EQ(log[6], "Для ссылки: " + view.pageUrl);
    EXPECT_TRUE(log[7].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    // The link depends on the whole address.
    view.pageUrl.chop(1);
    EXPECT_NE(run("12345", "track1").value(7), log[7]);
}

TEST_F(StandinTest, SecondStandinOnAPortInUseRefusesToStart)
{
    for (const auto &[option, address] :
         {std::pair{"--api-port", standin.services().apiGateway},
          std::pair{"--shortener-port", standin.services().shortener},
          std::pair{"--open-platform-port", standin.services().openPlatform}}) {
        QProcess second;
        second.start(QStringLiteral(LUMETTA_STANDIN_PROGRAM),
                     {QString::fromLatin1(option), address.section(u':', -1)});
        ASSERT_TRUE(second.waitForFinished(30000)) << option;
        EXPECT_EQ(second.exitCode(), 1) << option;
        const QString error = QString::fromUtf8(second.readAllStandardError());
        EXPECT_TRUE(error.contains("cannot listen on 127.0.0.1 port " + address.section(u':', -1) +
                                   ": it is in use"))
            << error.toStdString();
        EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
    }
    // The first one still answers.
    EXPECT_EQ(run("12345", "track1").value(0), "Статус ответа: 20010000");
}

// The Open Platform over verified TLS, with the stand-in's own App Key and App Secret.
class StandinOpenPlatformTest : public StandinTest
{
protected:
    static inline const QString RequestNumber = QStringLiteral("Номер запроса для поддержки: №");
    // The log with each request number, a code the stand-in makes of the call, written as "№".
    static QStringList numbered(QStringList log)
    {
        static const QRegularExpression number(
            QStringLiteral("^(Номер запроса для поддержки: )[0-9A-Za-z]{13}$"));
        for (QString &line : log)
            line.replace(number, QStringLiteral("\\1№"));
        return log;
    }
    QStringList runSigned(const QString &trackingId, const QString &secret = DemoSecret)
    {
        AppParams.app_secret = secret;
        return run(DemoKey, trackingId);
    }
    // One call made by hand, with a timestamp offset from now.
    QString call(qint64 offsetMs)
    {
        OpenPlatformRequest request(QStringLiteral("aliexpress.affiliate.link.generate"), DemoKey,
                                    QDateTime::currentMSecsSinceEpoch() + offsetMs);
        request.set(QStringLiteral("promotion_link_type"), QStringLiteral("0"));
        request.set(QStringLiteral("source_values"), Item);
        request.set(QStringLiteral("tracking_id"), QStringLiteral("demo"));
        return http.Get(request.url(standin.services().openPlatform, DemoSecret));
    }

    static inline const QString DemoKey = QStringLiteral("12345678");
    static inline const QString DemoSecret = QStringLiteral("lumetta-demo-secret");
    static inline const QString Item = QStringLiteral("https://www.aliexpress.com/item/42.html");
};

TEST_F(StandinOpenPlatformTest, PrintsItsKeysAndGivesBothLinksAndTheFactsForAPageWithAQuery)
{
    EXPECT_EQ(standin.appKeyLine(), "Open Platform App Key: 12345678");
    EXPECT_EQ(standin.appSecretLine(), "Open Platform App Secret: lumetta-demo-secret");
    view.pageUrl =
        QStringLiteral("https://aliexpress.ru/item/42.html?spm=a2g0o.home.0&sku_id=12#n");
    AppParams.currency = QStringLiteral("EUR");
    const QStringList log = runSigned("demo");
    // The variant stays on the product's page; product 42 earns more by a hot link.
    const QString variant = Item + "?sku_id=12";
    ASSERT_EQ(log.size(), 21) << log.join('|').toStdString();
    EXPECT_EQ(log[1], "Товар 42, отправлен адрес его страницы: " + variant);
    EXPECT_EQ(log[3], "Комиссия для горячих товаров выше (9\u00A0% против 4\u00A0%): запрошена "
                      "горячая ссылка");
    EXPECT_EQ(log[4], "Статус ответа: 200");
    EXPECT_EQ(log[10], "Для ссылки: " + variant);
    EXPECT_TRUE(log[11].startsWith("Партнёрская: https://s.click.aliexpress.com/e/_"));
    EXPECT_EQ(log.mid(12, 7),
              (QStringList{"Товар: Демо-товар 42", log[13], "Комиссия: 9\u00A0% (горячая ссылка)",
                           log[15], log[16], "Магазин: Lumetta Demo Store", Empty}));
    EXPECT_TRUE(log[13].startsWith("Цена: ") && log[13].contains("\u00A0€ (без скидки "))
        << log[13].toStdString();
    EXPECT_EQ(view.partnerLinkToolTip, "Демо-товар 42");
    EXPECT_TRUE(view.shortLink.startsWith(standin.services().shortener + "/"));
    EXPECT_EQ(runSigned("demo"), log);
    EXPECT_NE(runSigned("demo2")[11], log[11]);
    // The prices are the buyer's country's; the link is for it too.
    AppParams.country = QStringLiteral("KZ");
    const QStringList kazakhstan = runSigned("demo");
    EXPECT_NE(kazakhstan[13], log[13]);
    EXPECT_NE(kazakhstan[11], log[11]);
    AppParams.country = QStringLiteral("RU");

    // The plain-array shapes with a string status read alike.
    const QStringList plain = runSigned("array-shape");
    EXPECT_TRUE(plain[11].startsWith("Партнёрская: https://"));
    EXPECT_EQ(plain.mid(12, 2), log.mid(12, 2));
    const std::vector<std::string> received = standin.stop();
    ASSERT_EQ(received.size(), 15u);
    for (const std::string &line : received)
        EXPECT_EQ(line.find("lumetta-demo-secret"), std::string::npos) << line;
}

TEST_F(StandinOpenPlatformTest, PastedShortLinkIsResolvedThroughTheSharePage)
{
    const QString shortLink = standin.services().openPlatform + QStringLiteral("/_demo");
    view.pageUrl = shortLink;
    const QStringList log = runSigned("demo");
    ASSERT_GE(log.size(), 5) << log.join('|').toStdString();
    EXPECT_TRUE(log[1].startsWith("Ссылка " + shortLink + " ведёт на " +
                                  standin.services().openPlatform +
                                  "/share/share.htm?platform=AE&redirectUrl=https%3A%2F%2F"))
        << log[1].toStdString();
    const QRegularExpression item(
        QStringLiteral("^Ссылка .* ведёт на https://www.aliexpress.com/item/(1005[0-9]{12})"
                       "\\.html\\?sourceType=620$"));
    const QRegularExpressionMatch match = item.match(log[2]);
    ASSERT_TRUE(match.hasMatch()) << log[2].toStdString();
    const QString id = match.captured(1);
    EXPECT_EQ(log[3], "Товар " + id + ", отправлен адрес его страницы: " +
                          "https://www.aliexpress.com/item/" + id + ".html");
    EXPECT_TRUE(log.contains("Товар: Демо-товар " + id));
    EXPECT_TRUE(view.partnerLink.startsWith("https://s.click.aliexpress.com/e/_"));
    EXPECT_FALSE(view.shortLink.isEmpty());
}

TEST_F(StandinOpenPlatformTest, EachRefusalIsLoggedWithTheServicesWords)
{
    EXPECT_EQ(numbered(runSigned("demo", "wrong").mid(3)),
              (QStringList{"Ошибка API aliexpress: IncompleteSignature: The request signature "
                           "does not conform to platform standards",
                           ExpectedMeanings::Signature, RequestNumber, Empty}));
    AppParams.app_secret = DemoSecret;
    EXPECT_EQ(numbered(run("999", "demo").mid(3)),
              (QStringList{"Ошибка API aliexpress: 29: Invalid app Key",
                           "Подробности: isv.appkey-not-exists: The App Key 999 is not known",
                           ExpectedMeanings::UnknownKey, RequestNumber, Empty}));
    EXPECT_EQ(numbered(runSigned("unregistered").mid(3)),
              (QStringList{"Статус ответа: 401", Empty,
                           "Не корректный статус ответа от API, нужен \"200\"",
                           "Сообщение API: This publisher is not registered",
                           ExpectedMeanings::NotPublisher, RequestNumber, Empty}));
    const QStringList none = runSigned("no-commission");
    // The address names product 1: a line for its page comes first.
    EXPECT_EQ(none.value(1),
              "Товар 1, отправлен адрес его страницы: https://www.aliexpress.com/item/1.html");
    // Without a link the run ends: nothing goes to the shortener.
    EXPECT_EQ(
        none.mid(9),
        (QStringList{"Партнёрской ссылки нет: товар не участвует в партнёрской программе", Empty}));
    EXPECT_TRUE(view.partnerLink.isEmpty());
    EXPECT_TRUE(view.shortLink.isEmpty());
}

TEST_F(StandinOpenPlatformTest, AddressesAndAnswersOfEveryKindAreAnsweredAsTheServiceDoes)
{
    const QString base = standin.services().openPlatform;
    const QString product = QStringLiteral("https://aliexpress.ru/item/1005003091506814.html");
    struct Case
    {
        QString page;
        QString trackingId;
        QStringList lines; // lines the log holds (as their start)
        bool shortened;
    };
    const Case cases[] = {
        {"https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1",
         "demo",
         {"Из адреса убраны параметры отслеживания (spm): "
          "https://www.aliexpress.com/wholesale?SearchText=thermos",
          "Для ссылки: https://www.aliexpress.com/wholesale?SearchText=thermos"},
         true},
        {"Смотри, что я нашёл на AliExpress: " + product + "?sku_id=12000003434&aff_fcid=x",
         "demo",
         {"Адрес взят из вставленного текста: " + product + "?sku_id=12000003434&aff_fcid=x",
          "Товар 1005003091506814, отправлен адрес его страницы: "
          "https://www.aliexpress.com/item/1005003091506814.html?sku_id=12000003434",
          "Товар: Демо-товар 1005003091506814"},
         true},
        {base + "/_metaDemo",
         "demo",
         {"Ссылка " + base + "/_metaDemo ведёт на " + base +
          "/share/share.htm?platform=AE&redirectUrl=https%3A%2F%2Fwww.aliexpress.com%2Fitem%2F"},
         true},
        {product,
         "bad-tracking",
         {"Партнёрской ссылки нет, сообщение API: The tracking id is invalid"},
         false},
        {product,
         "other-product",
         {"Партнёрской ссылки нет: ответ API о другом товаре (42)"},
         false},
        {product,
         "empty-result",
         {"Партнёрской ссылки нет: API не нашёл ничего по этому адресу",
          "Сообщение API: The result is empty"},
         false},
        {product,
         "call-limit",
         {"Ошибка API aliexpress: ApiCallLimit: The request has failed due to frequency limit"},
         false},
    };
    for (const Case &c : cases) {
        view.pageUrl = c.page;
        const QStringList log = runSigned(c.trackingId);
        for (const QString &line : c.lines) {
            EXPECT_TRUE(std::any_of(log.begin(), log.end(),
                                    [&line](const QString &l) { return l.startsWith(line); }))
                << line.toStdString() << "\n"
                << log.join('|').toStdString();
        }
        EXPECT_EQ(view.shortLink.startsWith(standin.services().shortener + "/"), c.shortened)
            << c.trackingId.toStdString() << ' ' << c.page.toStdString();
    }
}

TEST_F(StandinOpenPlatformTest, KeyCheckPassesOnlyTheStandinsOwnKeyAndSecret)
{
    const auto check = [this](const QString &key, const QString &secret) {
        KeyCheckResult result =
            CheckOpenPlatformKey(TParametrs{key, secret}, http, standin.services());
        result.lines = numbered(result.lines);
        return result;
    };
    const QString refused = QStringLiteral("Проверка не пройдена: Open Platform отклонил запрос.");
    const KeyCheckResult works = check(DemoKey, DemoSecret);
    EXPECT_TRUE(works.works);
    EXPECT_EQ(works.lines,
              QStringList{"Ключ и секрет подходят: Open Platform принял подписанный запрос."});
    const KeyCheckResult wrongSecret = check(DemoKey, QStringLiteral("wrong"));
    EXPECT_FALSE(wrongSecret.works);
    EXPECT_EQ(wrongSecret.lines,
              (QStringList{refused,
                           "Ошибка API aliexpress: IncompleteSignature: The request signature "
                           "does not conform to platform standards",
                           ExpectedMeanings::Signature, RequestNumber}));
    const KeyCheckResult otherKey = check(QStringLiteral("999"), DemoSecret);
    EXPECT_FALSE(otherKey.works);
    EXPECT_EQ(otherKey.lines.value(3), ExpectedMeanings::UnknownKey);
}

TEST_F(StandinOpenPlatformTest, PricesFollowTheChosenCurrency)
{
    // The whole amount (groups of digits), and the sign, the same for both prices.
    const QRegularExpression price(QStringLiteral(
        "^Цена: ([0-9\u00A0]+)(?:,[0-9]{2})?\u00A0(\\S+) \\(без скидки [0-9\u00A0,]+\u00A0\\2, "
        "скидка 50\u00A0%\\)$"));
    view.pageUrl = Item;
    QStringList signs;
    QList<qint64> amounts;
    for (const char *currency : {"RUB", "EUR", "JPY"}) {
        AppParams.currency = QString::fromLatin1(currency);
        const QString line = runSigned("demo").filter(QStringLiteral("Цена: ")).value(0);
        const QRegularExpressionMatch match = price.match(line);
        ASSERT_TRUE(match.hasMatch()) << line.toStdString();
        amounts << match.captured(1).remove(QChar(0x00A0)).toLongLong();
        signs << match.captured(2);
    }
    EXPECT_EQ(signs, (QStringList{"₽", "€", "¥"}));
    // The same product, converted: roubles and yen count many, euros few.
    EXPECT_GT(amounts[0], amounts[1] * 50);
    EXPECT_GT(amounts[2], amounts[1] * 100);
}

TEST_F(StandinOpenPlatformTest, TimestampMoreThanTwoHoursOffIsRefused)
{
    const qint64 hours2 = 7200 * 1000LL;
    EXPECT_TRUE(call(-hours2 + 60000).contains("\"resp_code\":200"));
    EXPECT_TRUE(call(hours2 - 60000).contains("\"resp_code\":200"));
    EXPECT_TRUE(call(-hours2 - 60000).contains("InvalidTimestamp"));
    EXPECT_TRUE(call(hours2 + 60000).contains("InvalidTimestamp"));
}

} // namespace
