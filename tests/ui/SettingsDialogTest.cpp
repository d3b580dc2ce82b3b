// The settings dialog driven as a user would, alone for the key held in memory and through the
// main window's gear for what reaches the settings file; also its digits-only key field.

#include "LumettaApplication.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "TemporaryDataDirectory.h"
#include "Theme.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/DigitsOnlyLineEdit.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
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
    QCOMPARE(m_dialog->size(), QSize(245, 130));
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
        m_dialog->resize(400, 300);
        QCOMPARE(m_dialog->size(), QSize(400, 300));
        QCOMPARE(m_dialog->EdAppkey->geometry(), QRect(84, 18, 121, 21));
        QCOMPARE(m_dialog->BitBtn2->geometry(), QRect(162, 90, 75, 25));
        m_dialog->reject();
    });
    // The size carries over to the next showing.
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->size(), QSize(400, 300));
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

int main(int argc, char **argv)
{
    LumettaApplication application(argc, argv);
    application.setAttribute(Qt::AA_Use96Dpi, true);
    SettingsDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SettingsDialogTest.moc"
