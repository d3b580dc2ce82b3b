// The product's title as the partner-link field's tooltip after a generate run with the Open
// Platform, and no stale title after a run that has none.
#include "LoopbackServices.h"
#include "LumettaApplication.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

// One body answers both calls: each reads only its own method's member.
QByteArray gatewayAnswer(const QByteArray &factsResult)
{
    return LoopbackServices::answer(
        "{\"aliexpress_affiliate_link_generate_response\":{\"resp_result\":{\"resp_code\":200,"
        "\"result\":{\"promotion_links\":{\"promotion_link\":[{\"promotion_link\":\"https://"
        "s.click."
        "aliexpress.com/e/_t\",\"source_value\":\"https://www.aliexpress.com/item/7.html\"}]},"
        "\"total_result_count\":1}}},\"aliexpress_affiliate_productdetail_get_response\":"
        "{\"resp_result\":{\"resp_code\":200,\"result\":" +
            factsResult + "}}}",
        "application/json");
}

} // namespace

class PartnerLinkToolTipTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleIsTheTooltipUntilTheNextRun();
};

void PartnerLinkToolTipTest::titleIsTheTooltipUntilTheNextRun()
{
    TemporaryDataDirectory data;
    TForm1 window; // loads the stored (here: no) key
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QStringLiteral("secret");
    window.EdTrackID->setEditText(QStringLiteral("t1"));
    window.EdUrl->setText(QStringLiteral("https://aliexpress.ru/item/7.html?spm=1"));

    LoopbackServices withTitle(
        gatewayAnswer("{\"products\":{\"product\":[{\"product_title\":\"Термос 500 мл\"}]}}"),
        LoopbackServices::answer("https://clck.ru/t"));
    LinkServices services = withTitle.services();
    services.openPlatform = services.apiGateway;
    window.setLinkServices(services);
    window.Button1Click();
    QVERIFY(waitForRunEnd(window));
    QVERIFY2(window.EdLinkPartn->text() == QStringLiteral("https://s.click.aliexpress.com/e/_t"),
             qPrintable(window.MemoLog->toPlainText()));
    QCOMPARE(window.EdLinkPartn->toolTip(), QStringLiteral("Термос 500 мл"));

    LoopbackServices withoutProduct(gatewayAnswer("{\"products\":{\"product\":[]}}"),
                                    LoopbackServices::answer("https://clck.ru/t"));
    services = withoutProduct.services();
    services.openPlatform = services.apiGateway;
    window.setLinkServices(services);
    window.Button1Click();
    QVERIFY(waitForRunEnd(window));
    QCOMPARE(window.EdLinkPartn->text(), QStringLiteral("https://s.click.aliexpress.com/e/_t"));
    QCOMPARE(window.EdLinkPartn->toolTip(), QString());
    AppParams = TParametrs();
}

int main(int argc, char **argv)
{
    LumettaApplication application(argc, argv);
    PartnerLinkToolTipTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "PartnerLinkToolTipTest.moc"
