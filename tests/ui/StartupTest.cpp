#include "Startup.h"
#include "LumettaError.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "RunWaiter.h"
#include "TemporaryDataDirectory.h"
#include "Theme.h"
#include "UiTestMain.h"
#include "UnEditTrackingId.h"
#include "UnFmParam.h"
#include "Unit1.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/GeneralErrorHandler.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <memory>
#include <stdexcept>

namespace {
void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QStringList items(const QComboBox *box)
{
    QStringList result;
    for (int i = 0; i < box->count(); ++i)
        result.append(box->itemText(i));
    return result;
}

struct MessageBoxSeen
{
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Records what a message box shows, then presses its first button.
std::function<void(QWidget *)> readAndClose(MessageBoxSeen &seen)
{
    return [&seen](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        QVERIFY(box);
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            seen.buttons.append(button->text());
        box->buttons().first()->click();
    };
}
} // namespace

class StartupTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstStartInAnEmptyDirectory();
    void startRestoresListKeyAndInputs();
    void unreadableListSkipsTheRestOfCreation();
    void undecodableListIsReported();
    void startupCreatesDialogsHiddenAndFocusesAddress();
    void missingThemeShowsItsBoxAndGoesOn();
    void errorTextFollowsTheFullStopRule();
    void errorTextIsTheInnermostNestedOne();
    void errorBoxIsCriticalWithOneOkButton();
    void errorsEscapingHandlersAreReportedAndTheLoopGoesOn();
    void errorsInsideAModalDialogAreReported();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
};

void StartupTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    AppParams.api_key.clear();
    TrackingIds = TrackingIdList();
    QCoreApplication::setApplicationName(QStringLiteral("Dalvo Lumetta"));
}

void StartupTest::cleanup()
{
    m_data.reset();
}

void StartupTest::firstStartInAnEmptyDirectory()
{
    ErrorBoxRecorder errors;
    TForm1 window;
    QCOMPARE(Form1, &window);
    QCOMPARE(window.EdTrackID->count(), 0);
    QCOMPARE(window.EdTrackID->currentText(), QString());
    QCOMPARE(window.EdUrl->text(), WebPages::defaultPageAddress());
    QCOMPARE(AppParams.api_key, QString());
    QVERIFY(errors.texts.isEmpty());
    // Starting creates no file.
    QCOMPARE(QDir(m_data->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());

    // With no key a generate run asks for one and sends nothing.
    window.Button1Click();
    QVERIFY(waitForRunEnd(window));
    QCOMPARE(window.MemoLog->toPlainText(),
             QStringLiteral("Необходим API KEY. Зайдите в настроки программы.\n"));
}

void StartupTest::startRestoresListKeyAndInputs()
{
    writeFile(m_data->filePath(QStringLiteral("TrackingId.txt")), "\xEF\xBB\xBF"
                                                                  "second\r\nfirst\r\nвторой\r\n");
    AppParams.api_key = QStringLiteral("31337");
    StoreApiKey();
    AppParams.api_key.clear();
    WriteSetting(QStringLiteral("Form1.EdTrackID.Text"), QStringLiteral("not-in-list"));
    WriteSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://aliexpress.ru/i/9"));

    ErrorBoxRecorder errors;
    TForm1 window;

    QVERIFY(errors.texts.isEmpty());
    const QStringList expected{QStringLiteral("second"), QStringLiteral("first"),
                               QStringLiteral("второй")};
    QCOMPARE(TrackingIds.items, expected);
    QCOMPARE(items(window.EdTrackID), expected);
    QCOMPARE(window.EdTrackID->currentText(), QStringLiteral("not-in-list"));
    QCOMPARE(window.EdUrl->text(), QStringLiteral("http://aliexpress.ru/i/9"));
    QCOMPARE(AppParams.api_key, QStringLiteral("31337"));
}

void StartupTest::unreadableListSkipsTheRestOfCreation()
{
#ifdef Q_OS_WIN
    // A list file that another program holds open without sharing: Windows refuses to open it.
    const HANDLE held =
        CreateFileW(reinterpret_cast<LPCWSTR>(TrackingIdFilePath().utf16()),
                    GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    QVERIFY(held != INVALID_HANDLE_VALUE);
    const auto release = qScopeGuard([held] { CloseHandle(held); });
#else
    // A list file whose reading fails even for root: the process memory at address 0.
    QVERIFY(QFile::link(QStringLiteral("/proc/self/mem"), TrackingIdFilePath()));
#endif
    AppParams.api_key = QStringLiteral("31337");
    StoreApiKey();
    AppParams.api_key.clear();
    WriteSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://aliexpress.ru/i/9"));

    ErrorBoxRecorder errors;
    TForm1 window;

    QCOMPARE(errors.texts.size(), 1);
    QVERIFY2(errors.texts.first().startsWith(
                 QStringLiteral("Cannot open file \"%1\".").arg(TrackingIdFilePath())),
             qPrintable(errors.texts.first()));
    QCOMPARE(errors.captions, QStringList{QStringLiteral("Dalvo Lumetta")});
    QCOMPARE(TrackingIds.items, QStringList());
    QCOMPARE(window.EdTrackID->count(), 0);
    QCOMPARE(AppParams.api_key, QString());
    QCOMPARE(window.EdUrl->text(), QString());
    QCOMPARE(window.EdTrackID->currentText(), QString());
}

void StartupTest::undecodableListIsReported()
{
    writeFile(m_data->filePath(QStringLiteral("TrackingId.txt")), "\xEF\xBB\xBF"
                                                                  "ok\r\n\xC3\x28\r\n");
    ErrorBoxRecorder errors;
    TForm1 window;
    QCOMPARE(errors.texts, QStringList{QStringLiteral("No mapping for the Unicode character "
                                                      "exists in the target multi-byte code "
                                                      "page.")});
    QCOMPARE(window.EdTrackID->count(), 0);
    QCOMPARE(window.EdUrl->text(), QString());
}

void StartupTest::startupCreatesDialogsHiddenAndFocusesAddress()
{
    WriteSetting(QStringLiteral("Form1.EdUrl.Text"), QStringLiteral("http://aliexpress.ru/i/5"));
    QCoreApplication::setApplicationName(QStringLiteral("other"));
    std::unique_ptr<QWidget> mainWindow(StartLumetta(*qApp, 1));

    QCOMPARE(mainWindow.get(), static_cast<QWidget *>(Form1));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Dalvo Lumetta"));
    QVERIFY(Form2 && FmParam);
    QCOMPARE(Form2->parentWidget(), mainWindow.get());
    QCOMPARE(FmParam->parentWidget(), mainWindow.get());
    QVERIFY(Form2->isWindow() && FmParam->isWindow());
    QVERIFY(!Form2->isVisible() && !FmParam->isVisible());
    QVERIFY(mainWindow->isVisible());
    QVERIFY(!(mainWindow->windowState() & (Qt::WindowMaximized | Qt::WindowMinimized)));
    QVERIFY(!QApplication::windowIcon().isNull());
    QCOMPARE(QApplication::font().pixelSize(), 11);
    QVERIFY(QApplication::font().families().startsWith(QStringLiteral("Tahoma")));
    QVERIFY(!qApp->styleSheet().isEmpty());

    QApplication::setActiveWindow(mainWindow.get());
    QVERIFY(QTest::qWaitForWindowActive(mainWindow.get()));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Form1->EdUrl));
    QCOMPARE(Form1->EdUrl->selectedText(), QStringLiteral("http://aliexpress.ru/i/5"));

    // Their controls are made at their first showing.
    for (ProgramDialog *dialog :
         {static_cast<ProgramDialog *>(Form2), static_cast<ProgramDialog *>(FmParam)}) {
        QVERIFY(dialog->findChildren<QWidget *>().isEmpty());
        dialog->show();
        QVERIFY(!dialog->findChildren<QWidget *>().isEmpty());
        dialog->hide();
    }

    // Closing the main window saves its inputs.
    Form1->EdUrl->setText(QStringLiteral("http://aliexpress.ru/i/6"));
    QVERIFY(mainWindow->close());
    QCOMPARE(ReadSetting(QStringLiteral("Form1.EdUrl.Text"), QString()),
             QStringLiteral("http://aliexpress.ru/i/6"));
    mainWindow.reset();
    Form2 = nullptr;
    FmParam = nullptr;
    QCOMPARE(Form1, nullptr);
    qApp->setStyleSheet(QString());
}

void StartupTest::missingThemeShowsItsBoxAndGoesOn()
{
    MessageBoxSeen seen;
    ModalDriver driver(readAndClose(seen));
    const bool applied = Theme::apply(*qApp, QStringLiteral(":/theme/NoSuchTheme.qss"));

    QVERIFY(driver.actionRan());
    QVERIFY(!applied);
    QCOMPARE(seen.caption, QStringLiteral("Error"));
    QCOMPARE(seen.text, QStringLiteral("Style 'Sapphire Kamri' not found"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, QStringList{QStringLiteral("&Close")});
    QCOMPARE(qApp->styleSheet(), QString());

    // The real theme is there and applies without a box.
    QVERIFY(Theme::apply(*qApp));
    QVERIFY(qApp->styleSheet().contains(QStringLiteral("E2EAF1"), Qt::CaseInsensitive));
    qApp->setStyleSheet(QString());
}

void StartupTest::errorTextFollowsTheFullStopRule()
{
    const auto text = [](const QString &message) {
        return ErrorMessageText(LumettaError(message));
    };
    QCOMPARE(text(QStringLiteral("Unable to write to /tmp/x/setting.ini")),
             QStringLiteral("Unable to write to /tmp/x/setting.ini."));
    QCOMPARE(text(QStringLiteral("Ends with a digit 7")), QStringLiteral("Ends with a digit 7."));
    QCOMPARE(text(QStringLiteral("Ошибка")), QStringLiteral("Ошибка."));
    QCOMPARE(text(QStringLiteral("Already stopped.")), QStringLiteral("Already stopped."));
    QCOMPARE(text(QStringLiteral("Closed (10054)")), QStringLiteral("Closed (10054)"));
    QCOMPARE(text(QStringLiteral("Dash -")), QStringLiteral("Dash -"));
    QCOMPARE(text(QStringLiteral("Slash /")), QStringLiteral("Slash /."));
    QCOMPARE(text(QStringLiteral("Quote \"")), QStringLiteral("Quote \""));
    QCOMPARE(text(QString()), QString());
    QCOMPARE(ErrorMessageText(std::runtime_error("plain failure")),
             QStringLiteral("plain failure."));
}

void StartupTest::errorTextIsTheInnermostNestedOne()
{
    try {
        try {
            try {
                throw LumettaError(QStringLiteral("innermost cause"));
            } catch (...) {
                std::throw_with_nested(LumettaError(QStringLiteral("middle")));
            }
        } catch (...) {
            std::throw_with_nested(std::runtime_error("outer"));
        }
    } catch (const std::exception &error) {
        QCOMPARE(ErrorMessageText(error), QStringLiteral("innermost cause."));
    }

    try {
        try {
            throw LumettaError(QString());
        } catch (...) {
            std::throw_with_nested(LumettaError(QStringLiteral("outer has the text")));
        }
    } catch (const std::exception &error) {
        QCOMPARE(ErrorMessageText(error), QStringLiteral("outer has the text."));
    }
}

void StartupTest::errorBoxIsCriticalWithOneOkButton()
{
    MessageBoxSeen seen;
    ModalDriver driver(readAndClose(seen));
    ShowException(LumettaError(QStringLiteral("Something failed")));
    QVERIFY(driver.actionRan());
    QCOMPARE(seen.caption, QStringLiteral("Dalvo Lumetta"));
    QCOMPARE(seen.text, QStringLiteral("Something failed."));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons.size(), 1);
    QVERIFY(seen.buttons.first().contains(QStringLiteral("OK"), Qt::CaseInsensitive));
}

void StartupTest::errorsEscapingHandlersAreReportedAndTheLoopGoesOn()
{
    ErrorBoxRecorder errors;
    bool ranAfter = false;
    QTimer::singleShot(0, [] { throw LumettaError(QStringLiteral("from a timer")); });
    QTimer::singleShot(0, [&ranAfter] { ranAfter = true; });
    QTRY_VERIFY(ranAfter);
    QCOMPARE(errors.texts, QStringList{QStringLiteral("from a timer.")});
}

void StartupTest::errorsInsideAModalDialogAreReported()
{
    ErrorBoxRecorder errors;
    QDialog dialog;
    bool stillOpen = false;
    ModalDriver driver([&stillOpen](QWidget *modal) {
        QTimer::singleShot(0, [] { throw LumettaError(QStringLiteral("inside the dialog")); });
        QTimer::singleShot(5, [modal, &stillOpen] {
            stillOpen = modal->isVisible();
            static_cast<QDialog *>(modal)->reject();
        });
    });
    dialog.exec();
    QVERIFY(driver.actionRan());
    QVERIFY(stillOpen);
    QCOMPARE(errors.texts, QStringList{QStringLiteral("inside the dialog.")});
}

LUMETTA_UI_TEST_MAIN(StartupTest)
#include "StartupTest.moc"
