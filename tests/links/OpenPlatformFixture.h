#pragma once

// Open Platform answers as the tests need them, and a fixture that runs the generate operation
// with an App Secret stored against a loopback gateway and shortener.
#include "ExpectedMeanings.h"
#include "LoopbackServices.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

inline const QString Empty;
inline const QString ApiLine =
    QStringLiteral("Используется API AliExpress Open Platform: aliexpress.affiliate.link.generate");
inline const QString Item = QStringLiteral("https://www.aliexpress.com/item/1005003091506814.html");
inline const std::string LinkA = "https://s.click.aliexpress.com/e/_aaa";
inline const std::string LinkB = "https://s.click.aliexpress.com/e/_bbb";
inline const QString Secret = QStringLiteral("open-sesame");
inline const QString NoLink =
    QStringLiteral("Партнёрской ссылки нет: товар не участвует в партнёрской программе");

inline std::string linkElement(const std::string &source, const std::string &link)
{
    return R"({"promotion_link":")" + link + R"(","source_value":")" + source + R"("})";
}

// result.promotion_links holds {"promotion_link":[…]}, or the array itself when plain.
inline std::string linkAnswer(const std::vector<std::string> &elements,
                              const std::string &code = "200", bool plain = false,
                              const std::string &total = "")
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

inline LoopbackServices::Reply json(const std::string &body)
{
    return {200, body};
}

// products holds {"product":[…]}, or the array itself when plain.
inline std::string factsAnswer(const std::string &product, bool plain = false)
{
    const std::string list = product.empty() ? "[]" : "[" + product + "]";
    return R"({"aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":200,)"
           R"("resp_msg":"Call succeeds","result":{"current_record_count":1,"products":)" +
           (plain ? list : R"({"product":)" + list + "}") + R"(}},"request_id":"0b1"}})";
}

inline const std::string Product =
    R"({"product_id":1005003091506814,"product_title":"Термос 500 мл","target_sale_price":"12.34",)"
    R"("target_sale_price_currency":"RUB","target_original_price":"24.68","discount":"50%",)"
    R"("commission_rate":"3.5%","hot_product_commission_rate":"3.0%","evaluate_rate":"97.6%",)"
    R"("lastest_volume":1520,"shop_name":"Lumetta Store","sale_price":"0.13"})";

// A product of the page Item with these members besides its ID, e.g. R"("discount":"5%")".
inline std::string productWith(const std::string &members)
{
    return R"({"product_id":1005003091506814,)" + members + "}";
}

// Product's facts as the log shows them: numbers written the Russian way, with a no-break space
// (U+00A0) in a number and before its sign.
inline const QStringList FactLines{
    "Товар: Термос 500 мл",
    "Цена: 12,34\u00A0₽ (без скидки 24,68\u00A0₽, скидка 50\u00A0%)",
    "Комиссия: 3,5\u00A0%",
    "Положительных отзывов: 97,6\u00A0%",
    "Заказов: 1\u00A0520",
    "Магазин: Lumetta Store",
    Empty};

// The gateway on loopback: link.generate gets linkBody, productdetail.get factsBody.
inline LoopbackServices::Responder gateway(const std::string &linkBody,
                                           const std::string &factsBody = factsAnswer(Product))
{
    return [=](const LoopbackServices::Received &request) {
        const auto method = request.params.find("method");
        const bool facts = method != request.params.end() &&
                           method->second == "aliexpress.affiliate.productdetail.get";
        return LoopbackServices::Reply{200, facts ? factsBody : linkBody};
    };
}

inline std::map<QByteArray, QByteArray> parametersOf(const LoopbackServices::Received &request)
{
    std::map<QByteArray, QByteArray> parameters;
    for (const auto &[name, value] : request.params)
        parameters[QByteArray::fromStdString(name)] = QByteArray::fromStdString(value);
    return parameters;
}

inline QStringList headLines(const QString &status, int total, int count)
{
    return {"Статус ответа: " + status,
            Empty,
            "Всего данных (ali): " + QString::number(total),
            Empty,
            "Всего данных (факт): " + QString::number(count),
            Empty};
}

// Runs with the App Key and Secret stored, the page Item and a shortener that answers
// "https://clck.ru/s:" and the link it was given.
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
