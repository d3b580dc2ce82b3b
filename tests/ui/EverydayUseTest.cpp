// The main window and its dialogs as keyboard and screen-reader users meet them, and the main
// window's size.
#include "HistoryWindow.h"
#include "LoopbackServices.h"
#include "ModalDriver.h"
#include "PostLinksWindow.h"
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
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/ImageButton.h"
#include "widgets/LinkLabel.h"

#include <QAccessible>
#include <QClipboard>
#include <QComboBox>
#include <QCommandLinkButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <functional>
#include <memory>

class EverydayUseTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void keyboardReachesEveryAction();
    void focusedPicturesShowAFrame();
    void screenReadersNameEveryControl();
    void windowGrowsAndKeepsItsPlaceForTheNextStart();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<TForm1> m_window;
};

void EverydayUseTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    m_window = std::make_unique<TForm1>();
    Form2 = new TForm2(m_window.get());
    FmParam = new TFmParam(m_window.get());
    AppParams.api_key = QStringLiteral("12345");
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void EverydayUseTest::cleanup()
{
    m_window.reset();
    Form2 = nullptr;
    FmParam = nullptr;
    AppParams = TParametrs();
    m_data.reset();
}

void EverydayUseTest::keyboardReachesEveryAction()
{
    LoopbackServices services(
        LoopbackServices::answer(
            R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[)"
            R"({"url":"u","promotionUrl":"https://s.click.example/e/_k"}]}})",
            "application/json"),
        LoopbackServices::answer("https://ya.cc/t/k"));
    m_window->setLinkServices(services.services());
    TForm1 &w = *m_window;
    const auto dialogOpened = [](QDialog *expected) {
        return [expected](const std::function<void()> &press) {
            QWidget *opened = nullptr;
            ModalDriver driver([&opened](QWidget *modal) {
                opened = modal;
                static_cast<QDialog *>(modal)->reject();
            });
            press();
            return QTest::qWaitFor([&driver] { return driver.actionRan(); }) && opened == expected;
        };
    };
    const auto pageOpened = [](const QString &page) {
        return [page](const std::function<void()> &press) {
            ShellOpenRecorder opened;
            press();
            return opened.urls == QStringList{page};
        };
    };
    const auto windowShown = [](const std::function<QWidget *()> &window) {
        return [window](const std::function<void()> &press) {
            press();
            const bool shown = window()->isVisible();
            window()->close();
            return shown;
        };
    };
    const auto runMade = [&w, &services](const std::function<void()> &press) {
        const int before = services.api().connectionCount();
        press();
        return QTest::qWaitFor([&] { return services.api().connectionCount() > before; }) &&
               waitForRunEnd(w) && services.api().connectionCount() == before + 1 &&
               w.EdShortParLink->text() == QStringLiteral("https://ya.cc/t/k");
    };
    const auto copied = [&w](const std::function<void()> &press) {
        w.EdLinkPartn->setText(QStringLiteral("https://s.click.example/e/_copied"));
        QGuiApplication::clipboard()->clear();
        press();
        return QGuiApplication::clipboard()->text() == w.EdLinkPartn->text();
    };
    const auto pasted = [&w](const std::function<void()> &press) {
        QGuiApplication::clipboard()->setText(QStringLiteral("https://aliexpress.ru/item/9.html"));
        press();
        return w.EdUrl->text() == QStringLiteral("https://aliexpress.ru/item/9.html");
    };
    struct Case
    {
        const char *what;
        QWidget *focus;
        QKeyCombination keys;
        std::function<bool(const std::function<void()> &)> done;
    };
    const QList<Case> cases{
        {"Ctrl+, anywhere", w.MemoLog, Qt::CTRL | Qt::Key_Comma, dialogOpened(FmParam)},
        {"Ctrl+T anywhere", w.EdUrl, Qt::CTRL | Qt::Key_T, dialogOpened(Form2)},
        {"Ctrl+L anywhere", w.EdUrl, Qt::CTRL | Qt::Key_L,
         windowShown([&w] { return static_cast<QWidget *>(w.postLinksWindow()); })},
        {"Ctrl+H anywhere", w.MemoLog, Qt::CTRL | Qt::Key_H,
         windowShown([&w] { return static_cast<QWidget *>(w.historyWindow()); })},
        {"Space on the gear", w.Image1, QKeyCombination(Qt::Key_Space), dialogOpened(FmParam)},
        {"Enter on the gear", w.Image1, QKeyCombination(Qt::Key_Return), dialogOpened(FmParam)},
        {"Enter on the globe", w.Image2, QKeyCombination(Qt::Key_Return),
         pageOpened(WebPages::help())},
        {"Space on the cart", w.Image3, QKeyCombination(Qt::Key_Space),
         pageOpened(WebPages::portalHome())},
        {"Enter on Банзай", w.Button1, QKeyCombination(Qt::Key_Return), runMade},
        {"Ctrl+Enter in the log", w.MemoLog, Qt::CTRL | Qt::Key_Return, runMade},
        {"Ctrl+Enter in the tracking ID", w.EdTrackID, Qt::CTRL | Qt::Key_Enter, runMade},
        {"Enter on a copy button", w.Button3, QKeyCombination(Qt::Key_Return), copied},
        {"Enter on the paste button", w.Button5, QKeyCombination(Qt::Key_Enter), pasted},
    };
    for (const Case &c : cases) {
        // As the desktop does once a dialog has closed.
        QApplication::setActiveWindow(&w);
        c.focus->setFocus();
        QWidget *target = QApplication::focusWidget();
        QVERIFY2(target, c.what);
        const bool done =
            c.done([&] { QTest::keyClick(target, c.keys.key(), c.keys.keyboardModifiers()); });
        QVERIFY2(done, c.what);
    }
}

void EverydayUseTest::focusedPicturesShowAFrame()
{
    // Reached with Tab, as a keyboard user does: the style frames what has the focus then.
    QWidget *before = m_window->Button8;
    for (ClickablePicture *picture : {m_window->Image1, m_window->Image2, m_window->Image3}) {
        const QImage unfocused = picture->grab().toImage();
        before->setFocus();
        QTest::keyClick(before, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(picture));
        QVERIFY2(picture->grab().toImage() != unfocused, qPrintable(picture->objectName()));
        before = picture;
    }
}

void EverydayUseTest::screenReadersNameEveryControl()
{
    const auto name = [](QWidget *widget) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        return face ? face->text(QAccessible::Name) : QString();
    };
    TForm1 &w = *m_window;
    FmParam->ensureContents();
    Form2->ensureContents();
    const QList<std::pair<QWidget *, QString>> expected{
        {w.EdUrl, QStringLiteral("Адрес страницы на AliExpress")},
        {w.EdLinkPartn, QStringLiteral("Ссылка партнёра")},
        {w.EdShortParLink, QStringLiteral("Короткая ссылка")},
        {w.MemoLog, QStringLiteral("Журнал")},
        {w.Button3, QStringLiteral("Копировать партнёрскую ссылку")},
        {w.Button6, QStringLiteral("Копировать короткую ссылку")},
        {w.Button5, QStringLiteral("Вставить адрес из буфера обмена")},
        {w.Image1, QStringLiteral("Настройки программы")},
        {w.Image2, QStringLiteral("Справка в интернете")},
        {w.Image3, QStringLiteral("Партнёрская программа AliExpress")},
        {FmParam->EdAppkey, QStringLiteral("API KEY")},
        {FmParam->EdAppSecret, QStringLiteral("App Secret")},
    };
    for (const auto &[widget, text] : expected)
        QCOMPARE(name(widget), text);

    // Every control a user can reach has a name, in all three windows.
    for (QWidget *window : {static_cast<QWidget *>(&w), static_cast<QWidget *>(FmParam),
                            static_cast<QWidget *>(Form2)}) {
        for (QWidget *control : window->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (control->isHidden() || control->focusPolicy() == Qt::NoFocus)
                continue;
            QVERIFY2(!name(control).isEmpty(), qPrintable(control->objectName()));
        }
    }

    // Pictures are buttons and link labels links, each with its press action; fields are
    // labelled by their captions.
    for (QWidget *widget :
         {static_cast<QWidget *>(w.Image1), static_cast<QWidget *>(w.Image3),
          static_cast<QWidget *>(FmParam->Label4), static_cast<QWidget *>(Form2->Label1)}) {
        QAccessibleInterface *face = QAccessible::queryAccessibleInterface(widget);
        const auto role =
            qobject_cast<LinkLabel *>(widget) ? QAccessible::Link : QAccessible::Button;
        QCOMPARE(face->role(), role);
        QVERIFY(face->actionInterface());
        QVERIFY(face->actionInterface()->actionNames().contains(
            QAccessibleActionInterface::pressAction()));
    }
    const auto labelOf = [](QWidget *field) {
        const auto labels =
            QAccessible::queryAccessibleInterface(field)->relations(QAccessible::Label);
        return labels.isEmpty() ? nullptr : labels.first().first->object();
    };
    QCOMPARE(labelOf(w.EdUrl), w.Label3);
    QCOMPARE(labelOf(w.EdLinkPartn), w.Label4);
    QCOMPARE(labelOf(w.EdShortParLink), w.Label1);
    QCOMPARE(labelOf(FmParam->EdAppSecret), FmParam->Label3);
}

void EverydayUseTest::windowGrowsAndKeepsItsPlaceForTheNextStart()
{
    TForm1 &w = *m_window;
    struct Placed
    {
        QWidget *control;
        QRect designed;
    };
    const QList<Placed> designed{
        {w.EdUrl, w.EdUrl->geometry()},     {w.Button5, w.Button5->geometry()},
        {w.Image3, w.Image3->geometry()},   {w.EdLinkPartn, w.EdLinkPartn->geometry()},
        {w.Button6, w.Button6->geometry()}, {w.MemoLog, w.MemoLog->geometry()}};
    w.resize(w.width() + 200, w.height() + 150);
    QCOMPARE(w.EdUrl->geometry(), designed[0].designed.adjusted(0, 0, 200, 0));
    QCOMPARE(w.Button5->geometry(), designed[1].designed.translated(200, 0));
    QCOMPARE(w.Image3->geometry(), designed[2].designed.translated(200, 0));
    QCOMPARE(w.EdLinkPartn->geometry(), designed[3].designed.adjusted(0, 0, 200, 0));
    QCOMPARE(w.Button6->geometry(), designed[4].designed.translated(200, 0));
    // The log takes the height: the window shows more of it.
    QCOMPARE(w.MemoLog->geometry(), designed[5].designed.adjusted(0, 0, 200, 150));

    // Never smaller than designed.
    w.resize(300, 200);
    QCOMPARE(w.size(), QSize(TForm1::ClientWidth, TForm1::ClientHeight));

    w.resize(TForm1::ClientWidth + 120, TForm1::ClientHeight + 80);
    const QRect grown = w.geometry();
    QVERIFY(w.close());
    TForm1 next;
    next.show();
    QVERIFY(QTest::qWaitForWindowExposed(&next));
    QCOMPARE(next.size(), grown.size());
    QCOMPARE(next.MemoLog->height(), 138 + 80);
}

LUMETTA_UI_TEST_MAIN(EverydayUseTest)
#include "EverydayUseTest.moc"
