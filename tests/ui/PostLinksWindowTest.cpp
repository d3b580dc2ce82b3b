// The "Ссылки из текста" window: a post's addresses made into links off the window's thread,
// the replaced text and the table, the kept choice of short or partner links, and Stop.
#include "PostLinksWindow.h"
#include "HeldAnswerServer.h"
#include "LoopbackServices.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "Unit1.h"
#include "history/HistoryStore.h"
#include "stored/UnParam.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <memory>

namespace {

// One body answers both methods: each reads only its own member.
QByteArray gatewayAnswer()
{
    return LoopbackServices::answer(
        R"({"aliexpress_affiliate_link_generate_response":{"resp_result":{"resp_code":200,)"
        R"("result":{"promotion_links":{"promotion_link":[{"promotion_link":)"
        R"("https://s.click.aliexpress.com/e/_p7","source_value":)"
        R"("https://www.aliexpress.com/item/7.html"}]},"total_result_count":1}}},)"
        R"("aliexpress_affiliate_productdetail_get_response":{"resp_result":{"resp_code":200,)"
        R"("result":{"products":{"product":[{"product_id":7,"product_title":"Термос",)"
        R"("target_sale_price":"123.80","target_sale_price_currency":"RUB",)"
        R"("commission_rate":"3.0%"}]}}}}})",
        "application/json");
}

const QString Post = QStringLiteral("Термос: https://aliexpress.ru/item/7.html\n"
                                    "Ещё раз: https://aliexpress.ru/item/7.html!");

} // namespace

class PostLinksWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void addressesBecomeLinksInTheTextAndTheTable();
    void withoutTheOpenPlatformNothingIsSent();
    void stopEndsTheRunAtOnce();

private:
    PostLinksWindow *openWindow(const LinkServices &services);

    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<TForm1> m_main;
};

void PostLinksWindowTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    m_main = std::make_unique<TForm1>();
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QStringLiteral("secret");
    m_main->EdTrackID->setEditText(QStringLiteral("post-id"));
}

void PostLinksWindowTest::cleanup()
{
    m_main.reset();
    AppParams = TParametrs();
    m_data.reset();
}

PostLinksWindow *PostLinksWindowTest::openWindow(const LinkServices &services)
{
    LinkServices withPlatform = services;
    withPlatform.openPlatform = services.apiGateway;
    m_main->setLinkServices(withPlatform);
    m_main->Button7Click();
    PostLinksWindow *window = m_main->postLinksWindow();
    window->input()->setPlainText(Post);
    return window;
}

void PostLinksWindowTest::addressesBecomeLinksInTheTextAndTheTable()
{
    LoopbackServices services(gatewayAnswer(), LoopbackServices::answer("https://clck.ru/s7"));
    PostLinksWindow *window = openWindow(services.services());
    QVERIFY(window->isVisible());
    QCOMPARE(window->trackingId()->currentText(), QStringLiteral("post-id"));

    QTest::mouseClick(window->replaceButton(), Qt::LeftButton);
    QCOMPARE(window->replaceButton()->text(), QStringLiteral("Стоп"));
    QTRY_VERIFY_WITH_TIMEOUT(!window->worker().isRunning(), 15000);
    QCOMPARE(window->replaceButton()->text(), QStringLiteral("Заменить ссылки"));

    // Both places of the repeated address, one row each; the product asked for once.
    QCOMPARE(window->table()->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        QCOMPARE(window->table()->item(row, 0)->text(),
                 QStringLiteral("https://aliexpress.ru/item/7.html"));
        QCOMPARE(window->table()->item(row, 1)->text(), QStringLiteral("Термос"));
        QCOMPARE(window->table()->item(row, 4)->text(),
                 QStringLiteral("https://s.click.aliexpress.com/e/_p7"));
        QCOMPARE(window->table()->item(row, 5)->text(), QStringLiteral("https://clck.ru/s7"));
    }
    QCOMPARE(window->progressBar()->value(), window->progressBar()->maximum());
    QCOMPARE(window->result()->toPlainText(),
             QStringLiteral("Термос: https://clck.ru/s7\nЕщё раз: https://clck.ru/s7!"));
    QCOMPARE(services.shortener().requests().size(), 1);
    // The link is in the history once, as the address was asked once.
    QTRY_COMPARE(HistoryStore().count(), 1);

    // The choice of links changes the text at once and is kept for the next start.
    window->shortLinksChoice()->setChecked(false);
    QCOMPARE(window->result()->toPlainText(),
             QStringLiteral("Термос: https://s.click.aliexpress.com/e/_p7\n"
                            "Ещё раз: https://s.click.aliexpress.com/e/_p7!"));
    QCOMPARE(ReadSetting(QStringLiteral("FormPost.ShortLinks.Checked"), QString()),
             QStringLiteral("0"));
    QTest::mouseClick(window->copyButton(), Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), window->result()->toPlainText());
    // A link of the table copies with a double click.
    window->table()->scrollToItem(window->table()->item(0, 5));
    const QRect cell = window->table()->visualItemRect(window->table()->item(0, 5));
    // As the mouse makes it: QTest::mouseDClick sends the second press alone.
    QTest::mouseClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(window->table()->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("https://clck.ru/s7"));
}

void PostLinksWindowTest::withoutTheOpenPlatformNothingIsSent()
{
    LoopbackServices services(gatewayAnswer(), LoopbackServices::answer("https://clck.ru/s7"));
    PostLinksWindow *window = openWindow(services.services());
    AppParams.app_secret.clear();

    QTest::mouseClick(window->replaceButton(), Qt::LeftButton);
    QVERIFY(!window->worker().isRunning());
    QVERIFY(window->message()->text().contains(QStringLiteral("App Secret")));
    QCOMPARE(services.api().connectionCount(), 0);
    QCOMPARE(window->table()->rowCount(), 0);
}

void PostLinksWindowTest::stopEndsTheRunAtOnce()
{
    HeldAnswerServer api(gatewayAnswer());
    LoopbackServices services({}, LoopbackServices::answer("https://clck.ru/s7"));
    PostLinksWindow *window = openWindow(
        {QStringLiteral("http://127.0.0.1:%1").arg(api.port()), services.services().shortener});

    QTest::mouseClick(window->replaceButton(), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(api.hasRequest(), 10000);
    QTest::mouseClick(window->replaceButton(), Qt::LeftButton);
    QVERIFY(!window->worker().isRunning());
    QCOMPARE(window->replaceButton()->text(), QStringLiteral("Заменить ссылки"));
    QVERIFY(window->message()->text().contains(QStringLiteral("Остановлено.")));
    api.release();
    QCOMPARE(services.shortener().connectionCount(), 0);
}

LUMETTA_UI_TEST_MAIN(PostLinksWindowTest)
#include "PostLinksWindowTest.moc"
