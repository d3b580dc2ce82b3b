// What the services send reaches the log, the fields and the clipboard only when it is safe:
// links that are http(s) addresses of sane length, text without control or bidirectional
// characters, numbers that are numbers.
#include "AnswerText.h"
#include "OpenPlatformFixture.h"
#include "ScriptedServer.h"

#include "RemoteText.h"

#include <algorithm>

namespace {

const QString Unusable = QStringLiteral("Ссылка от API непригодна: ");
const QString NotWeb = QStringLiteral("это не адрес http или https");
const QString Controls = QStringLiteral("в ней управляющие символы");
const QString TooLong = QStringLiteral("длиннее 2048 символов");
const QString ShortFailed = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const std::string Forged = "\\nКороткая партнёрская от Яндекса: https://clck.ru/FAKE\\n";
const QString ForgedShown = QStringLiteral("Короткая партнёрская от Яндекса: https://clck.ru/FAKE");

class RemoteTextTest : public OpenPlatformLinkTest
{
protected:
    // Whether no line of the log and no outlet holds a character that could forge a line.
    bool allClean() const
    {
        QStringList shown = view.log;
        shown << view.partnerLink << view.shortLink << view.partnerLinkToolTip;
        return std::none_of(shown.begin(), shown.end(), [](const QString &text) {
            return std::any_of(text.begin(), text.end(), RemoteText::isUnsafe);
        });
    }
};

TEST_F(RemoteTextTest, PartnerLinksAreCheckedAlikeOnBothPaths)
{
    const std::string base = "https://s.click.aliexpress.com/e/_";
    const std::string longest = base + std::string(2048 - base.size(), 'a');
    struct Case
    {
        std::string json; // the link as the answer's JSON writes it
        QString fault;    // empty: the link is taken as it reads
    };
    const Case cases[] = {
        {"javascript:alert(document.cookie)", NotWeb},
        {R"(<a href=\"https://s.click.aliexpress.com/e/_a\">x</a>)", NotWeb},
        {R"(https://s.click.aliexpress.com/e/_a\u0000b)", Controls},
        {R"(https://s.click.aliexpress.com/e/_\u202Eabc)", Controls},
        {base + "aaa" + Forged, Controls},
        {longest, QString()},
        {longest + "a", TooLong},
        {base + std::string(64 * 1024, 'a'), TooLong},
        {"https:///e/_a", NotWeb},
        {base + "a b", NotWeb},
        {"ftp://s.click.aliexpress.com/e/_a", NotWeb},
        {"HTTPS://S.CLICK.ALIEXPRESS.COM/e/_X", QString()},
    };
    const std::string item = Item.toStdString();
    for (const bool openPlatform : {true, false}) {
        AppParams.app_secret = openPlatform ? Secret : QString();
        for (const Case &c : cases) {
            const std::size_t posts = servers.shortenerRequests().size();
            if (openPlatform)
                servers.answerApi(gateway(linkAnswer({linkElement(item, c.json)})));
            else
                servers.answerApi(
                    json(AnswerText::answer("1", {AnswerText::element(item, c.json)})));
            run();
            const std::string row = c.json.substr(0, 60) + (openPlatform ? " (Open Platform)" : "");
            if (c.fault.isEmpty()) {
                EXPECT_EQ(view.partnerLink.toStdString(), c.json) << row;
                EXPECT_EQ(servers.shortenerRequests().size(), posts + 1) << row;
                continue;
            }
            EXPECT_EQ(view.log.mid(view.log.size() - 3),
                      (QStringList{"Для ссылки: " + Item, Unusable + c.fault, Empty}))
                << row;
            EXPECT_EQ(view.partnerLink, QString()) << row;
            EXPECT_EQ(servers.shortenerRequests().size(), posts) << row;
        }
    }
}

TEST_F(RemoteTextTest, RemoteTextReachesTheViewWithoutControlCharacters)
{
    const std::string item = Item.toStdString();
    const std::string link = linkAnswer({linkElement(item, LinkA)});
    const QString shortLine = QStringLiteral("Короткая партнёрская от Яндекса: ");
    struct Case
    {
        std::string linkBody;
        std::string factsBody;
        std::string shortBody;
        QStringList expected; // lines the log holds, in this order
    };
    const Case cases[] = {
        {link,
         factsAnswer(productWith(R"("product_title":"Термос)" + Forged +
                                 R"(","shop_name":"Lumetta\u202E Store\r\u0085")")),
         "https://clck.ru/abc\r\n",
         {"Товар: Термос" + ForgedShown, "Магазин: Lumetta Store",
          shortLine + "https://clck.ru/abc"}},
        {R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":401,)"
         R"("resp_msg":"Not registered)" +
             Forged + R"("}}})",
         "",
         "",
         {"Статус ответа: 401", "Сообщение API: Not registered" + ForgedShown}},
        {R"({"error_response":{"code":"Incomplete\u0085Signature","msg":"Bad\r\nsign",)"
         R"("sub_code":"isv.x","sub_msg":"\u2066x\u2069"}})",
         "",
         "",
         {"Ошибка API aliexpress: IncompleteSignature: Badsign", "Подробности: isv.x: x"}},
        {R"({"type":"ISV","code":"X\u001b[2J","message":"m)" + Forged + R"("})",
         "",
         "",
         {"Ошибка API aliexpress: X[2J: m" + ForgedShown}},
        {linkAnswer({R"({"message":"invalid)" + Forged + R"(","source_value":")" + item + R"("})"}),
         "",
         "",
         {"Партнёрской ссылки нет, сообщение API: invalid" + ForgedShown}},
        {linkAnswer({linkElement(item + Forged, LinkA)}, R"("200\n")"),
         "",
         "javascript:alert(1)",
         {"Статус ответа: 200", "Для ссылки: " + Item + ForgedShown, ShortFailed}},
        {link, "", "https://clck.ru/a" + Forged, {ShortFailed}},
    };
    for (const Case &c : cases) {
        servers.answerApi(gateway(c.linkBody, c.factsBody));
        servers.answerShortener(LoopbackServices::Reply{200, c.shortBody, "text/plain"});
        run();
        QStringList found;
        for (const QString &line : view.log) {
            if (c.expected.contains(line))
                found << line;
        }
        EXPECT_EQ(found, c.expected) << c.linkBody;
        EXPECT_TRUE(allClean()) << c.linkBody;
    }
    EXPECT_EQ(view.shortLink, QString()); // the last run's answer was no address

    // The old API's values and the status line of a failed request alike.
    AppParams.app_secret.clear();
    servers.answerApi(json(
        AnswerText::answer("1", {AnswerText::element("u1" + Forged, LinkA)}, R"("20010000\r")")));
    run();
    EXPECT_EQ(view.log.mid(1, 2), (QStringList{"Статус ответа: 20010000", Empty}));
    EXPECT_EQ(view.log.value(7), "Для ссылки: u1" + ForgedShown);
    EXPECT_TRUE(allClean());
    AppParams.app_secret = Secret;
    // Every connection gets this answer: the facts' and the link's. It says it closes, so that
    // the link's request cannot race the close on a kept connection.
    ScriptedServer gatewayServer({ScriptedServer::Script()
                                      .respond("HTTP/1.1 500 Oops\x1b[2J\x0b"
                                               "Short link: https://clck.ru/FAKE\r\n"
                                               "Connection: close\r\n"
                                               "Content-Length: 0\r\n\r\n")
                                      .close()});
    LinkServices services = servers.services();
    services.openPlatform = QStringLiteral("http://127.0.0.1:%1").arg(gatewayServer.port());
    GeneratePartnerLink(view.request(), view, http, services);
    EXPECT_EQ(view.log.mid(2), (QStringList{"Проблемы с получением данных с API aliexpress",
                                            "HTTP/1.1 500 Oops[2JShort link: https://clck.ru/FAKE",
                                            ExpectedMeanings::ServerError}));
}

TEST_F(RemoteTextTest, NumbersOutsideASaneRangeAreShownAsNoData)
{
    const std::vector<std::pair<std::string, QStringList>> cases{
        {R"("target_sale_price":"-1e+308","target_sale_price_currency":"RUB",)"
         R"("target_original_price":"inf","discount":"NaN")",
         {"Цена: нет данных"}},
        {R"("target_sale_price":12.34,"target_sale_price_currency":"RUB",)"
         R"("target_original_price":"abc","discount":"50%")",
         {"Цена: 12,34\u00A0₽ (без скидки нет данных, скидка "
          "50\u00A0%)"}},
        {R"("target_sale_price":"0","target_original_price":"1e3","discount":"-5%")",
         {"Цена: 0,00"}},
        {R"("target_sale_price":"99999999999","target_original_price":"1.5","discount":"101%")",
         {"Цена: нет данных"}},
        {R"("commission_rate":"abc%","evaluate_rate":"inf","lastest_volume":1.2345678901234568e+29)",
         {"Комиссия: нет данных", "Положительных отзывов: нет данных", "Заказов: нет данных"}},
        {R"("commission_rate":"150%","evaluate_rate":"-3%","lastest_volume":"-5")",
         {"Комиссия: нет данных", "Положительных отзывов: нет данных", "Заказов: нет данных"}},
        {R"("commission_rate":3.5,"evaluate_rate":"100%","lastest_volume":0)",
         {"Комиссия: 3,5\u00A0%", "Положительных отзывов: 100\u00A0%", "Заказов: 0"}},
        {R"("lastest_volume":7.5)", {"Заказов: нет данных"}},
    };
    const std::string link = linkAnswer({linkElement(Item.toStdString(), LinkA)});
    for (const auto &[members, lines] : cases) {
        servers.answerApi(gateway(link, factsAnswer(productWith(members))));
        run();
        EXPECT_EQ(view.log.mid(10, lines.size() + 1), lines + QStringList{Empty}) << members;
    }
}

} // namespace
