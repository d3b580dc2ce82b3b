// A generate run with an App Secret stored: the signed Open Platform call, its log, both
// answer shapes and every failure, against a loopback gateway.
#include "LoopbackServices.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/OpenPlatformRequest.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

const QString Empty;
const QString ApiLine =
    QStringLiteral("Используется API AliExpress Open Platform: aliexpress.affiliate.link.generate");
const QString Item = QStringLiteral("https://www.aliexpress.com/item/1005003091506814.html");
const std::string LinkA = "https://s.click.aliexpress.com/e/_aaa";
const std::string LinkB = "https://s.click.aliexpress.com/e/_bbb";
const QString Secret = QStringLiteral("open-sesame");
const QString NoLink =
    QStringLiteral("Партнёрской ссылки нет: товар не участвует в партнёрской программе");

std::string linkElement(const std::string &source, const std::string &link)
{
    return R"({"promotion_link":")" + link + R"(","source_value":")" + source + R"("})";
}

// result.promotion_links holds {"promotion_link":[…]}, or the array itself when plain.
std::string linkAnswer(const std::vector<std::string> &elements, const std::string &code = "200",
                       bool plain = false, const std::string &total = "")
{
    std::string list;
    for (const std::string &element : elements)
        list += (list.empty() ? "" : ",") + element;
    list = "[" + list + "]";
    const std::string links = plain ? list : R"({"promotion_link":)" + list + "}";
    return R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":)" + code +
           R"(,"resp_msg":"Call succeeds","result":{"promotion_links":)" + links +
           R"(,"total_result_count":)" + (total.empty() ? std::to_string(elements.size()) : total) +
           R"(,"tracking_id":"t1"}},"request_id":"0ba2887315178178017221014"}})";
}

LoopbackServices::Reply json(const std::string &body)
{
    return {200, body};
}

// products holds {"product":[…]}, or the array itself when plain.
std::string factsAnswer(const std::string &product, bool plain = false)
{
    const std::string list = product.empty() ? "[]" : "[" + product + "]";
    return R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":200,)"
           R"("resp_msg":"Call succeeds","result":{"current_record_count":1,"products":)" +
           (plain ? list : R"({"product":)" + list + "}") + R"(}},"request_id":"0b1"}})";
}

const std::string Product =
    R"({"product_id":1005003091506814,"product_title":"Термос 500 мл","target_sale_price":"12.34",)"
    R"("target_sale_price_currency":"RUB","target_original_price":"24.68","discount":"50%",)"
    R"("commission_rate":"3.5%","hot_product_commission_rate":"7.0%","evaluate_rate":"97.6%",)"
    R"("lastest_volume":1520,"shop_name":"Lumetta Store","sale_price":"0.13"})";

const QStringList FactLines{"Товар: Термос 500 мл",
                            "Цена: 12.34 RUB (без скидки 24.68, скидка 50%)",
                            "Комиссия: 3.5% (для горячих товаров 7.0%)",
                            "Положительных отзывов: 97.6%",
                            "Продано: 1520",
                            "Магазин: Lumetta Store",
                            Empty};

// The gateway on loopback: link.generate gets linkBody, productdetail.get factsBody.
LoopbackServices::Responder gateway(const std::string &linkBody,
                                    const std::string &factsBody = factsAnswer(Product))
{
    return [=](const LoopbackServices::Received &request) {
        const auto method = request.params.find("method");
        const bool facts = method != request.params.end() &&
                           method->second == "aliexpress.affiliate.productdetail.get";
        return LoopbackServices::Reply{200, facts ? factsBody : linkBody};
    };
}

std::map<QByteArray, QByteArray> parametersOf(const LoopbackServices::Received &request)
{
    std::map<QByteArray, QByteArray> parameters;
    for (const auto &[name, value] : request.params)
        parameters[QByteArray::fromStdString(name)] = QByteArray::fromStdString(value);
    return parameters;
}

QStringList headLines(const QString &status, int total, int count)
{
    return {"Статус ответа: " + status,
            Empty,
            "Всего данных (ali): " + QString::number(total),
            Empty,
            "Всего данных (факт): " + QString::number(count),
            Empty};
}

class OpenPlatformLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        AppParams.api_key = QStringLiteral("12345678");
        AppParams.app_secret = Secret;
        view.trackingId = QStringLiteral("t1");
        view.pageUrl = Item;
        servers.answerShortener([](const LoopbackServices::Received &request) {
            const auto url = request.params.find("url");
            return LoopbackServices::Reply{
                200, "https://clck.ru/s:" + (url == request.params.end() ? "" : url->second),
                "text/plain"};
        });
    }
    void TearDown() override { AppParams = TParametrs(); }

    QStringList run()
    {
        GeneratePartnerLink(view.request(), view, http, servers.services());
        return view.log;
    }

    LoopbackServices servers;
    TlsChannel channel;
    HttpClient http{channel};
    RecordingView view;
};

TEST_F(OpenPlatformLinkTest, SendsTwoSignedCallsAndShortensTheLink)
{
    AppParams.currency = QStringLiteral("EUR");
    servers.answerApi(gateway(linkAnswer({linkElement(Item.toStdString(), LinkA)})));
    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    run();
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    const QString link = QString::fromStdString(LinkA);
    const QStringList linkLines{"Для ссылки: " + Item, "Партнёрская: " + link};
    const QStringList shortLines{"Короткая партнёрская от Яндекса: https://clck.ru/s:" + link,
                                 Empty};
    EXPECT_EQ(view.log, (QStringList{ApiLine, Empty} + headLines("200", 1, 1) + linkLines +
                         FactLines + shortLines));
    EXPECT_EQ(view.partnerLink, link);
    EXPECT_EQ(view.partnerLinkToolTip, "Термос 500 мл");
    EXPECT_EQ(view.shortLink, "https://clck.ru/s:" + link);

    const auto requests = servers.apiRequests();
    ASSERT_EQ(requests.size(), 2u);
    auto linkCall = parametersOf(requests[0]);
    const qint64 timestamp = linkCall["timestamp"].toLongLong();
    EXPECT_TRUE(timestamp >= before && timestamp <= after) << timestamp;
    const std::map<QByteArray, QByteArray> common{{"app_key", "12345678"},
                                                  {"timestamp", linkCall["timestamp"]},
                                                  {"sign_method", "sha256"},
                                                  {"format", "json"},
                                                  {"v", "2.0"},
                                                  {"tracking_id", "t1"}};
    auto expected = common;
    expected.insert({{"method", "aliexpress.affiliate.link.generate"},
                     {"promotion_link_type", "0"},
                     {"source_values", Item.toUtf8()}});
    expected["sign"] = OpenPlatformRequest::signature(QByteArray(), expected, Secret).toLatin1();
    EXPECT_EQ(linkCall, expected);

    auto factsCall = parametersOf(requests[1]);
    expected = common;
    expected["timestamp"] = factsCall["timestamp"];
    expected.insert({{"method", "aliexpress.affiliate.productdetail.get"},
                     {"product_ids", "1005003091506814"},
                     {"target_currency", "EUR"},
                     {"target_language", "RU"},
                     {"fields", "product_title,target_sale_price,target_sale_price_currency,"
                                "target_original_price,discount,commission_rate,"
                                "hot_product_commission_rate,evaluate_rate,lastest_volume,"
                                "shop_name"}});
    expected["sign"] = OpenPlatformRequest::signature(QByteArray(), expected, Secret).toLatin1();
    EXPECT_EQ(factsCall, expected);

    const auto &sent = requests[0];
    EXPECT_EQ(sent.path, "/sync");
    EXPECT_NE(sent.target.find("source_values=https%3A%2F%2Fwww.aliexpress.com%2Fitem%2F"),
              std::string::npos);
    // The outlets show the link call, signature included; the secret goes nowhere.
    EXPECT_EQ(view.requestUrl.toStdString(),
              servers.services().openPlatform.toStdString() + sent.target);
    EXPECT_TRUE(view.rawAnswer.contains("aliexpress_affiliate_link_generate_response"));
    for (const auto &request : servers.apiRequests())
        EXPECT_EQ(request.target.find(Secret.toStdString()), std::string::npos);
    EXPECT_EQ(servers.shortenerRequests()[0].body.find(Secret.toStdString()), std::string::npos);
}

TEST_F(OpenPlatformLinkTest, ProductPageIsSentForAnIdElseTheAddressWithoutItsQuery)
{
    servers.answerApi(gateway(linkAnswer({linkElement(Item.toStdString(), LinkA)})));
    view.pageUrl =
        QStringLiteral(" https://es.aliexpress.com/item/1005003091506814.html?spm=a&x=1");
    run();
    EXPECT_EQ(view.log.mid(0, 3),
              (QStringList{ApiLine, "Товар 1005003091506814, отправлен адрес его страницы: " + Item,
                           Empty}));
    EXPECT_EQ(servers.apiRequests().back().params.find("product_ids")->second, "1005003091506814");

    // No ID: sent as given, without query and fragment, and no facts are asked for.
    const QString store = QStringLiteral("https://www.aliexpress.com/store/1102.html");
    for (const QString &suffix : {QStringLiteral("?spm=a2g0o.detail&sku_id=12#reviews"),
                                  QStringLiteral("#nav?x=1"), QStringLiteral("?")}) {
        view.pageUrl = " " + store + suffix;
        const std::size_t calls = servers.apiRequests().size();
        run();
        EXPECT_EQ(view.log.mid(0, 3),
                  (QStringList{ApiLine, "Адрес страницы отправлен без параметров и якоря: " + store,
                               Empty}));
        ASSERT_EQ(servers.apiRequests().size(), calls + 1);
        EXPECT_EQ(servers.apiRequests().back().params.find("source_values")->second,
                  store.toStdString());
        EXPECT_EQ(view.partnerLinkToolTip, QString());
    }
}

TEST_F(OpenPlatformLinkTest, BothShapesAreReadAndTheLinkIsMatchedBySourceValue)
{
    const std::string other = "https://www.aliexpress.com/item/7.html";
    for (const bool plain : {false, true}) {
        servers.answerApi(
            json(linkAnswer({linkElement(other, LinkB), linkElement(Item.toStdString(), LinkA)},
                            "\"200\"", plain)));
        run();
        EXPECT_EQ(view.log.mid(2, 6), headLines("200", 2, 2)) << plain;
        EXPECT_EQ(view.log.value(8), "Для ссылки: " + Item);
        EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkA)) << plain;
    }
    // A lone element is the link even when its address reads otherwise.
    servers.answerApi(gateway(linkAnswer({linkElement("http://x/", LinkB)})));
    run();
    EXPECT_EQ(view.partnerLink, QString::fromStdString(LinkB));
}

TEST_F(OpenPlatformLinkTest, ProductOutsideTheProgrammeStillGoesToTheShortLinkStep)
{
    servers.answerApi(gateway(linkAnswer({}), factsAnswer("")));
    run();
    const QStringList tail{NoLink, Empty,
                           "Сведений о товаре нет: товар не участвует в партнёрской программе",
                           "Короткая партнёрская от Яндекса: https://clck.ru/s:", Empty};
    EXPECT_EQ(view.log.mid(2), (headLines("200", 0, 0) + tail));
    // No promotion_links at all reads the same.
    servers.answerApi(gateway(R"({"aliexpress_affiliate_link_generate_response":{"resp_result":)"
                              R"({"resp_code":200,"resp_msg":"ok","result":{}}}})"));
    run();
    EXPECT_EQ(view.log.mid(2, 8),
              (QStringList{"Статус ответа: 200", Empty, "Всего данных (ali): ", Empty,
                           "Всего данных (факт): 0", Empty, NoLink, Empty}));
}

TEST_F(OpenPlatformLinkTest, FactsAreReadInBothShapesWhateverKindTheirValuesHave)
{
    const std::string link = linkAnswer({linkElement(Item.toStdString(), LinkA)});
    for (const bool plain : {false, true}) {
        servers.answerApi(gateway(link, factsAnswer(Product, plain)));
        run();
        EXPECT_EQ(view.log.mid(10, 7), FactLines) << plain;
    }
    // Numbers as numbers or strings alike; absent members leave their line or part out.
    servers.answerApi(gateway(
        link, factsAnswer(R"({"product_id":"1005003091506814","target_sale_price":12.34,)"
                          R"("discount":"10%","commission_rate":"5%","lastest_volume":"7"})")));
    run();
    EXPECT_EQ(view.log.mid(10, 5),
              (QStringList{"Цена: 12.34", "Комиссия: 5%", "Продано: 7", Empty,
                           "Короткая партнёрская от Яндекса: https://clck.ru/s:" +
                               QString::fromStdString(LinkA)}));
    EXPECT_EQ(view.partnerLinkToolTip, QString());

    // JSON is UTF-8 also when the answer names no charset.
    servers.answerApi([link](const LoopbackServices::Received &request) {
        const bool facts =
            request.params.find("method")->second.find("productdetail") != std::string::npos;
        return LoopbackServices::Reply{200, facts ? factsAnswer(Product) : link,
                                       "application/json"};
    });
    run();
    EXPECT_EQ(view.log.value(10), FactLines[0]);
    EXPECT_EQ(view.partnerLinkToolTip, "Термос 500 мл");
}

TEST_F(OpenPlatformLinkTest, FailingFactsAreOneLineAndTheShortLinkFollows)
{
    const std::string link = linkAnswer({linkElement(Item.toStdString(), LinkA)});
    const std::vector<std::pair<std::string, QString>> cases{
        {R"({"error_response":{"code":"ApiCallLimit","msg":"Too many calls"}})",
         "ApiCallLimit: Too many calls"},
        {R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":402,)"
         R"("resp_msg":"Invalid currency"}}})",
         "402: Invalid currency"},
        {"<html/>", "Проблемы при разборе данных. Это к разработчику :)"},
        {R"({"aliexpress_affiliate_productdetail_get_response":{}})",
         "Проблемы при разборе данных. Это к разработчику :)"},
    };
    for (const auto &[facts, reason] : cases) {
        servers.answerApi(gateway(link, facts));
        view.partnerLinkToolTip = QStringLiteral("stale");
        run();
        EXPECT_EQ(view.log.mid(10), (QStringList{"Сведения о товаре не получены: " + reason,
                                                 "Короткая партнёрская от Яндекса: "
                                                 "https://clck.ru/s:" +
                                                     QString::fromStdString(LinkA),
                                                 Empty}))
            << facts;
        EXPECT_EQ(view.partnerLinkToolTip, QString());
    }
}

TEST_F(OpenPlatformLinkTest, ServiceFailuresAreLoggedWithTheServicesOwnCodeAndMessage)
{
    const std::vector<std::pair<std::string, QStringList>> cases{
        {R"({"error_response":{"type":"ISV","code":"IncompleteSignature","msg":"The request )"
         R"(signature does not conform to platform standards","request_id":"0b86"}})",
         {"Ошибка API aliexpress: IncompleteSignature: The request signature does not conform "
          "to platform standards",
          Empty}},
        {R"({"error_response":{"code":50,"msg":"Remote service error","sub_code":)"
         R"("isv.invalid-parameter","sub_msg":"tracking_id is required"}})",
         {"Ошибка API aliexpress: 50: Remote service error",
          "Подробности: isv.invalid-parameter: tracking_id is required", Empty}},
        {R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":401,)"
         R"("resp_msg":"This publisher is not registered"}}})",
         {"Статус ответа: 401", Empty, "Не корректный статус ответа от API, нужен \"200\"",
          "Сообщение API: This publisher is not registered", Empty}},
        {R"({"request_id":"x"})", {"Проблемы при разборе данных. Это к разработчику :)", Empty}},
        {"<html>busy</html>", {"Проблемы при разборе данных. Это к разработчику :)", Empty}},
        {"[]", {"Проблемы с данными получеными от API aliexpress"}},
    };
    for (const auto &[body, lines] : cases) {
        servers.answerApi(json(body));
        run();
        EXPECT_EQ(view.log, (QStringList{ApiLine, Empty} + lines)) << body;
        EXPECT_EQ(view.rawAnswer.toStdString(), body);
    }
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(OpenPlatformLinkTest, FailedRequestsLogTheMessageAndAnyRefusalInTheBody)
{
    servers.answerApi(LoopbackServices::Reply{
        400, R"({"error_response":{"code":"MissingParameter","msg":"sign is missing"}})"});
    run();
    EXPECT_EQ(view.log,
              (QStringList{ApiLine, Empty, "Проблемы с получением данных с API aliexpress",
                           "HTTP/1.1 400 Bad Request",
                           "Ошибка API aliexpress: MissingParameter: sign is missing"}));

    GeneratePartnerLink(view.request(), view, http, servers.servicesWithClosedApiPort());
    ASSERT_EQ(view.log.size(), 4);
    EXPECT_TRUE(view.log[3].startsWith("Socket Error # 10061")) << view.log[3].toStdString();
    EXPECT_TRUE(servers.shortenerRequests().empty());
}

TEST_F(OpenPlatformLinkTest, TheSecretChoosesTheApiAndTheKeyIsStillNeeded)
{
    AppParams.api_key = QStringLiteral("  ");
    run();
    EXPECT_EQ(view.log,
              (QStringList{ApiLine, "Необходим API KEY. Зайдите в настроки программы.", Empty}));

    // A blank secret is no secret: the old API, named in the first line.
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QStringLiteral(" \t");
    servers.answerApi(json(R"({"errorCode":20010000,"result":{"promotionUrls":[],)"
                           R"("totalResults":0}})"));
    run();
    EXPECT_EQ(view.log.mid(0, 2),
              (QStringList{"Используется старый API AliExpress: portals.open api.getPromotionLinks",
                           "Статус ответа: 20010000"}));
    ASSERT_EQ(servers.apiRequests().size(), 1u);
    EXPECT_NE(servers.apiRequests()[0].path.find("api.getPromotionLinks/12345678"),
              std::string::npos);
}

} // namespace
