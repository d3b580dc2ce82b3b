// Signing and encoding of an Open Platform call, with the service's own known answers.
#include "links/OpenPlatformRequest.h"
#include "QStringPrinter.h"

#include <gtest/gtest.h>

namespace {

const QString Secret = QStringLiteral("helloworld");

TEST(OpenPlatformRequest, SignaturesMatchTheKnownAnswers)
{
    // The documentation's example: a path-style method, its path signed first.
    const std::map<QByteArray, QByteArray> pathStyle{{"app_key", "123456"},
                                                     {"access_token", "test"},
                                                     {"timestamp", "1517820392000"},
                                                     {"sign_method", "sha256"},
                                                     {"order_id", "1234"}};
    EXPECT_EQ(OpenPlatformRequest::signature("/order/get", pathStyle, Secret),
              "4190D32361CFB9581350222F345CB77F3B19F0E31D162316848A2C1FFD5FAB4A");

    // A dotted method on /sync: no prefix. Built the way the program builds it, less v.
    OpenPlatformRequest request(QStringLiteral("aliexpress.affiliate.link.generate"),
                                QStringLiteral("12345678"), 1700000000000);
    request.set(QStringLiteral("promotion_link_type"), QStringLiteral("0"));
    request.set(QStringLiteral("source_values"),
                QStringLiteral("https://www.aliexpress.com/item/1005003091506814.html"));
    request.set(QStringLiteral("tracking_id"), QStringLiteral("default"));
    auto parameters = request.parameters();
    EXPECT_EQ(parameters.at("v"), "2.0");
    parameters.erase("v");
    EXPECT_EQ(OpenPlatformRequest::signature(QByteArray(), parameters, Secret),
              "458549AAA51E1D9F525066D7ED429D83956ABEE5FEDF893429E495E65C65CDCB");

    // sign itself is never signed; the secret changes everything.
    parameters["sign"] = "whatever";
    EXPECT_EQ(OpenPlatformRequest::signature(QByteArray(), parameters, Secret),
              "458549AAA51E1D9F525066D7ED429D83956ABEE5FEDF893429E495E65C65CDCB");
    EXPECT_NE(OpenPlatformRequest::signature(QByteArray(), parameters, "helloworlD"),
              "458549AAA51E1D9F525066D7ED429D83956ABEE5FEDF893429E495E65C65CDCB");
}

TEST(OpenPlatformRequest, QueryIsSortedPercentEncodedAndSignedLast)
{
    OpenPlatformRequest request(QStringLiteral("m.x"), QStringLiteral("42"), 5);
    request.set(QStringLiteral("tracking_id"), QStringLiteral("a b+c~-._/é"));
    request.set(QStringLiteral("source_values"), QStringLiteral("https://h/i/1.html,x=y&z"));
    request.set(QStringLiteral("tracking_id"), QStringLiteral("a b+c~-._/é")); // replaced
    const QString query = request.query(QStringLiteral("s3cr3t"));

    const QString signature = OpenPlatformRequest::signature(QByteArray(), request.parameters(),
                                                             QStringLiteral("s3cr3t"));
    EXPECT_EQ(query, "app_key=42&format=json&method=m.x&sign_method=sha256&source_values="
                     "https%3A%2F%2Fh%2Fi%2F1.html%2Cx%3Dy%26z&timestamp=5&tracking_id="
                     "a%20b%2Bc~-._%2F%C3%A9&v=2.0&sign=" +
                         signature);
    EXPECT_FALSE(query.contains("s3cr3t"));
    EXPECT_EQ(request.url(QStringLiteral("https://gw"), QStringLiteral("s3cr3t")),
              "https://gw/sync?" + query);

    // The signature covers the raw values, not their encoded form.
    std::map<QByteArray, QByteArray> raw = request.parameters();
    EXPECT_EQ(raw.at("tracking_id"), QStringLiteral("a b+c~-._/é").toUtf8());
}

} // namespace
