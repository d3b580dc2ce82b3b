// The product ID from every address form people paste, and the short links that name none.
#include "links/ProductAddress.h"
#include "QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

TEST(ProductAddress, IdIsReadFromEveryFormOnAnyMarketplaceHost)
{
    const std::vector<std::pair<QString, QString>> cases{
        {"https://www.aliexpress.com/item/1005003091506814.html", "1005003091506814"},
        {"https://aliexpress.ru/item/1005003091506814.html?spm=a2g0o&sku_id=12#nav",
         "1005003091506814"},
        {"http://m.aliexpress.com/item/33.html", "33"},
        {"https://es.aliexpress.com/item/4000123.html", "4000123"},
        {"https://www.aliexpress.us/item/3256801.html?gatewayAdapt=glo2usa", "3256801"},
        {"https://AliExpress.RU/item/5.htm", "5"},
        {"https://www.aliexpress.com/item/Thermos-500-ml/1005003091506814.html",
         "1005003091506814"},
        {"https://m.aliexpress.ru/i/1005003091506814.html", "1005003091506814"},
        {"https://aliexpress.ru/wholesale?productId=1005003091506814&x=1", "1005003091506814"},
        {"https://www.aliexpress.com/store/product/Thermos-500-ml/1102_1005003091506814.html",
         "1005003091506814"},
        {"https://m.aliexpress.ru/i/1005003091506814", "1005003091506814"},
        {"https://aliexpress.ru/ssr/?productIds=1005003091506814,33&spm=x", "1005003091506814"},
        {"https://aliexpress.ru/ssr/?productIds=1005003091506814%2C33", "1005003091506814"},
        {" https://www.aliexpress.com/item/18446744073709551615.html ", "18446744073709551615"},
        // No ID to be had.
        {"https://www.aliexpress.com/", ""},
        {"https://www.aliexpress.com/store/1102.html", ""},
        {"https://www.aliexpress.com/item/abc.html", ""},
        {"https://www.aliexpress.com/item/a/b/1.html", ""},
        {"https://aliexpress.ru/wholesale?productId=12x", ""},
        {"https://aliexpress.ru/wholesale?productIds=x,1", ""},
        {"https://www.aliexpress.com/store/product/a/1102-5.html", ""},
        {"https://www.aliexpress.com/i/5/x", ""},
        {"https://example.com/item/1005003091506814.html", ""},
        {"https://aliexpress.com.evil.example/item/1.html", ""},
        {"ftp://www.aliexpress.com/item/1.html", ""},
        {"https://a.aliexpress.com/_mKq9Xyz", ""},
        {"not an address", ""},
    };
    for (const auto &[address, id] : cases)
        EXPECT_EQ(ProductAddress::productId(address).value_or(QString()), id)
            << address.toStdString();
}

TEST(ProductAddress, OnlyTheHostsThatGiveShortLinksAndTargetsAreFollowed)
{
    const QString service = QStringLiteral("localhost");
    const std::vector<std::pair<QString, bool>> cases{
        {"https://a.aliexpress.com/_mKq9Xyz", true},
        {"https://s.click.aliexpress.com/e/_DdwUZVf", true},
        {"https://click.aliexpress.com/e/_DdwUZVf", true},
        {"https://ali.ski/Ab3-x_", true},
        {"https://localhost:18444/_demo/", true}, // the run's own service
        {"https://star.aliexpress.com/share/share.htm?redirectUrl=https%3A%2F%2Fx", true},
        {"https://s.click.aliexpress.com/deep_link.htm?dl_target_url=https%3A%2F%2Fx&aff_short_"
         "key=a",
         true},
        {"https://alitems.site/g/1e8d?ulp=https%3A%2F%2Faliexpress.ru%2F", true},
        {"https://www.aliexpress.com/item/1.html", false},
        {"https://a.aliexpress.com/x_1", false},
        {"https://example.com/_abc", false}, // any other host is sent as it is
        {"https://localhost:18444/share/x", false},
        {"https://ali.ski/", false},
        {"mailto:_x", false},
        {"ftp://a.aliexpress.com/_abc", false},
    };
    for (const auto &[address, followed] : cases)
        EXPECT_EQ(ProductAddress::isShortLink(address, service), followed) << address.toStdString();
    EXPECT_FALSE(ProductAddress::isShortLink("https://localhost:18444/_demo"));
}

TEST(ProductAddress, TheAddressIsTakenOutOfAPastedText)
{
    struct Case
    {
        QString text;
        QString address;
        bool fromText;
        bool schemeAdded;
    };
    const Case cases[] = {
        {" https://aliexpress.ru/item/1.html ", "https://aliexpress.ru/item/1.html", false, false},
        {"Термос 500 мл 1 299,00 руб. | Купить на AliExpress https://a.aliexpress.com/_mKq9Xyz",
         "https://a.aliexpress.com/_mKq9Xyz", true, false},
        {"Смотри: HTTPS://aliexpress.ru/item/1.html?sku_id=2. Дёшево!",
         "HTTPS://aliexpress.ru/item/1.html?sku_id=2", true, false},
        {"(см. https://ali.ski/Ab3)", "https://ali.ski/Ab3", true, false},
        {"aliexpress.ru/item/1.html?sku_id=2", "https://aliexpress.ru/item/1.html?sku_id=2", false,
         true},
        {"Вот: www.aliexpress.com/item/1.html.", "https://www.aliexpress.com/item/1.html", true,
         true},
        {"shop.example/item", "https://shop.example/item", false, true},
        // Among words only the marketplace's own hosts pass for addresses.
        {"see node.js and 1.299,00", "see node.js and 1.299,00", false, false},
        {"thermos", "thermos", false, false},
        {"ftp://aliexpress.ru/x", "ftp://aliexpress.ru/x", false, false},
    };
    for (const Case &c : cases) {
        const ProductAddress::Pasted pasted = ProductAddress::fromPastedText(c.text);
        EXPECT_EQ(pasted.address, c.address) << c.text.toStdString();
        EXPECT_EQ(pasted.fromText, c.fromText) << c.text.toStdString();
        EXPECT_EQ(pasted.schemeAdded, c.schemeAdded) << c.text.toStdString();
    }
}

TEST(ProductAddress, TrackingParametersAloneAreRemoved)
{
    const std::vector<std::tuple<QString, QString, QStringList>> cases{
        {"https://www.aliexpress.com/wholesale?SearchText=thermos&spm=a2g0o.home.1&algo_pvid=x",
         "https://www.aliexpress.com/wholesale?SearchText=thermos",
         {"spm", "algo_pvid"}},
        {"https://aliexpress.ru/p?aff_fcid=1&aff_fsk=2&aff_platform=3&aff_trace_key=4&"
         "terminal_id=5&gatewayAdapt=glo2rus&scm=6#top",
         "https://aliexpress.ru/p#top",
         {"aff_fcid", "aff_fsk", "aff_platform", "aff_trace_key", "terminal_id", "gatewayAdapt",
          "scm"}},
        {"https://s.click.aliexpress.com/deep_link.htm?dl_target_url=https%3A%2F%2Fx%3Fspm%3D1&"
         "aff_short_key=k&%73pm=2",
         "https://s.click.aliexpress.com/deep_link.htm?dl_target_url=https%3A%2F%2Fx%3Fspm%3D1&"
         "aff_short_key=k",
         {"spm"}},
        {"https://aliexpress.ru/p?SPM=1&spm_x=2&q=a+b",
         "https://aliexpress.ru/p?SPM=1&spm_x=2&q=a+b",
         {}},
        {"https://aliexpress.ru/p#x?spm=1", "https://aliexpress.ru/p#x?spm=1", {}},
    };
    for (const auto &[address, sent, removed] : cases) {
        const ProductAddress::Untracked untracked = ProductAddress::withoutTracking(address);
        EXPECT_EQ(untracked.address, sent) << address.toStdString();
        EXPECT_EQ(untracked.removed, removed) << address.toStdString();
    }
}

TEST(ProductAddress, ItemPageAndAddressWithoutQuery)
{
    EXPECT_EQ(ProductAddress::itemPage("42"), "https://www.aliexpress.com/item/42.html");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p?q=1#f"), "http://h/p");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p#f?q"), "http://h/p");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p"), "http://h/p");
}

} // namespace
