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
        {" https://www.aliexpress.com/item/18446744073709551615.html ", "18446744073709551615"},
        // No ID to be had.
        {"https://www.aliexpress.com/", ""},
        {"https://www.aliexpress.com/store/1102.html", ""},
        {"https://www.aliexpress.com/item/abc.html", ""},
        {"https://www.aliexpress.com/item/a/b/1.html", ""},
        {"https://aliexpress.ru/wholesale?productId=12x", ""},
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

TEST(ProductAddress, ShortShareAndLandingLinksAreToBeFollowed)
{
    for (const QString &address :
         {QStringLiteral("https://a.aliexpress.com/_mKq9Xyz"),
          QStringLiteral("https://s.click.aliexpress.com/e/_DdwUZVf"),
          QStringLiteral("https://localhost:18444/_demo/"),
          QStringLiteral(
              "https://star.aliexpress.com/share/share.htm?redirectUrl=https%3A%2F%2Fx")})
        EXPECT_TRUE(ProductAddress::isShortLink(address)) << address.toStdString();
    for (const QString &address :
         {QStringLiteral("https://www.aliexpress.com/item/1.html"),
          QStringLiteral("https://a.aliexpress.com/x_1"), QStringLiteral("mailto:_x"),
          QStringLiteral("ftp://a.aliexpress.com/_abc")})
        EXPECT_FALSE(ProductAddress::isShortLink(address)) << address.toStdString();
}

TEST(ProductAddress, ItemPageAndAddressWithoutQuery)
{
    EXPECT_EQ(ProductAddress::itemPage("42"), "https://www.aliexpress.com/item/42.html");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p?q=1#f"), "http://h/p");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p#f?q"), "http://h/p");
    EXPECT_EQ(ProductAddress::withoutQuery("http://h/p"), "http://h/p");
}

} // namespace
