// The settings dialog driven as a user would, alone for the key held in memory and through the
// main window's gear for what reaches the settings file; also its digits-only key field.

#include "LoopbackServices.h"
#include "LumettaApplication.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "TemporaryDataDirectory.h"
#include "Theme.h"
#include "UiTestMain.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "links/WebPages.h"
#include "runs/KeyCheckWorker.h"
#include "stored/UnParam.h"
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

namespace {

// Shows the dialog modally, runs the action inside its loop, and returns its result. An action
// that leaves the dialog open gets it closed with 99, so that a test fails instead of hanging.
int execWith(QDialog *dialog, const std::function<void()> &action)
{
    ModalDriver driver([dialog, action](QWidget *) {
        action();
        if (dialog->isVisible())
            dialog->done(99);
    });
    const int result = dialog->exec();
    return driver.actionRan() ? result : -1;
}

const QString absent = QStringLiteral("<absent>");

QString storedKey()
{
    return ReadSetting(QStringLiteral("api_key"), absent);
}

bool hasRedOrGreen(const QIcon &icon, QIcon::Mode mode, bool green)
{
    const QImage image = icon.pixmap(QSize(18, 18), 1.0, mode).toImage();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int main = green ? c.green() : c.red();
            const int other = green ? std::max(c.red(), c.blue()) : std::max(c.green(), c.blue());
            if (c.alpha() > 128 && main > other + 60)
                return true;
        }
    }
    return false;
}

} // namespace

class SettingsDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void windowHasItsCaptionSizeAndControls();
    void glyphsShowCheckAndCrossAndGreyWhenDisabled();
    void resizingKeepsTheControlsInPlace();
    void fieldOpensWithTheKeyInMemory();
    void okStoresTheTrimmedKeyInMemoryOnly();
    void enterInTheFieldIsOk();
    void cancelEscAndCloseBoxKeepTheKey();
    void onlyDigitsCanBeTypedButPastedTextIsKept();
    void fieldHasNoLengthLimit();
    void linkLabelOpensTheApiSettingsPage();
    void focusReturnsToWhereItWasWhenTheDialogClosed();
    void gearWritesTheKeyAfterOkOnly();
    void secretFieldIsMaskedUntilShownAndStoredTrimmedOnOk();
    void secretStandsBesideTheOriginalControlsAndTabsAfterTheKey();
    void consoleLinkOpensTheOpenPlatform();
    void gearWritesTheSecretAfterOkOnly();
    void currencyIsChosenFromTheApisListAndKeptOnOkOnly();
    void countryIsKeptOnOkAsAnUpperCaseCode_data();
    void countryIsKeptOnOkAsAnUpperCaseCode();
    void checkTellsWhetherTheTypedKeyWorks_data();
    void checkTellsWhetherTheTypedKeyWorks();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<QWidget> m_owner;
    TFmParam *m_dialog = nullptr;
};

void SettingsDialogTest::initTestCase()
{
    // The theme's style sheet must not take the link look away.
    QVERIFY(Theme::apply(*qApp));
}

void SettingsDialogTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    AppParams = TParametrs();
    m_owner = std::make_unique<QWidget>();
    m_owner->setGeometry(100, 100, 501, 392);
    m_owner->show();
    m_dialog = new TFmParam(m_owner.get());
    m_dialog->ensureContents();
}

void SettingsDialogTest::cleanup()
{
    m_owner.reset();
    m_dialog = nullptr;
    m_data.reset();
    AppParams = TParametrs();
}

void SettingsDialogTest::windowHasItsCaptionSizeAndControls()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Настройки"));
    // Grown to the right for the Open Platform's controls and down for the key check.
    QCOMPARE(m_dialog->size(), QSize(490, 230));
    const Qt::WindowFlags flags = m_dialog->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(flags & Qt::WindowMinimizeButtonHint);
    QVERIFY(flags & Qt::WindowMaximizeButtonHint);
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QCOMPARE(m_dialog->parentWidget(), m_owner.get());

    QCOMPARE(m_dialog->findChild<QLabel *>("Label1")->text(), QStringLiteral("API KEY:"));
    QCOMPARE(m_dialog->findChild<QLabel *>("Label1")->pos(), QPoint(20, 21));
    auto *link = m_dialog->findChild<LinkLabel *>("Label2");
    QCOMPARE(link->text(), QStringLiteral("Получить на AliExpress"));
    QCOMPARE(link->pos(), QPoint(20, 45));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    link->ensurePolished();
    QVERIFY(link->font().underline());
    QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    QCOMPARE(m_dialog->findChild<DigitsOnlyLineEdit *>("EdAppkey")->geometry(),
             QRect(84, 18, 121, 21));
    auto *ok = m_dialog->findChild<GlyphButton *>("BitBtn1");
    auto *cancel = m_dialog->findChild<GlyphButton *>("BitBtn2");
    QCOMPARE(ok->geometry(), QRect(8, 90, 75, 25));
    QCOMPARE(ok->text(), QStringLiteral("OK"));
    QVERIFY(ok->isDefault());
    QCOMPARE(cancel->geometry(), QRect(162, 90, 75, 25));
    QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
    QVERIFY(!cancel->isDefault());
}

void SettingsDialogTest::glyphsShowCheckAndCrossAndGreyWhenDisabled()
{
    const QIcon ok = m_dialog->BitBtn1->icon();
    const QIcon cancel = m_dialog->BitBtn2->icon();
    QCOMPARE(m_dialog->BitBtn1->iconSize(), QSize(18, 18));
    QVERIFY(hasRedOrGreen(ok, QIcon::Normal, true));
    QVERIFY(!hasRedOrGreen(ok, QIcon::Disabled, true));
    QVERIFY(hasRedOrGreen(cancel, QIcon::Normal, false));
    QVERIFY(!hasRedOrGreen(cancel, QIcon::Disabled, false));
    // The disabled state shows a picture of its own, not nothing.
    const QImage disabled = ok.pixmap(QSize(18, 18), 1.0, QIcon::Disabled).toImage();
    bool visible = false;
    for (int y = 0; y < disabled.height() && !visible; ++y)
        for (int x = 0; x < disabled.width() && !visible; ++x)
            visible = disabled.pixelColor(x, y).alpha() > 128;
    QVERIFY(visible);
}

void SettingsDialogTest::resizingKeepsTheControlsInPlace()
{
    execWith(m_dialog, [this] {
        m_dialog->resize(600, 300);
        QCOMPARE(m_dialog->size(), QSize(600, 300));
        QCOMPARE(m_dialog->EdAppkey->geometry(), QRect(84, 18, 121, 21));
        QCOMPARE(m_dialog->BitBtn2->geometry(), QRect(162, 90, 75, 25));
        // It shrinks no further than every control needs.
        m_dialog->resize(100, 40);
        QRect controls;
        for (QWidget *child : m_dialog->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (child->isVisible())
                controls |= child->geometry();
        }
        QVERIFY(QRect(QPoint(0, 0), m_dialog->size()).contains(controls));
        m_dialog->resize(600, 300);
        m_dialog->reject();
    });
    // The size carries over to the next showing.
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->size(), QSize(600, 300));
        m_dialog->reject();
    });
}

void SettingsDialogTest::fieldOpensWithTheKeyInMemory()
{
    AppParams.api_key = QStringLiteral("  12345 ");
    m_dialog->EdAppkey->setText(QStringLiteral("stale"));
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->EdAppkey->text(), QStringLiteral("  12345 "));
        QTest::keyClicks(m_dialog->EdAppkey, QStringLiteral("678"));
        m_dialog->reject();
    });
    QCOMPARE(AppParams.api_key, QStringLiteral("  12345 "));
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->EdAppkey->text(), QStringLiteral("  12345 "));
        m_dialog->reject();
    });
}

void SettingsDialogTest::okStoresTheTrimmedKeyInMemoryOnly()
{
    AppParams.api_key = QStringLiteral("111");
    const int result = execWith(m_dialog, [this] {
        m_dialog->EdAppkey->setText(QStringLiteral("\t 42 \x01"));
        QTest::mouseClick(m_dialog->BitBtn1, Qt::LeftButton);
    });
    QCOMPARE(result, 1);
    QCOMPARE(AppParams.api_key, QStringLiteral("42"));
    QVERIFY(!QFile::exists(SettingsFilePath()));

    // A blank key is accepted as an empty one.
    QCOMPARE(execWith(m_dialog,
                      [this] {
                          m_dialog->EdAppkey->setText(QStringLiteral("   "));
                          m_dialog->BitBtn1->click();
                      }),
             1);
    QCOMPARE(AppParams.api_key, QString());
}

void SettingsDialogTest::enterInTheFieldIsOk()
{
    const int result = execWith(m_dialog, [this] {
        m_dialog->EdAppkey->clear();
        QTest::keyClicks(m_dialog->EdAppkey, QStringLiteral("987"));
        QTest::keyClick(m_dialog->EdAppkey, Qt::Key_Return);
    });
    QCOMPARE(result, 1);
    QCOMPARE(AppParams.api_key, QStringLiteral("987"));

    // Enter on the focused Cancel button presses Cancel instead.
    const int cancelled = execWith(m_dialog, [this] {
        QTest::keyClicks(m_dialog->EdAppkey, QStringLiteral("0"));
        m_dialog->BitBtn2->setFocus();
        QTest::keyClick(m_dialog->BitBtn2, Qt::Key_Return);
    });
    QCOMPARE(cancelled, 2);
    QCOMPARE(AppParams.api_key, QStringLiteral("987"));
}

void SettingsDialogTest::cancelEscAndCloseBoxKeepTheKey()
{
    AppParams.api_key = QStringLiteral("555");
    const QList<std::function<void()>> cancels = {
        [this] { QTest::mouseClick(m_dialog->BitBtn2, Qt::LeftButton); },
        [this] { QTest::keyClick(m_dialog->EdAppkey, Qt::Key_Escape); },
        [this] { m_dialog->close(); }};
    for (const auto &cancel : cancels) {
        const int result = execWith(m_dialog, [&] {
            m_dialog->EdAppkey->setText(QStringLiteral("999"));
            cancel();
        });
        QCOMPARE(result, 2);
        QCOMPARE(AppParams.api_key, QStringLiteral("555"));
    }
    QVERIFY(!QFile::exists(SettingsFilePath()));
}

void SettingsDialogTest::onlyDigitsCanBeTypedButPastedTextIsKept()
{
    DigitsOnlyLineEdit *field = m_dialog->EdAppkey;
    field->clear();
    QTest::keyClicks(field, QStringLiteral("1a2 B-3.,4_5"));
    QCOMPARE(field->text(), QStringLiteral("12345"));
    QTest::keyClick(field, Qt::Key_7, Qt::KeypadModifier);
    QCOMPARE(field->text(), QStringLiteral("123457"));

    // Editing keys still work.
    QTest::keyClick(field, Qt::Key_Backspace);
    QTest::keyClick(field, Qt::Key_Home);
    QTest::keyClick(field, Qt::Key_Delete);
    QCOMPARE(field->text(), QStringLiteral("2345"));

    // So do the shortcuts: select all, then paste a text with letters and blanks (its first
    // line only).
    QGuiApplication::clipboard()->setText(QStringLiteral(" key 77 \r\n88"));
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(field->text(), QStringLiteral(" key 77 "));
    field->undo();
    QCOMPARE(field->text(), QStringLiteral("2345"));

    QVERIFY(DigitsOnlyLineEdit::isRefusedTyping(QStringLiteral("x")));
    QVERIFY(DigitsOnlyLineEdit::isRefusedTyping(QStringLiteral("٣"))); // another script's digit
    QVERIFY(!DigitsOnlyLineEdit::isRefusedTyping(QStringLiteral("0")));
    QVERIFY(!DigitsOnlyLineEdit::isRefusedTyping(QStringLiteral("\b")));

    // Pasted letters reach the key, trimmed.
    const int result = execWith(m_dialog, [this] {
        m_dialog->EdAppkey->clear();
        QGuiApplication::clipboard()->setText(QStringLiteral("  abc123  "));
        m_dialog->EdAppkey->paste();
        QTest::mouseClick(m_dialog->BitBtn1, Qt::LeftButton);
    });
    QCOMPARE(result, 1);
    QCOMPARE(AppParams.api_key, QStringLiteral("abc123"));
}

void SettingsDialogTest::fieldHasNoLengthLimit()
{
    const QString longKey(40000, QLatin1Char('7'));
    AppParams.api_key = longKey;
    execWith(m_dialog, [this] {
        QTest::keyClick(m_dialog->EdAppkey, Qt::Key_End);
        QTest::keyClicks(m_dialog->EdAppkey, QStringLiteral("12"));
        m_dialog->BitBtn1->click();
    });
    QCOMPARE(AppParams.api_key, longKey + QStringLiteral("12"));
}

void SettingsDialogTest::linkLabelOpensTheApiSettingsPage()
{
    ShellOpenRecorder opened;
    execWith(m_dialog, [&] {
        m_dialog->EdAppkey->setText(QStringLiteral("31"));
        QTest::mouseClick(m_dialog->Label2, Qt::LeftButton);
        QCOMPARE(opened.urls, QStringList({WebPages::portalApiSettings()}));
        QVERIFY(opened.urls.first().startsWith(QStringLiteral("http://")));
        QVERIFY(opened.urls.first().endsWith(QStringLiteral("/adcenter/api_setting.htm")));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->EdAppkey->text(), QStringLiteral("31"));
        // A press that is released outside the label is no click.
        QTest::mousePress(m_dialog->Label2, Qt::LeftButton);
        QTest::mouseRelease(m_dialog->Label2, Qt::LeftButton, {},
                            QPoint(-5, m_dialog->Label2->height() / 2));
        QCOMPARE(opened.urls.size(), 1);
        m_dialog->reject();
    });
}

void SettingsDialogTest::focusReturnsToWhereItWasWhenTheDialogClosed()
{
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->focusWidget(), m_dialog->EdAppkey);
        m_dialog->BitBtn2->setFocus();
        m_dialog->close();
    });
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->focusWidget(), m_dialog->BitBtn2);
        m_dialog->reject();
    });
}

void SettingsDialogTest::gearWritesTheKeyAfterOkOnly()
{
    TForm1 mainWindow;
    FmParam = new TFmParam(&mainWindow);
    AppParams.api_key = QStringLiteral("1");

    ModalDriver cancel([](QWidget *) {
        FmParam->EdAppkey->setText(QStringLiteral("2"));
        FmParam->reject();
    });
    mainWindow.Image1Click();
    QVERIFY(cancel.actionRan());
    QCOMPARE(storedKey(), absent);

    ModalDriver okUnchanged([](QWidget *) { FmParam->BitBtn1->click(); });
    mainWindow.Image1Click();
    QVERIFY(okUnchanged.actionRan());
    QCOMPARE(storedKey(), QStringLiteral("MQ==")); // Base64 of "1"

    ModalDriver okNew([](QWidget *) {
        FmParam->EdAppkey->setText(QStringLiteral(" 123 "));
        QTest::keyClick(FmParam->EdAppkey, Qt::Key_Return);
    });
    mainWindow.Image1Click();
    QVERIFY(okNew.actionRan());
    QCOMPARE(AppParams.api_key, QStringLiteral("123"));
    QCOMPARE(storedKey(), QStringLiteral("MTIz"));

    ModalDriver okEmpty([](QWidget *) {
        FmParam->EdAppkey->clear();
        FmParam->BitBtn1->click();
    });
    mainWindow.Image1Click();
    QVERIFY(okEmpty.actionRan());
    QCOMPARE(storedKey(), QString());

    delete FmParam;
    FmParam = nullptr;
}

void SettingsDialogTest::secretFieldIsMaskedUntilShownAndStoredTrimmedOnOk()
{
    AppParams.app_secret = QStringLiteral("kept");
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->EdAppSecret->text(), QStringLiteral("kept"));
        QCOMPARE(m_dialog->EdAppSecret->echoMode(), QLineEdit::Password);
        QVERIFY(!m_dialog->CbShowSecret->isChecked());
        QTest::mouseClick(m_dialog->CbShowSecret, Qt::LeftButton, {}, QPoint(5, 8));
        QCOMPARE(m_dialog->EdAppSecret->echoMode(), QLineEdit::Normal);
        QTest::keyClick(m_dialog->CbShowSecret, Qt::Key_Space);
        QCOMPARE(m_dialog->EdAppSecret->echoMode(), QLineEdit::Password);
        QTest::keyClick(m_dialog->CbShowSecret, Qt::Key_Space);
        // Letters are typed as they are, unlike in the key field.
        m_dialog->EdAppSecret->clear();
        QTest::keyClicks(m_dialog->EdAppSecret, QStringLiteral("ab1"));
        QCOMPARE(m_dialog->EdAppSecret->text(), QStringLiteral("ab1"));
        m_dialog->reject();
    });
    QCOMPARE(AppParams.app_secret, QStringLiteral("kept"));

    // Every showing masks it again; Enter in it is OK.
    const int result = execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->EdAppSecret->echoMode(), QLineEdit::Password);
        QCOMPARE(m_dialog->EdAppSecret->text(), QStringLiteral("kept"));
        m_dialog->EdAppSecret->setText(QStringLiteral(" \tnew secret \r"));
        QTest::keyClick(m_dialog->EdAppSecret, Qt::Key_Return);
    });
    QCOMPARE(result, 1);
    QCOMPARE(AppParams.app_secret, QStringLiteral("new secret"));
    QVERIFY(!QFile::exists(SettingsFilePath()));
}

void SettingsDialogTest::secretStandsBesideTheOriginalControlsAndTabsAfterTheKey()
{
    const QRect original = m_dialog->Label1->geometry() | m_dialog->Label2->geometry() |
                           m_dialog->EdAppkey->geometry() | m_dialog->BitBtn1->geometry() |
                           m_dialog->BitBtn2->geometry();
    const QRect added = m_dialog->Label3->geometry() | m_dialog->EdAppSecret->geometry() |
                        m_dialog->CbShowSecret->geometry() | m_dialog->Label4->geometry() |
                        m_dialog->Label5->geometry() | m_dialog->CbCurrency->geometry();
    QVERIFY(!original.intersects(added));
    QVERIFY(QRect(QPoint(0, 0), m_dialog->size()).contains(added));
    QCOMPARE(m_dialog->Label3->text(), QStringLiteral("App Secret:"));
    QCOMPARE(m_dialog->Label4->cursor().shape(), Qt::PointingHandCursor);

    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->focusWidget(), m_dialog->EdAppkey);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->Label2);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->EdAppSecret);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->CbShowSecret);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->Label4);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->CbCurrency);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->CbCountry);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->BtCheck);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), m_dialog->BitBtn1);
        m_dialog->EdAppkey->setFocus();
        m_dialog->reject();
    });
}

void SettingsDialogTest::consoleLinkOpensTheOpenPlatform()
{
    ShellOpenRecorder opened;
    execWith(m_dialog, [&] {
        m_dialog->EdAppSecret->setText(QStringLiteral("typed"));
        QTest::mouseClick(m_dialog->Label4, Qt::LeftButton);
        QCOMPARE(opened.urls, QStringList({WebPages::openPlatformConsole()}));
        QVERIFY(opened.urls.first().startsWith(QStringLiteral("https://openservice.aliexpress.")));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->EdAppSecret->text(), QStringLiteral("typed"));
        m_dialog->reject();
    });
}

void SettingsDialogTest::gearWritesTheSecretAfterOkOnly()
{
    TForm1 mainWindow;
    FmParam = new TFmParam(&mainWindow);
    AppParams.api_key = QStringLiteral("12345678");

    ModalDriver cancel([](QWidget *) {
        FmParam->EdAppSecret->setText(QStringLiteral("s1"));
        FmParam->reject();
    });
    mainWindow.Image1Click();
    QVERIFY(cancel.actionRan());
    QVERIFY(!QFile::exists(SettingsFilePath()));
    QCOMPARE(AppParams.app_secret, QString());

    ModalDriver ok([](QWidget *) {
        FmParam->EdAppSecret->setText(QStringLiteral(" s1 "));
        FmParam->BitBtn1->click();
    });
    mainWindow.Image1Click();
    QVERIFY(ok.actionRan());
    QCOMPARE(ReadSetting(QStringLiteral("app_secret"), absent), QStringLiteral("czE="));
    QCOMPARE(storedKey(), QStringLiteral("MTIzNDU2Nzg="));

    delete FmParam;
    FmParam = nullptr;
}

void SettingsDialogTest::currencyIsChosenFromTheApisListAndKeptOnOkOnly()
{
    QStringList items;
    for (int i = 0; i < m_dialog->CbCurrency->count(); ++i)
        items << m_dialog->CbCurrency->itemText(i);
    QCOMPARE(items, QStringList({"USD", "GBP", "CAD", "EUR", "UAH", "MXN", "TRY", "RUB", "BRL",
                                 "AUD", "INR", "JPY", "IDR", "SEK", "KRW"}));
    QVERIFY(!m_dialog->CbCurrency->isEditable());
    QCOMPARE(AppParams.currency, QStringLiteral("RUB"));

    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->CbCurrency->currentText(), QStringLiteral("RUB"));
        m_dialog->CbCurrency->setCurrentText(QStringLiteral("EUR"));
        m_dialog->reject();
    });
    QCOMPARE(AppParams.currency, QStringLiteral("RUB"));
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->CbCurrency->currentText(), QStringLiteral("RUB"));
        m_dialog->CbCurrency->setFocus();
        QTest::keyClick(m_dialog->CbCurrency, Qt::Key_Down); // the next one, BRL
        m_dialog->BitBtn1->click();
    });
    QCOMPARE(AppParams.currency, QStringLiteral("BRL"));

    // The gear writes it after OK.
    TForm1 mainWindow;
    FmParam = new TFmParam(&mainWindow);
    ModalDriver ok([](QWidget *) {
        FmParam->CbCurrency->setCurrentText(QStringLiteral("USD"));
        FmParam->BitBtn1->click();
    });
    mainWindow.Image1Click();
    QVERIFY(ok.actionRan());
    QCOMPARE(ReadSetting(QStringLiteral("currency"), absent), QStringLiteral("USD"));
    delete FmParam;
    FmParam = nullptr;
}

void SettingsDialogTest::countryIsKeptOnOkAsAnUpperCaseCode_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("listed") << "KZ"
                            << "KZ";
    QTest::newRow("typed in lower case") << " de "
                                         << "DE";
    QTest::newRow("blank") << "  "
                           << "RU";
}

void SettingsDialogTest::countryIsKeptOnOkAsAnUpperCaseCode()
{
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    AppParams.country = QStringLiteral("BY");
    execWith(m_dialog, [&] {
        QCOMPARE(m_dialog->CbCountry->currentText(), QStringLiteral("BY"));
        m_dialog->CbCountry->setEditText(typed);
        m_dialog->BitBtn1->click();
    });
    QCOMPARE(AppParams.country, kept);
}

void SettingsDialogTest::checkTellsWhetherTheTypedKeyWorks_data()
{
    QTest::addColumn<QString>("secret");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<int>("requests");
    QTest::addColumn<QString>("shown");
    QTest::newRow("works") << "typed-secret"
                           << QByteArray(R"({"aliexpress_affiliate_category_get_response":)"
                                         R"({"resp_result":{"resp_code":200,"result":{}}}})")
                           << 1 << "Ключ и секрет подходят";
    QTest::newRow("refused")
        << "typed-secret"
        << QByteArray(R"({"error_response":{"code":"IncompleteSignature","msg":"Bad sign"}})") << 1
        << "IncompleteSignature";
    QTest::newRow("no secret") << " " << QByteArray("{}") << 0 << "App Secret";
}

// The key and secret as typed are checked, not those in memory, and the dialog answers
// meanwhile.
void SettingsDialogTest::checkTellsWhetherTheTypedKeyWorks()
{
    QFETCH(QString, secret);
    QFETCH(QByteArray, answer);
    QFETCH(int, requests);
    QFETCH(QString, shown);
    LoopbackServices services(LoopbackServices::answer(answer, "application/json"), {});
    LinkServices platform = services.services();
    platform.openPlatform = platform.apiGateway;
    m_dialog->keyCheckWorker().setServices(platform);
    execWith(m_dialog, [&] {
        m_dialog->EdAppkey->setText(QStringLiteral("12345678"));
        m_dialog->EdAppSecret->setText(secret);
        QTest::mouseClick(m_dialog->BtCheck, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_dialog->keyCheckWorker().isRunning(), 10000);
        QVERIFY2(m_dialog->LbCheck->text().contains(shown), qPrintable(m_dialog->LbCheck->text()));
        QCOMPARE(m_dialog->BtCheck->text(), QStringLiteral("Проверить"));
        m_dialog->reject();
    });
    QCOMPARE(services.api().requests().size(), requests);
    QVERIFY(AppParams.app_secret.isEmpty());
}

int main(int argc, char **argv)
{
    return RunUiTest<SettingsDialogTest>(argc, argv, [](LumettaApplication &application) {
        application.setAttribute(Qt::AA_Use96Dpi, true);
    });
}

#include "SettingsDialogTest.moc"
