#include "HeldAnswerServer.h"
#include "LoopbackServices.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/ClickablePicture.h"
#include "widgets/GlyphButton.h"
#include "widgets/ImageButton.h"

#include <QClipboard>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QContextMenuEvent>
#include <QDir>
#include <QDropEvent>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

namespace {
const QByteArray PartnerLinkAnswer =
    R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[)"
    R"({"url":"http://aliexpress.ru/item/42.html","promotionUrl":"http://s.click.example/e/_dAbc"}]}})";

QStringList logLines(const TForm1 &window)
{
    return window.MemoLog->toPlainText().split(u'\n');
}

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result.append(box->itemText(i));
    return result;
}

QStringList items(const QListWidget *list)
{
    QStringList result;
    for (int i = 0; i < list->count(); ++i)
        result.append(list->item(i)->text());
    return result;
}
} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void generateButtonFillsLinksAndLog();
    void enterInAddressFieldGenerates();
    void windowAnswersWhileARunWaits();
    void stopEndsTheRunAtOnceWhicheverWay();
    void enterElsewhereStartsNothing();
    void generateWithoutKeyLogsAndSendsNothing();
    void addLogKeepsEmptyAndMultiLineEntries();
    void addLogScrollsToTheNewLine();
    void copyButtonsCopyWholeTextAndLog();
    void copyButtonsIgnoreBlanksOnly();
    void pasteButtonReplacesWholeAddress();
    void pasteWithEmptyClipboardKeepsAddress();
    void pastesKeepTheFirstLineOnly();
    void longLinksShowFromTheirStart();
    void pagesOpenInBrowser();
    void trackingIdCompletesCaseSensitively();
    void editorRefillsDropDownWhateverItsResult();
    void settingsOkStoresKeyCancelWritesNothing();
    void failedKeyStoreIsReported();
    void closingSavesBothInputs();
    void failedSaveKeepsWindowOpen();
    void tabOrderFollowsTheDesign();
    void controlsCarryTheirHintsAndPointers();
    void everyVisibleControlStandsWhereDesigned();
    void startupShowCommandPicksTheWindowState();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<TForm1> m_window;
};

void MainWindowTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    QCoreApplication::setApplicationName(QStringLiteral("Dalvo Lumetta"));
    m_window = std::make_unique<TForm1>();
    Form2 = new TForm2(m_window.get());
    FmParam = new TFmParam(m_window.get());
    AppParams.api_key = QStringLiteral("12345");
    m_window->EdTrackID->setEditText(QStringLiteral("mytrack"));
    m_window->EdUrl->setText(QStringLiteral("http://aliexpress.ru/item/42.html"));
    QGuiApplication::clipboard()->clear();
}

void MainWindowTest::cleanup()
{
    m_window.reset(); // the dialogs are its children
    Form2 = nullptr;
    FmParam = nullptr;
    AppParams.api_key.clear();
    m_data.reset();
}

void MainWindowTest::generateButtonFillsLinksAndLog()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/xyz"));
    m_window->setLinkServices(services.services());
    m_window->AddLog(QStringLiteral("from an earlier run"));

    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QVERIFY(waitForRunEnd(*m_window));

    const QStringList expected{
        QStringLiteral("Используется старый API AliExpress: portals.open api.getPromotionLinks"),
        QStringLiteral("Статус ответа: 20010000"),
        QString(),
        QStringLiteral("Всего данных (ali): 1"),
        QString(),
        QStringLiteral("Всего данных (факт): 1"),
        QString(),
        QStringLiteral("Для ссылки: http://aliexpress.ru/item/42.html"),
        QStringLiteral("Партнёрская: http://s.click.example/e/_dAbc"),
        QStringLiteral("Короткая партнёрская от Яндекса: https://ya.cc/t/xyz"),
        QString()};
    QCOMPARE(logLines(*m_window), expected);
    QCOMPARE(m_window->EdLinkPartn->text(), QStringLiteral("http://s.click.example/e/_dAbc"));
    QCOMPARE(m_window->EdShortParLink->text(), QStringLiteral("https://ya.cc/t/xyz"));
    QCOMPARE(m_window->MemoRes->toPlainText(), QString::fromUtf8(PartnerLinkAnswer));
    const QString requestUrl = m_window->EdGet->text();
    QVERIFY2(requestUrl.endsWith(QStringLiteral("/openapi/param2/2/portals.open/"
                                                "api.getPromotionLinks/12345?fields=promotionUrls"
                                                "&trackingId=mytrack&urls=http://aliexpress.ru/"
                                                "item/42.html")),
             qPrintable(requestUrl));
    QCOMPARE(services.api().requests().size(), 1);
    QVERIFY(services.api().requests().at(0).head.contains("trackingId=mytrack"));
    QCOMPARE(services.shortener().requests().size(), 1);
    QVERIFY(services.shortener().requests().at(0).body.startsWith("url=http"));
    QVERIFY(!m_window->EdGet->isVisible() && !m_window->MemoRes->isVisible());
}

void MainWindowTest::enterInAddressFieldGenerates()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/enter"));
    m_window->setLinkServices(services.services());

    QTest::keyClick(m_window->EdUrl, Qt::Key_Return);
    QVERIFY(waitForRunEnd(*m_window));

    QCOMPARE(services.api().requests().size(), 1);
    QCOMPARE(m_window->EdShortParLink->text(), QStringLiteral("https://ya.cc/t/enter"));
    QCOMPARE(logLines(*m_window).value(1), QStringLiteral("Статус ответа: 20010000"));
    // The carriage return still reaches the field, which inserts nothing for it.
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/42.html"));

    QTest::keyClick(m_window->EdUrl, Qt::Key_A);
    QVERIFY(!m_window->isGenerating());
    QCOMPARE(services.api().requests().size(), 1);
}

void MainWindowTest::windowAnswersWhileARunWaits()
{
    HeldAnswerServer api(LoopbackServices::answer(PartnerLinkAnswer, "application/json"));
    LoopbackServices services({}, LoopbackServices::answer("https://ya.cc/t/held"));
    m_window->setLinkServices(
        {QStringLiteral("http://127.0.0.1:%1").arg(api.port()), services.services().shortener});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QRect buttonPlace = m_window->Button1->geometry();

    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(api.hasRequest(), 10000);
    QCOMPARE(m_window->Button1->text(), QStringLiteral("Стоп"));
    QCOMPARE(m_window->Button1->geometry(), buttonPlace);
    // The window's thread is free: what is typed shows at once, and Enter starts nothing.
    m_window->EdUrl->selectAll();
    QTest::keyClicks(m_window->EdUrl, QStringLiteral("http://aliexpress.ru/item/7.html"));
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/7.html"));
    QTest::keyClick(m_window->EdUrl, Qt::Key_Return);
    QVERIFY(m_window->isGenerating());

    api.release();
    QVERIFY(waitForRunEnd(*m_window));
    QCOMPARE(m_window->Button1->text(), QStringLiteral("Банзай"));
    QCOMPARE(m_window->EdShortParLink->text(), QStringLiteral("https://ya.cc/t/held"));
    // The run sent the address it started with; the edit is for the next one.
    QVERIFY(m_window->EdGet->text().endsWith(
        QStringLiteral("&urls=http://aliexpress.ru/item/42.html")));
    QCOMPARE(services.shortener().connectionCount(), 1);
}

void MainWindowTest::stopEndsTheRunAtOnceWhicheverWay()
{
    const QString typed = QStringLiteral("http://aliexpress.ru/item/typed.html");
    struct Way
    {
        const char *name;
        std::function<void(TForm1 &)> stop;
    };
    const QList<Way> ways{
        {"the button", [](TForm1 &w) { QTest::mouseClick(w.Button1, Qt::LeftButton); }},
        {"Esc", [](TForm1 &w) { QTest::keyClick(w.EdUrl, Qt::Key_Escape); }},
        {"closing the window", [](TForm1 &w) { QVERIFY(w.close()); }},
    };
    for (const Way &way : ways) {
        const QByteArray name = way.name;
        auto window = std::make_unique<TForm1>();
        AppParams.api_key = QStringLiteral("12345"); // the window loaded none
        HeldAnswerServer api(LoopbackServices::answer(PartnerLinkAnswer, "application/json"));
        LoopbackServices services({}, LoopbackServices::answer("https://ya.cc/t/late"));
        window->setLinkServices(
            {QStringLiteral("http://127.0.0.1:%1").arg(api.port()), services.services().shortener});
        window->EdShortParLink->setText(QStringLiteral("earlier"));
        window->show();
        window->activateWindow();
        QVERIFY2(QTest::qWaitForWindowActive(window.get()), name);
        QTest::mouseClick(window->Button1, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(api.hasRequest(), 10000);
        // Shown: the run's start, which empties the outlets.
        QTRY_VERIFY(window->EdShortParLink->text().isEmpty());
        window->EdUrl->setText(typed);

        way.stop(*window);
        // At once, before the worker has said anything more.
        QVERIFY2(!window->isGenerating(), name);
        QCOMPARE(logLines(*window).last(), QStringLiteral("Остановлено."));
        QCOMPARE(window->Button1->text(), QStringLiteral("Банзай"));
        QCOMPARE(window->EdLinkPartn->text(), QString());
        QCOMPARE(window->EdShortParLink->text(), QString());

        // The answer that comes after all is not shown.
        const QStringList log = logLines(*window);
        api.release();
        QTest::qWait(300);
        QCOMPARE(logLines(*window), log);
        QCOMPARE(window->EdLinkPartn->text(), QString());
        QCOMPARE(services.shortener().connectionCount(), 0);
        if (way.name == QByteArrayLiteral("closing the window")) {
            QVERIFY(!window->isVisible());
            QCOMPARE(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()), typed);
        }
    }
}

void MainWindowTest::enterElsewhereStartsNothing()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/no"));
    m_window->setLinkServices(services.services());
    m_window->AddLog(QStringLiteral("kept"));

    for (QWidget *field : {static_cast<QWidget *>(m_window->EdTrackID),
                           static_cast<QWidget *>(m_window->EdLinkPartn),
                           static_cast<QWidget *>(m_window->EdShortParLink),
                           static_cast<QWidget *>(m_window->MemoLog)}) {
        QTest::keyClick(field, Qt::Key_Return);
        QTest::keyClick(field, Qt::Key_Enter);
    }

    QCOMPARE(services.api().connectionCount(), 0);
    // Enter typed in the log inserts no line break either.
    QCOMPARE(logLines(*m_window), QStringList{QStringLiteral("kept")});
    QCOMPARE(items(m_window->EdTrackID), QStringList());
}

void MainWindowTest::generateWithoutKeyLogsAndSendsNothing()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/no"));
    m_window->setLinkServices(services.services());
    AppParams.api_key = QStringLiteral(" \t ");
    m_window->EdShortParLink->setText(QStringLiteral("earlier"));

    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QVERIFY(waitForRunEnd(*m_window));

    QCOMPARE(logLines(*m_window),
             (QStringList{QStringLiteral("Необходим API KEY. Зайдите в настроки программы."),
                          QString()}));
    QCOMPARE(services.api().connectionCount(), 0);
    QCOMPARE(services.shortener().connectionCount(), 0);
    // No short link outlives the run that made it.
    QCOMPARE(m_window->EdShortParLink->text(), QString());
}

void MainWindowTest::addLogKeepsEmptyAndMultiLineEntries()
{
    m_window->AddLog(QString());
    m_window->AddLog(QStringLiteral("two\r\nlines"));
    m_window->AddLog(QStringLiteral("last"));
    QCOMPARE(logLines(*m_window), (QStringList{QString(), QStringLiteral("two"),
                                               QStringLiteral("lines"), QStringLiteral("last")}));

    m_window->clearLog();
    m_window->AddLog(QStringLiteral("after clearing"));
    QCOMPARE(logLines(*m_window), QStringList{QStringLiteral("after clearing")});
}

void MainWindowTest::addLogScrollsToTheNewLine()
{
    m_window->show();
    for (int i = 0; i < 60; ++i)
        m_window->AddLog(QStringLiteral("line %1").arg(i));
    QScrollBar *bar = m_window->MemoLog->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
}

void MainWindowTest::copyButtonsCopyWholeTextAndLog()
{
    m_window->AddLog(QStringLiteral("earlier line"));
    m_window->EdLinkPartn->setText(QStringLiteral("  http://s.click.example/e/1 "));
    QTest::mouseClick(m_window->Button3, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("  http://s.click.example/e/1 "));
    QCOMPARE(m_window->EdLinkPartn->selectedText(), m_window->EdLinkPartn->text());

    m_window->EdShortParLink->setText(QStringLiteral("https://ya.cc/t/2"));
    QTest::mouseClick(m_window->Button6, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("https://ya.cc/t/2"));

    QCOMPARE(
        logLines(*m_window),
        (QStringList{QStringLiteral("earlier line"),
                     QStringLiteral("Партнёрская ссылка скопирована в буфер обмена."),
                     QStringLiteral("Короткая партнёрская ссылка скопирована в буфер обмена.")}));
}

void MainWindowTest::copyButtonsIgnoreBlanksOnly()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
    m_window->EdLinkPartn->setText(QStringLiteral(" \t "));
    m_window->EdShortParLink->setText(QString());
    QTest::mouseClick(m_window->Button3, Qt::LeftButton);
    QTest::mouseClick(m_window->Button6, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("untouched"));
    QCOMPARE(m_window->MemoLog->toPlainText(), QString());

    // A character above the blank is content, even if Qt would call it white space.
    m_window->EdLinkPartn->setText(QString(QChar(0xA0)));
    QTest::mouseClick(m_window->Button3, Qt::LeftButton);
    QCOMPARE(QGuiApplication::clipboard()->text(), QString(QChar(0xA0)));
}

void MainWindowTest::pasteButtonReplacesWholeAddress()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/no"));
    m_window->setLinkServices(services.services());
    QGuiApplication::clipboard()->setText(QStringLiteral("http://aliexpress.ru/item/7.html"));
    m_window->EdUrl->setSelection(3, 4); // only part of the address selected

    QTest::mouseClick(m_window->Button5, Qt::LeftButton);

    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/7.html"));
    QCOMPARE(services.api().connectionCount(), 0);
    QCOMPARE(m_window->MemoLog->toPlainText(), QString());
}

void MainWindowTest::pasteWithEmptyClipboardKeepsAddress()
{
    QGuiApplication::clipboard()->clear();
    QTest::mouseClick(m_window->Button5, Qt::LeftButton);
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/42.html"));
    QCOMPARE(m_window->EdUrl->selectedText(), m_window->EdUrl->text());
}

void MainWindowTest::pastesKeepTheFirstLineOnly()
{
    LoopbackServices services(LoopbackServices::answer(PartnerLinkAnswer, "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/1"));
    m_window->setLinkServices(services.services());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QClipboard *clipboard = QGuiApplication::clipboard();

    clipboard->setText(QStringLiteral("http://aliexpress.ru/item/7.html\r\n"));
    QTest::mouseClick(m_window->Button5, Qt::LeftButton);
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/7.html"));
    // Empty lines before the address are passed over; a text of blank lines pastes nothing.
    for (const QString &text : {QStringLiteral("\r\n  \nhttp://aliexpress.ru/item/8.html\nmore"),
                                QStringLiteral(" \n\t\n")}) {
        clipboard->setText(text);
        QTest::mouseClick(m_window->Button5, Qt::LeftButton);
        QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/8.html"));
    }
    clipboard->setText(QStringLiteral("\nhttp://aliexpress.ru/item/7.html"));
    m_window->EdUrl->setFocus();
    m_window->EdUrl->selectAll();
    QTest::keyClick(m_window->EdUrl, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/7.html"));

    clipboard->setText(QStringLiteral("42.html\nsecond line"));
    m_window->EdUrl->setFocus();
    m_window->EdUrl->setSelection(m_window->EdUrl->text().size() - 5, 5);
    QTest::keyClick(m_window->EdUrl, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_window->EdUrl->text(), QStringLiteral("http://aliexpress.ru/item/742.html"));

    QLineEdit *trackingId = m_window->EdTrackID->lineEdit();
    clipboard->setText(QStringLiteral("pasted\rid"));
    trackingId->setFocus();
    trackingId->selectAll();
    QTest::keyClick(trackingId, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_window->EdTrackID->currentText(), QStringLiteral("pasted"));

    // A dropped text is cut the same way.
    QMimeData dropped;
    dropped.setText(QStringLiteral("dropped\r\nsecond line"));
    m_window->EdLinkPartn->clear();
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window->EdLinkPartn, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dropped, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window->EdLinkPartn, &drop);
    QCOMPARE(m_window->EdLinkPartn->text(), QStringLiteral("dropped"));

    // The context menu's Paste does the same.
    clipboard->setText(QStringLiteral("menu\n"));
    m_window->EdLinkPartn->clear();
    QContextMenuEvent menuRequest(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                  m_window->EdLinkPartn->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(m_window->EdLinkPartn, &menuRequest);
    QMenu *menu = nullptr;
    QTRY_VERIFY((menu = qobject_cast<QMenu *>(QApplication::activePopupWidget())) != nullptr);
    const QList<QAction *> actions = menu->actions();
    const auto paste = std::find_if(actions.begin(), actions.end(), [](QAction *action) {
        return action->text().startsWith(QLineEdit::tr("&Paste"));
    });
    QVERIFY(paste != actions.end());
    (*paste)->trigger();
    menu->close();
    QCOMPARE(m_window->EdLinkPartn->text(), QStringLiteral("menu"));

    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QVERIFY(waitForRunEnd(*m_window));
    QCOMPARE(services.api().requests().size(), 1);
    const QByteArray requestLine = services.api().requests().at(0).head.split('\r').first();
    QVERIFY2(requestLine.endsWith("trackingId=pasted&urls=http://aliexpress.ru/item/742.html "
                                  "HTTP/1.1"),
             requestLine.constData());
}

void MainWindowTest::longLinksShowFromTheirStart()
{
    const QByteArray longLink = "https://s.click.aliexpress.com/e/_" + QByteArray(300, 'x');
    LoopbackServices services(LoopbackServices::answer(R"({"errorCode":20010000,"result":{)"
                                                       R"("totalResults":1,"promotionUrls":[)"
                                                       R"({"url":"u","promotionUrl":")" +
                                                           longLink + R"("}]}})",
                                                       "application/json"),
                              LoopbackServices::answer("https://ya.cc/t/" + QByteArray(300, 'y')));
    m_window->setLinkServices(services.services());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    QTest::mouseClick(m_window->Button1, Qt::LeftButton);
    QVERIFY(waitForRunEnd(*m_window));

    for (QLineEdit *field : {static_cast<QLineEdit *>(m_window->EdLinkPartn),
                             static_cast<QLineEdit *>(m_window->EdShortParLink)}) {
        QVERIFY2(field->text().size() > 300, qPrintable(field->objectName()));
        QCOMPARE(field->cursorPosition(), 0);
        // Scrolled to its start: the cursor stands at the field's left edge.
        QVERIFY(field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left() < 8);
    }
}

void MainWindowTest::pagesOpenInBrowser()
{
    ShellOpenRecorder opened;
    QTest::mouseClick(m_window->Image2, Qt::LeftButton);
    QTest::mouseClick(m_window->Button4, Qt::LeftButton);
    QTest::mouseClick(m_window->Image3, Qt::LeftButton);
    // A press that ends outside the picture is no click.
    QTest::mousePress(m_window->Image2, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(m_window->Image2, Qt::LeftButton, {}, QPoint(60, 5));

    QCOMPARE(opened.urls,
             (QStringList{WebPages::help(), WebPages::donate(), WebPages::portalHome()}));
    QVERIFY(opened.urls.at(0).startsWith(QStringLiteral("http://")));
    QVERIFY(opened.urls.at(1).endsWith(QStringLiteral("/soft/lumetta#donate")));
    QCOMPARE(m_window->MemoLog->toPlainText(), QString());
}

void MainWindowTest::trackingIdCompletesCaseSensitively()
{
    QComboBox *box = m_window->EdTrackID;
    box->addItems({QStringLiteral("zeta"), QStringLiteral("Alpine"), QStringLiteral("alpha")});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    box->setFocus();
    box->clearEditText();

    QTest::keyClicks(box, QStringLiteral("al"));
    QCOMPARE(box->currentText(), QStringLiteral("alpha"));

    box->clearEditText();
    QTest::keyClicks(box, QStringLiteral("Al"));
    QCOMPARE(box->currentText(), QStringLiteral("Alpine"));

    // Text that is no item is kept as typed, and Enter does not make it one.
    box->clearEditText();
    QTest::keyClicks(box, QStringLiteral("ALP"));
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->currentText(), QStringLiteral("ALP"));
    QCOMPARE(items(box), (QStringList{QStringLiteral("zeta"), QStringLiteral("Alpine"),
                                      QStringLiteral("alpha")}));
}

void MainWindowTest::editorRefillsDropDownWhateverItsResult()
{
    TrackingIds.items = QStringList{QStringLiteral("one"), QStringLiteral("two")};
    QStringList shownInEditor;
    int selectedInEditor = -2;

    ModalDriver cancel([&](QWidget *modal) {
        QCOMPARE(modal, static_cast<QWidget *>(Form2));
        shownInEditor = items(Form2->ListBox1);
        selectedInEditor = Form2->ListBox1->selectedItems().size();
        Form2->ListBox1->addItem(QStringLiteral("discarded"));
        QTest::keyClick(modal, Qt::Key_Escape);
    });
    QTest::mouseClick(m_window->Button2, Qt::LeftButton);
    QVERIFY(cancel.actionRan());
    QCOMPARE(shownInEditor, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));
    QCOMPARE(selectedInEditor, 0);
    QCOMPARE(items(m_window->EdTrackID), TrackingIds.items);
    QCOMPARE(TrackingIds.items, (QStringList{QStringLiteral("one"), QStringLiteral("two")}));

    ModalDriver ok([&](QWidget *) {
        Form2->ListBox1->addItem(QStringLiteral("three"));
        QTest::mouseClick(Form2->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(m_window->Button2, Qt::LeftButton);
    QVERIFY(ok.actionRan());
    const QStringList edited{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")};
    QCOMPARE(TrackingIds.items, edited);
    QCOMPARE(items(m_window->EdTrackID), edited);
    // The text part is kept, although it is not among the items.
    QCOMPARE(m_window->EdTrackID->currentText(), QStringLiteral("mytrack"));
    QVERIFY(QFile::exists(TrackingIdFilePath()));
}

void MainWindowTest::settingsOkStoresKeyCancelWritesNothing()
{
    ModalDriver cancel([](QWidget *modal) {
        QCOMPARE(modal, static_cast<QWidget *>(FmParam));
        QTest::mouseClick(FmParam->BitBtn2, Qt::LeftButton);
    });
    QTest::mouseClick(m_window->Image1, Qt::LeftButton);
    QVERIFY(cancel.actionRan());
    QVERIFY(!QFile::exists(SettingsFilePath()));

    ModalDriver ok([](QWidget *) {
        QLineEdit *key = FmParam->findChild<QLineEdit *>(QStringLiteral("EdAppkey"));
        QVERIFY(key);
        key->setText(QStringLiteral("987654"));
        QTest::mouseClick(FmParam->BitBtn1, Qt::LeftButton);
    });
    QTest::mouseClick(m_window->Image1, Qt::LeftButton);
    QVERIFY(ok.actionRan());
    QCOMPARE(AppParams.api_key, QStringLiteral("987654"));
    QCOMPARE(ReadSetting(QStringLiteral("api_key"), QString()),
             Base64EncodeText(QStringLiteral("987654")));
    QCOMPARE(m_window->MemoLog->toPlainText(), QString());
}

void MainWindowTest::failedKeyStoreIsReported()
{
    ErrorBoxRecorder errors;
    QVERIFY(QDir(m_data->path()).mkdir(QStringLiteral("setting.ini")));
    ModalDriver ok([](QWidget *) { QTest::mouseClick(FmParam->BitBtn1, Qt::LeftButton); });
    AppParams.api_key = QStringLiteral("555");

    // The store's error escapes the click handler and reaches the general error handler.
    QTest::mouseClick(m_window->Image1, Qt::LeftButton);

    QVERIFY(ok.actionRan());
    QCOMPARE(errors.texts,
             QStringList{QStringLiteral("Unable to write to %1.").arg(SettingsFilePath())});
    QCOMPARE(errors.captions, QStringList{QStringLiteral("Dalvo Lumetta")});
    QCOMPARE(AppParams.api_key, QStringLiteral("555"));
}

void MainWindowTest::closingSavesBothInputs()
{
    m_window->show();
    m_window->EdTrackID->setEditText(QStringLiteral("chosen-id"));
    m_window->EdUrl->setText(QStringLiteral("http://aliexpress.ru/item/1.html?a=b"));

    QVERIFY(m_window->close());

    QVERIFY(!m_window->isVisible());
    QCOMPARE(ReadSetting(QStringLiteral("Form1.EdTrackID.Text"), QStringLiteral("none")),
             QStringLiteral("chosen-id"));
    QCOMPARE(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("none")),
             QStringLiteral("http://aliexpress.ru/item/1.html?a=b"));
    QVERIFY(!QFile::exists(TrackingIdFilePath()));
}

void MainWindowTest::failedSaveKeepsWindowOpen()
{
    ErrorBoxRecorder errors;
    QVERIFY(QDir(m_data->path()).mkdir(QStringLiteral("setting.ini")));
    m_window->show();

    QVERIFY(!m_window->close());

    QVERIFY(m_window->isVisible());
    // Only the first write is tried, so the error is shown once.
    QCOMPARE(errors.texts,
             QStringList{QStringLiteral("Unable to write to %1.").arg(SettingsFilePath())});

    // Once the file can be written again, closing works.
    QVERIFY(QDir(m_data->path()).rmdir(QStringLiteral("setting.ini")));
    QVERIFY(m_window->close());
    QCOMPARE(errors.texts.size(), 1);
}

void MainWindowTest::tabOrderFollowsTheDesign()
{
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(m_window->EdUrl));
    QCOMPARE(m_window->EdUrl->selectedText(), m_window->EdUrl->text());

    const QStringList expected{
        QStringLiteral("Button1"),   QStringLiteral("MemoLog"), QStringLiteral("EdLinkPartn"),
        QStringLiteral("EdTrackID"), QStringLiteral("Button2"), QStringLiteral("Button3"),
        QStringLiteral("Button4"),   QStringLiteral("Button5"), QStringLiteral("EdShortParLink"),
        QStringLiteral("Button6"),   QStringLiteral("Button7"), QStringLiteral("Button8"),
        QStringLiteral("Image1"),    QStringLiteral("Image2"),  QStringLiteral("Image3"),
        QStringLiteral("EdUrl")};
    QStringList visited;
    for (int i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        // The drop-down's text part has the focus on behalf of the drop-down.
        while (focus && focus->objectName().isEmpty())
            focus = focus->parentWidget();
        visited.append(focus ? focus->objectName() : QString());
    }
    QCOMPARE(visited, expected);
}

void MainWindowTest::controlsCarryTheirHintsAndPointers()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Dalvo Lumetta v1.2.0"));
    QCOMPARE(m_window->size(), QSize(501, 392));
    QCOMPARE(m_window->minimumSize(), QSize(501, 392));
    QVERIFY(m_window->windowFlags() & Qt::WindowMaximizeButtonHint);
    QVERIFY(m_window->windowFlags() & Qt::WindowMinimizeButtonHint);

    const QList<QPair<QString, QString>> hints{
        {QStringLiteral("EdUrl"),
         QStringLiteral("Вставьте сюда ссылку на которую хотите получить партнёрскую.")},
        {QStringLiteral("Button5"), QStringLiteral("Вставить из буфера обмена")},
        {QStringLiteral("Image1"), QStringLiteral("Настройки программы (Ctrl+,)")},
        {QStringLiteral("Image2"), QStringLiteral("Справка в интернете.")},
        {QStringLiteral("Image3"), QStringLiteral("На партрнёрку AliExpress")},
        {QStringLiteral("Button1"), QStringLiteral("Получить партнёрскую ссылку (Ctrl+Enter)")},
        {QStringLiteral("Button4"), QStringLiteral("Поддержи разработку!  ")},
        {QStringLiteral("EdTrackID"), QString()},
        {QStringLiteral("Button2"), QStringLiteral("Редактировать список Tracking ID (Ctrl+T)")},
        {QStringLiteral("EdLinkPartn"), QString()},
        {QStringLiteral("Button3"), QStringLiteral("Копировать в буфер обмена партнёрскую ссылку")},
        {QStringLiteral("Button6"),
         QStringLiteral("Копировать в буфер обмена Короткую партнёрскую ссылку")},
        {QStringLiteral("MemoLog"), QString()}};
    for (const auto &[name, hint] : hints) {
        auto *control = m_window->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->toolTip(), hint);
    }

    QCOMPARE(m_window->Button1->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(m_window->Image1->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(m_window->Image2->cursor().shape(), Qt::WhatsThisCursor);
    QCOMPARE(m_window->Image3->cursor().shape(), Qt::PointingHandCursor);
    QCOMPARE(m_window->Button4->cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(m_window->Button1->text(), QStringLiteral("Банзай"));
    QVERIFY(m_window->Button1->description().isEmpty());
    QVERIFY(m_window->Button3->text().isEmpty() && m_window->Button5->text().isEmpty());
    QVERIFY(m_window->Image1->hasPicture() && m_window->Image2->hasPicture() &&
            m_window->Image3->hasPicture());
    QVERIFY(m_window->Button3->hasImage() && m_window->Button5->hasImage());
    QVERIFY(m_window->Label3->width() > 0 && m_window->Label3->text().size() > 0);
}

void MainWindowTest::everyVisibleControlStandsWhereDesigned()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // Labels size themselves to their text: only their place is the design's.
    const QList<QPair<QString, QPoint>> labels{{QStringLiteral("Label3"), {8, 8}},
                                               {QStringLiteral("Label2"), {8, 112}},
                                               {QStringLiteral("Label4"), {8, 161}},
                                               {QStringLiteral("Label1"), {8, 209}}};
    const QList<QPair<QString, QRect>> controls{
        {QStringLiteral("EdUrl"), {8, 26, 265, 21}},
        {QStringLiteral("Button5"), {279, 8, 38, 38}},
        {QStringLiteral("Image1"), {357, 8, 34, 34}},
        {QStringLiteral("Image2"), {402, 8, 34, 34}},
        {QStringLiteral("Image3"), {454, 8, 34, 34}},
        {QStringLiteral("Button1"), {8, 53, 313, 45}},
        {QStringLiteral("Button4"), {341, 53, 147, 45}},
        {QStringLiteral("EdTrackID"), {103, 104, 218, 21}},
        {QStringLiteral("Button2"), {341, 104, 95, 21}},
        {QStringLiteral("EdLinkPartn"), {103, 158, 234, 21}},
        {QStringLiteral("Button3"), {357, 150, 38, 38}},
        {QStringLiteral("EdShortParLink"), {102, 206, 235, 21}},
        {QStringLiteral("Button6"), {357, 194, 38, 38}},
        {QStringLiteral("Button7"), {405, 156, 83, 25}},
        {QStringLiteral("Button8"), {405, 200, 83, 25}},
        {QStringLiteral("MemoLog"), {0, 254, 501, 138}}};
    QStringList expectedNames;
    for (const auto &[name, position] : labels) {
        auto *label = m_window->findChild<QLabel *>(name);
        QVERIFY2(label, qPrintable(name));
        QCOMPARE(label->pos(), position);
        QVERIFY2(label->width() > 0 && label->height() >= 13, qPrintable(name));
        expectedNames << name;
    }
    for (const auto &[name, geometry] : controls) {
        auto *control = m_window->findChild<QWidget *>(name);
        QVERIFY2(control, qPrintable(name));
        QCOMPARE(control->geometry(), geometry);
        expectedNames << name;
    }
    // No other control shows: the two hidden outlets stay hidden.
    QStringList shownNames;
    for (QWidget *child : m_window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible())
            shownNames << child->objectName();
    }
    expectedNames.sort();
    shownNames.sort();
    QCOMPARE(shownNames, expectedNames);
}

void MainWindowTest::startupShowCommandPicksTheWindowState()
{
    m_window->showAtStartup(3);
    QVERIFY(m_window->windowState() & Qt::WindowMaximized);
    m_window->resize(800, 600); // what the platform gives a maximised window
    // The log takes the height, the fields the width.
    QCOMPARE(m_window->MemoLog->geometry(), QRect(0, 254, 800, 600 - 254));
    QCOMPARE(m_window->EdUrl->geometry(), QRect(8, 26, 265 + 299, 21));

    TForm1 minimised;
    minimised.showAtStartup(7);
    QVERIFY(minimised.windowState() & Qt::WindowMinimized);
    QCOMPARE(minimised.size(), QSize(501, 392));
    TForm1 normal;
    normal.showAtStartup(5);
    QVERIFY(!(normal.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)));
    QCOMPARE(normal.size(), QSize(501, 392));
}

LUMETTA_UI_TEST_MAIN(MainWindowTest)
#include "MainWindowTest.moc"
