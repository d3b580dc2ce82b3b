// The check of an App Key and App Secret: one signed call, and what the dialog is told of its
// every outcome.
#include "ExpectedMeanings.h"
#include "LoopbackServices.h"
#include "QStringPrinter.h"

#include "http/HttpClient.h"
#include "links/KeyCheck.h"
#include "links/OpenPlatformRequest.h"
#include "net/TlsChannel.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace {

using namespace ExpectedMeanings;

const QString RefusedLine = QStringLiteral("Проверка не пройдена: Open Platform отклонил запрос.");
const QString NoAnswerLine = QStringLiteral("Проверка не пройдена: нет ответа от Open Platform.");
const QString UnreadLine = QStringLiteral("Проверка не пройдена: ответ Open Platform не разобран.");

std::string categories(const std::string &code)
{
    return R"({"aliexpress_affiliate_category_get_response":{"resp_result":{"resp_code":)" + code +
           R"(,"resp_msg":"Call succeeds","result":{"categories":{"category":[{"category_id":3,)"
           R"("category_name":"Apparel & Accessories"}]}}},"request_id":"0bc"}})";
}

class KeyCheckTest : public ::testing::Test
{
protected:
    KeyCheckResult check(const QString &key = QStringLiteral(" 12345678"),
                         const QString &secret = QStringLiteral("open-sesame"))
    {
        TParametrs params;
        params.api_key = key;
        params.app_secret = secret;
        return CheckOpenPlatformKey(params, http, servers.services());
    }

    LoopbackServices servers;
    TlsChannel channel;
    HttpClient http{channel};
};

TEST_F(KeyCheckTest, OneSignedCallOfTheKeyAsTypedTellsWhetherItWorks)
{
    servers.answerApi(LoopbackServices::Reply{200, categories("200")});
    const KeyCheckResult result = check();
    EXPECT_TRUE(result.works);
    EXPECT_EQ(result.lines,
              QStringList{"Ключ и секрет подходят: Open Platform принял подписанный запрос."});

    const auto requests = servers.apiRequests();
    ASSERT_EQ(requests.size(), 1u);
    std::map<QByteArray, QByteArray> sent;
    for (const auto &[name, value] : requests[0].params)
        sent[QByteArray::fromStdString(name)] = QByteArray::fromStdString(value);
    EXPECT_EQ(requests[0].path, "/sync");
    EXPECT_EQ(sent["method"], "aliexpress.affiliate.category.get");
    EXPECT_EQ(sent["app_key"], " 12345678");
    EXPECT_EQ(sent["sign"],
              OpenPlatformRequest::signature(QByteArray(), sent, QStringLiteral("open-sesame")));
}

TEST_F(KeyCheckTest, EveryFailureIsSaidWithTheServicesWordsAndWhatTheyMean)
{
    struct Case
    {
        LoopbackServices::Reply reply;
        QStringList lines;
    };
    const Case cases[] = {
        {{200, R"({"error_response":{"type":"ISV","code":"IncompleteSignature","msg":"Bad sign",)"
               R"("request_id":"0b\u001b86"}})"},
         {RefusedLine, "Ошибка API aliexpress: IncompleteSignature: Bad sign", Signature,
          requestId("0b86")}},
        {{200, R"({"error_response":{"code":29,"msg":"Invalid app Key","sub_code":)"
               R"("isv.appkey-not-exists","sub_msg":"unknown"}})"},
         {RefusedLine, "Ошибка API aliexpress: 29: Invalid app Key",
          "Подробности: isv.appkey-not-exists: unknown", UnknownKey}},
        {{200, R"({"error_response":{"code":"InvalidTimestamp","msg":"Invalid timestamp"}})"},
         {RefusedLine, "Ошибка API aliexpress: InvalidTimestamp: Invalid timestamp",
          "Время запроса не принято: проверьте часы и часовой пояс компьютера."}},
        // A frequency limit is known by its message whatever its code; codes are exact words.
        {{200, R"({"type":"ISP","code":"Busy","message":"Failed due to frequency limit"})"},
         {RefusedLine, "Ошибка API aliexpress: Busy: Failed due to frequency limit", CallLimit}},
        {{200, R"({"type":"ISV","code":"incompletesignature","message":"x"})"},
         {RefusedLine, "Ошибка API aliexpress: incompletesignature: x"}},
        {{200, categories("401")},
         {"Проверка не пройдена: Open Platform ответил ошибкой.", "Статус ответа: 401",
          "Сообщение API: Call succeeds", NotPublisher, requestId("0bc")}},
        {{500, "busy", "text/plain"},
         {NoAnswerLine, "HTTP/1.1 500 Internal Server Error", ServerError}},
        {{400, R"({"error_response":{"code":"MissingParameter","msg":"sign is missing"}})"},
         {NoAnswerLine, "HTTP/1.1 400 Bad Request", Rejected,
          "Ошибка API aliexpress: MissingParameter: sign is missing"}},
        {{200, "<html>busy</html>", "text/html"}, {UnreadLine}},
        {{200, R"({"aliexpress_affiliate_category_get_response":{}})"}, {UnreadLine}},
    };
    for (const Case &c : cases) {
        servers.answerApi(c.reply);
        const KeyCheckResult result = check();
        EXPECT_FALSE(result.works) << c.reply.body;
        EXPECT_EQ(result.lines, c.lines) << c.reply.body;
    }

    const KeyCheckResult closed =
        CheckOpenPlatformKey(TParametrs{QStringLiteral("1"), QStringLiteral("s")}, http,
                             servers.servicesWithClosedApiPort());
    ASSERT_EQ(closed.lines.size(), 3);
    EXPECT_EQ(closed.lines[0], NoAnswerLine);
    EXPECT_TRUE(closed.lines[1].startsWith("Socket Error # 10061"));
    EXPECT_EQ(closed.lines[2], ExpectedMeanings::Refused);

    // Nothing is sent without a key and a secret.
    const std::size_t sent = servers.apiRequests().size();
    EXPECT_EQ(check(QStringLiteral(" \t"), QStringLiteral("s")).lines,
              QStringList{"Необходим API KEY: App Key из консоли Open Platform."});
    EXPECT_EQ(check(QStringLiteral("1"), QStringLiteral("  ")).lines,
              QStringList{"Необходим App Secret: он в консоли Open Platform рядом с App Key."});
    EXPECT_EQ(servers.apiRequests().size(), sent);
}

} // namespace
