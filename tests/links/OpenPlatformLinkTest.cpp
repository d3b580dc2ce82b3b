// A generate run with an App Secret stored: the signed Open Platform call, its log, both
// answer shapes and every failure, against a loopback gateway.
#include "OpenPlatformFixture.h"

#include "links/OpenPlatformRequest.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

TEST_F(OpenPlatformLinkTest, SendsTwoSignedCallsAndShortensTheLink)
{
    AppParams.currency = QStringLiteral("EUR");
    AppParams.country = QStringLiteral("KZ");
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

    // The facts first: they decide which kind of link to ask for.
    const auto requests = servers.apiRequests();
    ASSERT_EQ(requests.size(), 2u);
    auto linkCall = parametersOf(requests[1]);
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
                     {"ship_to_country", "KZ"},
                     {"source_values", Item.toUtf8()}});
    expected["sign"] = OpenPlatformRequest::signature(QByteArray(), expected, Secret).toLatin1();
    EXPECT_EQ(linkCall, expected);

    auto factsCall = parametersOf(requests[0]);
    expected = common;
    expected["timestamp"] = factsCall["timestamp"];
    expected.insert({{"method", "aliexpress.affiliate.productdetail.get"},
                     {"product_ids", "1005003091506814"},
                     {"target_currency", "EUR"},
                     {"target_language", "RU"},
                     {"country", "KZ"},
                     {"fields", "product_id,product_title,target_sale_price,"
                                "target_sale_price_currency,"
                                "target_original_price,discount,commission_rate,"
                                "hot_product_commission_rate,evaluate_rate,lastest_volume,"
                                "shop_name"}});
    expected["sign"] = OpenPlatformRequest::signature(QByteArray(), expected, Secret).toLatin1();
    EXPECT_EQ(factsCall, expected);

    const auto &sent = requests[1];
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

TEST_F(OpenPlatformLinkTest, ProductPageIsSentForAnIdElseTheAddressWithoutItsTracking)
{
    servers.answerApi(gateway(linkAnswer({linkElement(Item.toStdString(), LinkA)})));
    view.pageUrl =
        QStringLiteral(" https://es.aliexpress.com/item/1005003091506814.html?spm=a&x=1");
    run();
    EXPECT_EQ(view.log.mid(0, 3),
              (QStringList{ApiLine, "Товар 1005003091506814, отправлен адрес его страницы: " + Item,
                           Empty}));
    EXPECT_EQ(servers.apiRequests().front().params.find("product_ids")->second, "1005003091506814");

    // No ID: sent as given but for its tracking parameters, and no facts are asked for.
    const QString store = QStringLiteral("https://www.aliexpress.com/store/1102.html");
    const std::vector<std::pair<QString, QString>> cases{
        {"?spm=a2g0o.detail&sku_id=12#reviews", "?sku_id=12#reviews"},
        {"#nav?x=1", "#nav?x=1"},
        {"?", "?"},
    };
    for (const auto &[suffix, kept] : cases) {
        view.pageUrl = " " + store + suffix;
        const std::size_t calls = servers.apiRequests().size();
        run();
        const QString dropped = "Из адреса убраны параметры отслеживания (spm): " + store + kept;
        EXPECT_EQ(view.log.mid(0, 2), (QStringList{ApiLine, kept == suffix ? Empty : dropped}));
        ASSERT_EQ(servers.apiRequests().size(), calls + 1);
        EXPECT_EQ(servers.apiRequests().back().params.find("source_values")->second,
                  (store + kept).toStdString());
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

TEST_F(OpenPlatformLinkTest, ProductOutsideTheProgrammeEndsTheRunBeforeTheShortener)
{
    servers.answerApi(gateway(linkAnswer({}), factsAnswer("")));
    run();
    EXPECT_EQ(view.log.mid(2), (headLines("200", 0, 0) + QStringList{NoLink, Empty}));
    // No promotion_links at all reads the same.
    servers.answerApi(gateway(R"({"aliexpress_affiliate_link_generate_response":{"resp_result":)"
                              R"({"resp_code":200,"resp_msg":"ok","result":{}}}})"));
    run();
    EXPECT_EQ(view.log.mid(2),
              (QStringList{"Статус ответа: 200", Empty, "Всего данных (ali): ", Empty,
                           "Всего данных (факт): 0", Empty, NoLink, Empty}));
    EXPECT_TRUE(servers.shortenerRequests().empty());
    EXPECT_EQ(view.partnerLink, QString());
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
              (QStringList{"Цена: 12,34", "Комиссия: 5\u00A0%", "Заказов: 7", Empty,
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
    // The failure line, then what it means and the request's number when there are.
    const std::vector<std::pair<std::string, QStringList>> cases{
        {R"({"error_response":{"code":"ApiCallLimit","msg":"Too many calls"}})",
         {"ApiCallLimit: Too many calls", ExpectedMeanings::CallLimit}},
        {R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":402,)"
         R"("resp_msg":"Invalid currency"},"request_id":"0b402"}})",
         {"402: Invalid currency", ExpectedMeanings::BadParameters,
          ExpectedMeanings::requestId("0b402")}},
        {R"({"error_response":{"code":"Odd","msg":"Unknown","request_id":"0b9"}})",
         {"Odd: Unknown", ExpectedMeanings::requestId("0b9")}},
        {"<html/>", {"Проблемы при разборе данных. Это к разработчику :)"}},
        {R"({"aliexpress_affiliate_productdetail_get_response":{}})",
         {"Проблемы при разборе данных. Это к разработчику :)"}},
    };
    for (const auto &[facts, reason] : cases) {
        servers.answerApi(gateway(link, facts));
        view.partnerLinkToolTip = QStringLiteral("stale");
        run();
        EXPECT_EQ(view.log.mid(10),
                  (QStringList{"Сведения о товаре не получены: " + reason.first()} + reason.mid(1) +
                   QStringList{"Короткая партнёрская от Яндекса: https://clck.ru/s:" +
                                   QString::fromStdString(LinkA),
                               Empty}))
            << facts;
        EXPECT_EQ(view.partnerLinkToolTip, QString());
    }
    // A request that fails is explained as on any other path.
    servers.answerApi([link](const LoopbackServices::Received &request) {
        if (request.params.find("method")->second.find("productdetail") != std::string::npos)
            return LoopbackServices::Reply{503, "busy", "text/plain"};
        return LoopbackServices::Reply{200, link};
    });
    run();
    EXPECT_EQ(view.log.mid(10, 2),
              (QStringList{"Сведения о товаре не получены: HTTP/1.1 503 Service Unavailable",
                           ExpectedMeanings::ServerError}));
}

TEST_F(OpenPlatformLinkTest, ServiceFailuresAreLoggedWithTheServicesOwnCodeAndMessage)
{
    const std::vector<std::pair<std::string, QStringList>> cases{
        {R"({"error_response":{"type":"ISV","code":"IncompleteSignature","msg":"The request )"
         R"(signature does not conform to platform standards","request_id":"0b86"}})",
         {"Ошибка API aliexpress: IncompleteSignature: The request signature does not conform "
          "to platform standards",
          ExpectedMeanings::Signature, ExpectedMeanings::requestId("0b86"), Empty}},
        {R"({"error_response":{"code":50,"msg":"Remote service error","sub_code":)"
         R"("isv.invalid-parameter","sub_msg":"tracking_id is required"}})",
         {"Ошибка API aliexpress: 50: Remote service error",
          "Подробности: isv.invalid-parameter: tracking_id is required",
          ExpectedMeanings::InvalidParameter, Empty}},
        {R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":401,)"
         R"("resp_msg":"This publisher is not registered"}}})",
         {"Статус ответа: 401", Empty, "Не корректный статус ответа от API, нужен \"200\"",
          "Сообщение API: This publisher is not registered", ExpectedMeanings::NotPublisher,
          Empty}},
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
                           "HTTP/1.1 400 Bad Request", ExpectedMeanings::Rejected,
                           "Ошибка API aliexpress: MissingParameter: sign is missing"}));

    GeneratePartnerLink(view.request(), view, http, servers.servicesWithClosedApiPort());
    ASSERT_EQ(view.log.size(), 5);
    EXPECT_TRUE(view.log[3].startsWith("Socket Error # 10061")) << view.log[3].toStdString();
    EXPECT_EQ(view.log[4], ExpectedMeanings::Refused);
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

// link.generate answers one link for whatever address it is sent; productdetail.get Product.
LoopbackServices::Responder echoingGateway()
{
    return [](const LoopbackServices::Received &request) {
        if (request.params.find("method")->second == "aliexpress.affiliate.productdetail.get")
            return LoopbackServices::Reply{200, factsAnswer(Product)};
        const std::string source = request.params.find("source_values")->second;
        return LoopbackServices::Reply{200, linkAnswer({linkElement(source, LinkA)})};
    };
}

TEST_F(OpenPlatformLinkTest, EachFormOfAddressIsSentAsTheServiceTakesIt)
{
    const QString deepLink = QStringLiteral(
        "https://s.click.aliexpress.com/deep_link.htm?dl_target_url=https%3A%2F%2Fsale."
        "aliexpress.com%2Fsale.htm&aff_short_key=UneMJZVf");
    const QString itemLine =
        QStringLiteral("Товар 1005003091506814, отправлен адрес его страницы: ");
    const QString variant = Item + "?sku_id=12000003434";
    struct Case
    {
        QString pasted;
        QString sent;
        QStringList lines; // between the first line and the first empty one
    };
    const Case cases[] = {
        {"https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1",
         "https://www.aliexpress.com/wholesale?SearchText=thermos",
         {"Из адреса убраны параметры отслеживания (spm): "
          "https://www.aliexpress.com/wholesale?SearchText=thermos"}},
        {deepLink,
         deepLink,
         {"Ссылка " + deepLink + " ведёт на https://sale.aliexpress.com/sale.htm",
          "Ссылка https://sale.aliexpress.com/sale.htm не раскрыта: её сайт не из тех, что дают "
          "короткие ссылки"}},
        {"https://aliexpress.ru/item/1005003091506814.html?sku_id=12000003434&spm=x",
         variant,
         {itemLine + variant}},
        {"Смотри, что я нашёл на AliExpress: "
         "https://aliexpress.ru/item/1005003091506814.html?sku_id=12000003434.",
         variant,
         {"Адрес взят из вставленного текста: "
          "https://aliexpress.ru/item/1005003091506814.html?sku_id=12000003434",
          itemLine + variant}},
        {"aliexpress.ru/i/1005003091506814",
         Item,
         {"Адрес дополнен схемой: https://aliexpress.ru/i/1005003091506814", itemLine + Item}},
        {"https://click.aliexpress.com/deep_link.htm?aff_short_key=k&dl_target_url=https%3A%2F%"
         "2Faliexpress.ru%2Fitem%2F1005003091506814.html%3Fsku_id%3D7",
         Item + "?sku_id=7",
         {"Ссылка https://click.aliexpress.com/deep_link.htm?aff_short_key=k&dl_target_url="
          "https%3A%2F%2Faliexpress.ru%2Fitem%2F1005003091506814.html%3Fsku_id%3D7 ведёт на "
          "https://aliexpress.ru/item/1005003091506814.html?sku_id=7",
          itemLine + Item + "?sku_id=7"}},
        {"https://example.com/_abc", "https://example.com/_abc", {}},
    };
    servers.answerApi(echoingGateway());
    for (const Case &c : cases) {
        view.pageUrl = c.pasted;
        run();
        EXPECT_EQ(view.log.mid(0, c.lines.size() + 2),
                  QStringList{ApiLine} + c.lines + QStringList{Empty})
            << c.pasted.toStdString();
        EXPECT_EQ(servers.apiRequests().back().params.find("source_values")->second,
                  c.sent.toStdString());
        // Only a product has facts to show; the link goes to the shortener either way.
        EXPECT_EQ(view.partnerLinkToolTip.isEmpty(), !c.sent.startsWith(Item));
        EXPECT_EQ(view.shortLink, "https://clck.ru/s:" + QString::fromStdString(LinkA));
    }
}

TEST_F(OpenPlatformLinkTest, EmptyInputsAreCaughtBeforeSendingAndAnAddressGetsItsScheme)
{
    const QString noTrackingId =
        QStringLiteral("Необходим Tracking ID: выберите его в списке или впишите.");
    const QString noAddress =
        QStringLiteral("Необходим адрес страницы: вставьте адрес товара или ссылку на него.");
    const QString bare = QStringLiteral("aliexpress.ru/item/1005003091506814.html");
    struct Case
    {
        QString trackingId;
        QString page;
        QStringList lines; // from the first; the whole log when nothing is sent
        bool sent;
    };
    const Case cases[] = {
        {"", Item, {ApiLine, noTrackingId, Empty}, false},
        {" \t", Item, {ApiLine, noTrackingId, Empty}, false},
        {"t1", "", {ApiLine, noAddress, Empty}, false},
        {"t1", " \r\n", {ApiLine, noAddress, Empty}, false},
        {"t1",
         bare,
         {ApiLine, "Адрес дополнен схемой: https://" + bare,
          "Товар 1005003091506814, отправлен адрес его страницы: " + Item, Empty},
         true},
        // A tracking ID is sent as typed, blanks and all.
        {" t1 ", Item, {ApiLine, Empty}, true},
    };
    servers.answerApi(echoingGateway());
    for (const Case &c : cases) {
        view.trackingId = c.trackingId;
        view.pageUrl = c.page;
        const std::size_t before = servers.apiRequests().size();
        run();
        EXPECT_EQ(view.log.mid(0, c.lines.size()), c.lines) << c.page.toStdString();
        if (!c.sent) {
            EXPECT_EQ(view.log.size(), c.lines.size());
            EXPECT_EQ(servers.apiRequests().size(), before);
            continue;
        }
        const LoopbackServices::Received request = servers.apiRequests().back();
        EXPECT_EQ(request.params.find("source_values")->second, Item.toStdString());
        EXPECT_EQ(request.params.find("tracking_id")->second, c.trackingId.toStdString());
    }
}

TEST_F(OpenPlatformLinkTest, OnlyALinkForTheProductAskedIsTakenAndAnEmptyOneEndsTheRun)
{
    const std::string item = Item.toStdString();
    const std::string other = "https://www.aliexpress.com/item/42.html";
    const QString link = QString::fromStdString(LinkA);
    const QStringList linkLines{"Для ссылки: 1005003091506814", "Партнёрская: " + link};
    const QStringList shortened{"Короткая партнёрская от Яндекса: https://clck.ru/s:" + link,
                                Empty};
    struct Case
    {
        std::string linkBody;
        std::string factsBody;
        QStringList lines; // after the first two
    };
    const Case cases[] = {
        {linkAnswer({linkElement(other, LinkB)}), factsAnswer(Product),
         headLines("200", 1, 1) +
             QStringList{"Партнёрской ссылки нет: ответ API о другом товаре (42)", Empty}},
        {linkAnswer(
             {R"({"message":"The tracking id is invalid","source_value":")" + item + R"("})"}),
         factsAnswer(Product),
         headLines("200", 1, 1) +
             QStringList{"Партнёрской ссылки нет, сообщение API: The tracking id is invalid",
                         ExpectedMeanings::requestId("0ba2887315178178017221014"), Empty}},
        {R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":405,)"
         R"("resp_msg":"The result is empty"},"request_id":"0b1"}})",
         factsAnswer(Product),
         {"Статус ответа: 405", Empty,
          "Партнёрской ссылки нет: API не нашёл ничего по этому адресу",
          "Сообщение API: The result is empty", ExpectedMeanings::EmptyResult,
          ExpectedMeanings::requestId("0b1"), Empty}},
        {R"({"type":"ISP","code":"ApiCallLimit","message":"The request has failed due to )"
         R"(frequency limit","request_id":"2101"})",
         factsAnswer(Product),
         {"Ошибка API aliexpress: ApiCallLimit: The request has failed due to frequency limit",
          ExpectedMeanings::CallLimit, ExpectedMeanings::requestId("2101"), Empty}},
        // The product's own element, in another form, after another product's.
        {linkAnswer({linkElement(other, LinkB), linkElement("1005003091506814", LinkA)}),
         factsAnswer(Product), headLines("200", 2, 2) + linkLines + FactLines + shortened},
        // Another product's facts are never shown; a lone product that names none is taken.
        {linkAnswer({linkElement("1005003091506814", LinkA)}),
         factsAnswer(R"({"product_title":"Без номера"},{"product_id":"42","product_title":"x"})"),
         headLines("200", 1, 1) + linkLines +
             QStringList{"Сведения о товаре не получены: в ответе нет товара 1005003091506814"} +
             shortened},
        {linkAnswer({linkElement("1005003091506814", LinkA)}),
         factsAnswer(R"({"product_title":"Без номера"})"),
         headLines("200", 1, 1) + linkLines + QStringList{"Товар: Без номера", Empty} + shortened},
        {linkAnswer({linkElement("1005003091506814", LinkA)}),
         R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":405,)"
         R"("resp_msg":"The result is empty"}}})",
         headLines("200", 1, 1) + linkLines +
             QStringList{"Сведений о товаре нет: товар не участвует в партнёрской программе"} +
             shortened},
    };
    for (const Case &c : cases) {
        servers.answerApi(gateway(c.linkBody, c.factsBody));
        const std::size_t posts = servers.shortenerRequests().size();
        run();
        EXPECT_EQ(view.log.mid(2), c.lines) << c.linkBody;
        const bool linked = c.lines.contains(linkLines[1]);
        EXPECT_EQ(view.partnerLink, linked ? link : QString()) << c.linkBody;
        EXPECT_EQ(servers.shortenerRequests().size(), posts + (linked ? 1 : 0)) << c.linkBody;
    }
}

TEST_F(OpenPlatformLinkTest, AHotLinkIsAskedWhenItEarnsMore)
{
    struct Case
    {
        std::string rates;
        std::string type;
        QStringList lines; // the hot-link line, if any, then the commission line
    };
    const Case cases[] = {
        {R"("commission_rate":"3.5%","hot_product_commission_rate":"7.0%")",
         "2",
         {"Комиссия для горячих товаров выше (7\u00A0% против 3,5\u00A0%): запрошена горячая "
          "ссылка",
          "Комиссия: 7\u00A0% (горячая ссылка)"}},
        {R"("commission_rate":"7.0%","hot_product_commission_rate":"3.5%")",
         "0",
         {"Комиссия: 7\u00A0%"}},
        {R"("commission_rate":"5%","hot_product_commission_rate":"5%")",
         "0",
         {"Комиссия: 5\u00A0%"}},
        {R"("commission_rate":"5%")", "0", {"Комиссия: 5\u00A0%"}},
        {R"("commission_rate":"5%","hot_product_commission_rate":"abc%")",
         "0",
         {"Комиссия: 5\u00A0%"}},
        {R"("commission_rate":"NaN%","hot_product_commission_rate":"9%")",
         "0",
         {"Комиссия: нет данных"}},
    };
    for (const Case &c : cases) {
        servers.answerApi(gateway(linkAnswer({linkElement(Item.toStdString(), LinkA)}),
                                  factsAnswer(productWith(c.rates))));
        run();
        EXPECT_EQ(servers.apiRequests().back().params.find("promotion_link_type")->second, c.type);
        EXPECT_EQ(view.log.filter("Комиссия"), c.lines) << c.rates;
        EXPECT_EQ(view.log.value(2) == c.lines.first(), c.type == "2") << c.rates;
    }
}

} // namespace
