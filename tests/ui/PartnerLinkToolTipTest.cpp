// The product's title as the partner-link field's tooltip after a generate run with the Open
// Platform, and no stale title after a run that has none.
#include "LoopbackServices.h"
#include "LumettaApplication.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

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

// What a tooltip shows: its text as the tooltip renders it.
QString shownText(const QString &toolTip)
{
    QTextDocument document;
    if (Qt::mightBeRichText(toolTip))
        document.setHtml(toolTip);
    else
        document.setPlainText(toolTip);
    return document.toPlainText();
}

} // namespace

class PartnerLinkToolTipTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void titleIsTheTooltipUntilTheNextRun();
    void remoteTextShowsAsPlainBoundedText();
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
    QCOMPARE(shownText(window.EdLinkPartn->toolTip()), QStringLiteral("Термос 500 мл"));

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

// A seller's title and a service's text reach the tooltip and the log as plain text, bounded.
void PartnerLinkToolTipTest::remoteTextShowsAsPlainBoundedText()
{
    TemporaryDataDirectory data;
    TForm1 window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString huge(1 << 20, u'x');
    struct Case
    {
        const char *what;
        QString title;
        QString shown; // empty: the title itself
    };
    const QList<Case> cases{
        {"a local picture", QStringLiteral("<img src=\"/some/local/file.png\">"), {}},
        {"a share of another host", QStringLiteral("<img src=\"//host/share/x.png\">"), {}},
        {"a huge picture",
         QStringLiteral("<img src=\":/pictures/gear.svg\" width=30000 height=30000>"),
         {}},
        {"a wide table", QStringLiteral("<table width=5000><tr><td>x</td></tr></table>"), {}},
        {"a megabyte", huge, huge.left(299) + u'…'},
    };
    for (const Case &c : cases) {
        window.setPartnerLinkToolTip(c.title);
        QCOMPARE(shownText(window.EdLinkPartn->toolTip()), c.shown.isEmpty() ? c.title : c.shown);
        window.clearLog();
        window.AddLog(QStringLiteral("Товар: ") + c.title);
        const QString line = window.MemoLog->toPlainText();
        QVERIFY2(line.size() <= 2000, c.what);
        QVERIFY2(line.size() < 2000 ? line == QStringLiteral("Товар: ") + c.title
                                    : line.endsWith(u'…'),
                 c.what);
    }

    // Our own messages of several lines keep them.
    window.clearLog();
    window.AddLog(QStringLiteral("Socket Error # 10061\r\nConnection refused."));
    QCOMPARE(window.MemoLog->toPlainText(),
             QStringLiteral("Socket Error # 10061\nConnection refused."));
    // A run without a break wraps where the log ends instead of running on.
    window.clearLog();
    window.AddLog(QString(1500, u'y'));
    QTRY_VERIFY(window.MemoLog->document()->lastBlock().layout()->lineCount() > 1);
}

LUMETTA_UI_TEST_MAIN(PartnerLinkToolTipTest)

#include "PartnerLinkToolTipTest.moc"
