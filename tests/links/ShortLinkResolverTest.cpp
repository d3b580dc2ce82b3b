// Following a short link's redirects with the program's own client, hop by hop.
#include "ExpectedMeanings.h"
#include "LoopbackServices.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/ShortLinkResolver.h"
#include "net/TlsChannel.h"

#include <QUrl>

#include <gtest/gtest.h>

#include <map>

namespace {

class ShortLinkResolverTest : public ::testing::Test
{
protected:
    // Each path answers 302 to its location; any other path 404.
    void redirects(std::map<std::string, std::string> hops)
    {
        servers.answerApi([hops](const LoopbackServices::Received &request) {
            const auto hop = hops.find(request.target);
            if (hop == hops.end())
                return LoopbackServices::Reply{404, "none", "text/plain"};
            return LoopbackServices::Reply{302, "moved", "text/html", hop->second};
        });
    }
    QString base() const { return servers.services().apiGateway; }
    // The loopback host stands for a host that gives short links.
    std::optional<QString> resolve(const QString &address)
    {
        return ShortLinkResolver(view, http, QStringLiteral("127.0.0.1")).productId(address);
    }

    LoopbackServices servers;
    TlsChannel channel;
    HttpClient http{channel};
    RecordingView view;
};

TEST_F(ShortLinkResolverTest, RelativeAbsoluteAndLandingPageRedirectsLeadToTheId)
{
    const std::string item = "https://www.aliexpress.com/item/1005003091506814.html";
    redirects({{"/_abc", "/share/page?x=1"},
               {"/share/page?x=1", base().toStdString() + "/landing?redirectUrl=" +
                                       "https%3A%2F%2Fwww.aliexpress.com%2Fitem%2F" +
                                       "1005003091506814.html%3Fspm%3D1"}});
    EXPECT_EQ(resolve(base() + "/_abc"), "1005003091506814");
    const QString landing = base() + "/landing?redirectUrl=https%3A%2F%2Fwww.aliexpress.com%2F"
                                     "item%2F1005003091506814.html%3Fspm%3D1";
    EXPECT_EQ(view.log,
              (QStringList{"Ссылка " + base() + "/_abc ведёт на " + base() + "/share/page?x=1",
                           "Ссылка " + base() + "/share/page?x=1 ведёт на " + landing,
                           "Ссылка " + landing + " ведёт на " + QString::fromStdString(item) +
                               "?spm=1"}));
    // The landing page itself was never asked for.
    ASSERT_EQ(servers.apiRequests().size(), 2u);
    EXPECT_EQ(servers.apiRequests()[1].target, "/share/page?x=1");
}

TEST_F(ShortLinkResolverTest, LoopsTooManyHopsAndOtherSchemesEndWithoutAnId)
{
    redirects({{"/_loop", "/_loop2"},
               {"/_loop2", "/_loop"},
               {"/_1", "/_2"},
               {"/_2", "/_3"},
               {"/_3", "/_4"},
               {"/_4", "/_5"},
               {"/_5", "/_6"},
               {"/_6", "https://www.aliexpress.com/item/6.html"},
               {"/_app", "aliexpress://product/detail?productId=1"}});

    EXPECT_EQ(resolve(base() + "/_loop"), std::nullopt);
    EXPECT_EQ(view.log.last(), "Ссылки ведут по кругу: " + base() + "/_loop");
    EXPECT_EQ(servers.apiRequests().size(), 2u);

    view.log.clear();
    EXPECT_EQ(resolve(base() + "/_1"), std::nullopt);
    EXPECT_EQ(view.log.size(), 6);
    EXPECT_EQ(view.log.last(), "Больше 5 переходов, ссылка " + base() + "/_1 не раскрыта");
    EXPECT_EQ(servers.apiRequests().size(), 7u);

    view.log.clear();
    EXPECT_EQ(resolve(base() + "/_app"), std::nullopt);
    EXPECT_EQ(view.log.last(), "Переход не по HTTP отклонён: aliexpress://product/detail?"
                               "productId=1");
    EXPECT_EQ(servers.apiRequests().size(), 8u);
}

TEST_F(ShortLinkResolverTest, RawUtf8LocationsAreFollowedPercentEncoded)
{
    const QString item = QStringLiteral("https://www.aliexpress.com/item/7.html");
    // The servers send these Location values as raw UTF-8 bytes.
    redirects({{"/_ru", "/товар/ёлка?q=чай"},
               {"/%D1%82%D0%BE%D0%B2%D0%B0%D1%80/%D1%91%D0%BB%D0%BA%D0%B0?q=%D1%87%D0%B0%D0%B9",
                item.toStdString()},
               {"/_abs", base().toStdString() + "/ёж"},
               {"/%D1%91%D0%B6", item.toStdString()},
               {"/_app", "aliexpress://product/товар"}});
    struct Case
    {
        QString start;
        std::optional<QString> id;
        QStringList log;
    };
    const QString ruPage = base() + "/%D1%82%D0%BE%D0%B2%D0%B0%D1%80/%D1%91%D0%BB%D0%BA%D0%B0"
                                    "?q=%D1%87%D0%B0%D0%B9";
    const QString hedgehog = base() + "/%D1%91%D0%B6";
    const QString app = QStringLiteral("aliexpress://product/%D1%82%D0%BE%D0%B2%D0%B0%D1%80");
    const Case cases[] = {
        {"/_ru",
         "7",
         {"Ссылка " + base() + "/_ru ведёт на " + ruPage,
          "Ссылка " + ruPage + " ведёт на " + item}},
        {"/_abs",
         "7",
         {"Ссылка " + base() + "/_abs ведёт на " + hedgehog,
          "Ссылка " + hedgehog + " ведёт на " + item}},
        {"/_app",
         std::nullopt,
         {"Ссылка " + base() + "/_app ведёт на " + app, "Переход не по HTTP отклонён: " + app}},
    };
    for (const Case &c : cases) {
        view.log.clear();
        EXPECT_EQ(resolve(base() + c.start), c.id) << c.start.toStdString();
        EXPECT_EQ(view.log, c.log);
    }
}

TEST_F(ShortLinkResolverTest, RedirectorPagesAreReadForTheirTarget)
{
    const std::vector<std::pair<std::string, QStringList>> pages{
        {R"(<meta http-equiv="refresh" content="0; url=https://www.aliexpress.com/item/11.html)"
         R"(?spm=1&amp;sku_id=5">)",
         {"https://www.aliexpress.com/item/11.html?spm=1&sku_id=5"}},
        // Attributes in any order and case; a relative address; a landing page after it.
        {"<html><META content='1;URL=/go?redirectUrl=https%3A%2F%2Faliexpress.ru%2Fitem%2F12.html'"
         " HTTP-EQUIV='Refresh'></html>",
         {base() + "/go?redirectUrl=https%3A%2F%2Faliexpress.ru%2Fitem%2F12.html",
          "https://aliexpress.ru/item/12.html"}},
        {R"(<script>window.location.href = "https:\/\/aliexpress.ru\/item\/13.html?a=1\u0026b=2";)"
         "</script>",
         {"https://aliexpress.ru/item/13.html?a=1&b=2"}},
        {"<script>location.replace('https://m.aliexpress.com/i/14')</script>",
         {"https://m.aliexpress.com/i/14"}},
        // A partner's target wins over the page's own refresh.
        {R"(<meta http-equiv="refresh" content="0;url=/elsewhere"><a href="https://s.click.)"
         R"(aliexpress.com/deep_link.htm?aff_short_key=k&amp;dl_target_url=https%3A%2F%2Fwww.)"
         R"(aliexpress.com%2Fitem%2F15.html">)",
         {"https://www.aliexpress.com/item/15.html"}},
    };
    for (const auto &[page, targets] : pages) {
        servers.answerApi([page](const LoopbackServices::Received &) {
            return LoopbackServices::Reply{200, page, "text/html; charset=utf-8"};
        });
        view.log.clear();
        const std::optional<QString> id = resolve(base() + "/_page");
        EXPECT_EQ(id, QUrl(targets.last()).path().section(u'/', -1).section(u'.', 0, 0)) << page;
        QStringList expected;
        QString from = base() + "/_page";
        for (const QString &target : targets) {
            expected << "Ссылка " + from + " ведёт на " + target;
            from = target;
        }
        EXPECT_EQ(view.log, expected) << page;
    }
}

TEST_F(ShortLinkResolverTest, OtherHostsAreNotAskedAndAddressesAreShownClean)
{
    // Without the loopback host among the followed ones nothing is asked.
    EXPECT_EQ(ShortLinkResolver(view, http).productId(base() + "/_abc"), std::nullopt);
    EXPECT_EQ(view.log, QStringList{"Ссылка " + base() +
                                    "/_abc не раскрыта: её сайт не из тех, что дают короткие "
                                    "ссылки"});
    // A partner network's target is read without a request.
    view.log.clear();
    EXPECT_EQ(ShortLinkResolver(view, http)
                  .productId("https://alitems.site/g/1e8d?ulp=https%3A%2F%2Faliexpress.ru%2F"
                             "item%2F16.html"),
              "16");
    // Decoded targets may hold line breaks and bidirectional overrides: never in the log.
    view.log.clear();
    EXPECT_EQ(resolve(base() + "/landing?redirectUrl=https%3A%2F%2Fwww.aliexpress.com%2Fx"
                               "%0A%E2%80%AEfake%0D%0A"),
              std::nullopt);
    ASSERT_EQ(view.log.size(), 2);
    EXPECT_TRUE(view.log[0].endsWith(" ведёт на https://www.aliexpress.com/xfake"));
    EXPECT_TRUE(view.log[1].startsWith("Ссылка https://www.aliexpress.com/xfake не раскрыта"));
    EXPECT_TRUE(servers.apiRequests().empty());
}

TEST_F(ShortLinkResolverTest, FailingOrEndingHopsAreLoggedWithTheReason)
{
    redirects({{"/_gone", "/missing"}});
    EXPECT_EQ(resolve(base() + "/_gone"), std::nullopt);
    EXPECT_EQ(
        view.log.mid(view.log.size() - 2),
        (QStringList{"Не удалось раскрыть ссылку " + base() + "/missing: HTTP/1.1 404 Not Found",
                     ExpectedMeanings::NotFound}));

    servers.answerApi(LoopbackServices::Reply{200, "<html>landing</html>", "text/html"});
    view.log.clear();
    EXPECT_EQ(resolve(base() + "/_page"), std::nullopt);
    EXPECT_EQ(view.log, QStringList{"Ссылка " + base() + "/_page никуда не перенаправляет"});

    view.log.clear();
    EXPECT_EQ(resolve(servers.servicesWithClosedApiPort().apiGateway + "/_x"), std::nullopt);
    ASSERT_EQ(view.log.size(), 2);
    EXPECT_TRUE(view.log[0].contains(": Socket Error # 10061")) << view.log[0].toStdString();
    EXPECT_EQ(view.log[1], ExpectedMeanings::Refused);
}

} // namespace
