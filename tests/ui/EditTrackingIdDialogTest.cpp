// The tracking-ID editor driven as a user would: typing, clicking, the keyboard, OK and Cancel,
// with the list file and the settings file in a temporary data directory.

#include "LumettaApplication.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "UnEditTrackingId.h"
#include "Unit1.h"
#include "links/WebPages.h"
#include "stored/UnParam.h"
#include "widgets/CommaText.h"
#include "widgets/GlyphButton.h"
#include "widgets/LinkLabel.h"

#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
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

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<missing>";
    return file.readAll();
}

QStringList listItems(const QListWidget *list)
{
    QStringList items;
    for (int row = 0; row < list->count(); ++row)
        items << list->item(row)->text();
    return items;
}

void clickItem(QListWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

// The owner fills the list box before every showing, as the main window does.
void fillList(TForm2 *dialog, const QStringList &items)
{
    dialog->ListBox1->clear();
    dialog->ListBox1->addItems(items);
}

} // namespace

class EditTrackingIdDialogTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void windowHasItsCaptionSizeAndControls();
    void tabVisitsTheVisibleControlsInOrder();
    void addingAppendsTheUntrimmedTextAndEmptiesTheField();
    void blanksOnlyAreRefusedAndStayInTheField();
    void enterAddsWithoutClosingTheDialog();
    void duplicatesAreKeptAndSaved();
    void selectionEnablesDeleteAndDeletionClearsIt();
    void deleteWithoutSelectionDeletesNothing();
    void deletingKeepsTheFocusInTheList();
    void okSavesTheListFileAndTrackingIds();
    void okWithAnEmptyListSavesAnEmptyFile();
    void okStillClosesWhenTheFileCannotBeCreated();
    void cancelEscAndCloseBoxChangeNothing();
    void selectionLoadsTheStoredDescription();
    void badStoredDescriptionGoesToTheErrorHandler();
    void linkLabelOpensTheTrackingIdPage();
    void everyOpeningFocusesTheEntryAndAnAddedIdShows();
    void hiddenSaveButtonStoresTheMemoAsCommaText();
    void commaTextQuotesWhatNeedsQuoting();
    void mainWindowRefillsItsDropDownAfterTheEditor();

private:
    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<QWidget> m_owner;
    TForm2 *m_dialog = nullptr;
};

void EditTrackingIdDialogTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    TrackingIds = TrackingIdList();
    m_owner = std::make_unique<QWidget>();
    m_owner->setGeometry(100, 100, 501, 392);
    m_owner->show();
    m_dialog = new TForm2(m_owner.get());
    m_dialog->ensureContents();
}

void EditTrackingIdDialogTest::cleanup()
{
    m_owner.reset();
    m_dialog = nullptr;
    m_data.reset();
    TrackingIds = TrackingIdList();
}

void EditTrackingIdDialogTest::windowHasItsCaptionSizeAndControls()
{
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("Редактор Tracking ID"));
    QCOMPARE(m_dialog->size(), QSize(367, 252));
    QCOMPARE(m_dialog->minimumSize(), m_dialog->maximumSize());
    const Qt::WindowFlags flags = m_dialog->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(!(flags & Qt::WindowContextHelpButtonHint));
    QCOMPARE(m_dialog->parentWidget(), m_owner.get());

    struct Expected
    {
        const char *name;
        QRect geometry;
        QString text;
    };
    const QList<Expected> buttons = {
        {"Button1", {223, 14, 130, 25}, QStringLiteral("Добавить")},
        {"btDel", {223, 144, 130, 25}, QStringLiteral("Удалить выделенный")},
        {"BitBtn1", {8, 219, 75, 25}, QStringLiteral("OK")},
        {"BitBtn2", {278, 219, 75, 25}, QStringLiteral("Cancel")},
        {"Button3", {495, 188, 121, 25}, QStringLiteral("Сохранить описание")}};
    for (const Expected &button : buttons) {
        auto *widget = m_dialog->findChild<QPushButton *>(QLatin1String(button.name));
        QVERIFY2(widget, button.name);
        QCOMPARE(widget->geometry(), button.geometry);
        QCOMPARE(widget->text(), button.text);
        QVERIFY2(!widget->isDefault() && !widget->autoDefault(), button.name);
    }
    QCOMPARE(m_dialog->findChild<QLineEdit *>("Edit1")->geometry(), QRect(8, 16, 209, 21));
    QCOMPARE(m_dialog->findChild<QListWidget *>("ListBox1")->geometry(), QRect(8, 43, 209, 166));
    QCOMPARE(m_dialog->findChild<QPlainTextEdit *>("Memo1")->geometry(), QRect(359, 27, 257, 155));
    auto *link = m_dialog->findChild<LinkLabel *>("Label1");
    QCOMPARE(link->text(), QStringLiteral("Получить на AliExpress"));
    QCOMPARE(link->pos(), QPoint(223, 56));
    QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
    QVERIFY(link->font().underline());
    QCOMPARE(m_dialog->findChild<QLabel *>("Label2")->text(),
             QStringLiteral("Комментарий для выделенного Tracking ID"));
    QVERIFY(!m_dialog->btDel->isEnabled());

    // Glyphs: a green check on OK and a red cross on Cancel, 18 pixels square.
    for (GlyphButton *button : {m_dialog->BitBtn1, m_dialog->BitBtn2}) {
        QCOMPARE(button->iconSize(), QSize(18, 18));
        QVERIFY(!button->icon().isNull());
    }

    fillList(m_dialog, {QStringLiteral("a"), QStringLiteral("b")});
    const int result = execWith(m_dialog, [this] {
        for (const char *hidden : {"Label2", "Memo1", "Button3"})
            QVERIFY2(!m_dialog->findChild<QWidget *>(hidden)->isVisible(), hidden);
        for (const char *shown :
             {"Edit1", "Button1", "ListBox1", "Label1", "btDel", "BitBtn1", "BitBtn2"})
            QVERIFY2(m_dialog->findChild<QWidget *>(shown)->isVisible(), shown);
        const QListWidget *list = m_dialog->ListBox1;
        QCOMPARE(list->visualItemRect(list->item(0)).height(), 13);
        QCOMPARE(list->visualItemRect(list->item(1)).top(),
                 list->visualItemRect(list->item(0)).top() + 13);
        m_dialog->reject();
    });
    QCOMPARE(result, 2);
}

void EditTrackingIdDialogTest::tabVisitsTheVisibleControlsInOrder()
{
    fillList(m_dialog, {QStringLiteral("a")});
    m_dialog->btDel->setEnabled(true);
    QStringList visited;
    execWith(m_dialog, [&] {
        for (int step = 0; step < 8; ++step) {
            QWidget *focus = m_dialog->focusWidget();
            visited << (focus ? focus->objectName() : QStringLiteral("<none>"));
            QTest::keyClick(focus ? focus : m_dialog, Qt::Key_Tab);
        }
    });
    QCOMPARE(visited, QStringList({"Edit1", "Button1", "ListBox1", "Label1", "btDel", "BitBtn1",
                                   "BitBtn2", "Edit1"}));
}

void EditTrackingIdDialogTest::addingAppendsTheUntrimmedTextAndEmptiesTheField()
{
    fillList(m_dialog, {QStringLiteral("first")});
    execWith(m_dialog, [this] {
        QTest::keyClicks(m_dialog->Edit1, QStringLiteral("  spaced "));
        QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        // A no-break space is not among the characters that trimming removes.
        m_dialog->Edit1->setText(QString(QChar(0xA0)));
        QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        // A pasted text brings its first line only.
        QGuiApplication::clipboard()->setText(QStringLiteral("pasted\r\nnext"));
        QTest::keyClick(m_dialog->Edit1, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Return);
        QCOMPARE(listItems(m_dialog->ListBox1),
                 QStringList({"first", "  spaced ", QString(QChar(0xA0)), "pasted"}));
        QCOMPARE(m_dialog->Edit1->text(), QString());
        QVERIFY(m_dialog->ListBox1->selectedItems().isEmpty());
        QVERIFY(!m_dialog->btDel->isEnabled());
        m_dialog->reject();
    });
    QVERIFY(TrackingIds.items.isEmpty());
}

void EditTrackingIdDialogTest::blanksOnlyAreRefusedAndStayInTheField()
{
    execWith(m_dialog, [this] {
        const QString blanks = QStringLiteral(" \t ") + QChar(0x1F) + QChar(0);
        m_dialog->Edit1->setText(blanks);
        QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        QCOMPARE(m_dialog->ListBox1->count(), 0);
        QCOMPARE(m_dialog->Edit1->text(), blanks);
        m_dialog->reject();
    });
    // The field keeps its text from one showing to the next.
    QCOMPARE(m_dialog->Edit1->text().size(), 5);
}

void EditTrackingIdDialogTest::enterAddsWithoutClosingTheDialog()
{
    const int result = execWith(m_dialog, [this] {
        // Even after the OK button had the focus once, Enter in the field must not press it.
        m_dialog->BitBtn1->setFocus();
        m_dialog->Edit1->setFocus();
        QTest::keyClicks(m_dialog->Edit1, QStringLiteral("id-1"));
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Return);
        QTest::keyClicks(m_dialog->Edit1, QStringLiteral("id-2"));
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Enter);
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Return); // empty field: adds nothing
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(listItems(m_dialog->ListBox1), QStringList({"id-1", "id-2"}));
        QCOMPARE(m_dialog->Edit1->text(), QString());
        // Enter on a focused button presses that button, as the platform's dialogs do.
        m_dialog->Edit1->setText(QStringLiteral("id-3"));
        m_dialog->Button1->setFocus();
        QTest::keyClick(m_dialog->Button1, Qt::Key_Return);
        QCOMPARE(m_dialog->ListBox1->count(), 3);
        QVERIFY(m_dialog->isVisible());
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Escape);
    });
    QCOMPARE(result, 2);
    QVERIFY(!QFile::exists(TrackingIdFilePath()));
}

void EditTrackingIdDialogTest::duplicatesAreKeptAndSaved()
{
    const int result = execWith(m_dialog, [this] {
        for (int copy = 0; copy < 2; ++copy) {
            m_dialog->Edit1->setText(QStringLiteral("twin"));
            QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        }
        QTest::mouseClick(m_dialog->BitBtn1, Qt::LeftButton);
    });
    QCOMPARE(result, 1);
    QCOMPARE(TrackingIds.items, QStringList({"twin", "twin"}));
    QCOMPARE(fileBytes(TrackingIdFilePath()), QByteArray("twin\r\ntwin\r\n"));
}

void EditTrackingIdDialogTest::selectionEnablesDeleteAndDeletionClearsIt()
{
    fillList(m_dialog, {"a", "b", "c"});
    execWith(m_dialog, [this] {
        QListWidget *list = m_dialog->ListBox1;
        clickItem(list, 1);
        QVERIFY(m_dialog->btDel->isEnabled());
        QTest::mouseClick(m_dialog->btDel, Qt::LeftButton);
        QCOMPARE(listItems(list), QStringList({"a", "c"}));
        QVERIFY(list->selectedItems().isEmpty());
        QVERIFY(!m_dialog->btDel->isEnabled());

        // The keyboard selects too, and so enables the button again.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->selectedItems().size(), 1);
        QVERIFY(m_dialog->btDel->isEnabled());
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::deleteWithoutSelectionDeletesNothing()
{
    fillList(m_dialog, {"a", "b"});
    execWith(m_dialog, [this] {
        clickItem(m_dialog->ListBox1, 0);
        m_dialog->reject();
    });
    // Reopened: the owner refilled the list, so nothing is selected, yet the button stays on.
    fillList(m_dialog, {"a", "b"});
    execWith(m_dialog, [this] {
        QVERIFY(m_dialog->ListBox1->selectedItems().isEmpty());
        QVERIFY(m_dialog->btDel->isEnabled());
        QTest::mouseClick(m_dialog->btDel, Qt::LeftButton);
        QCOMPARE(listItems(m_dialog->ListBox1), QStringList({"a", "b"}));
        QVERIFY(!m_dialog->btDel->isEnabled());
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::deletingKeepsTheFocusInTheList()
{
    fillList(m_dialog, {"a", "b", "c"});
    const int result = execWith(m_dialog, [this] {
        QListWidget *list = m_dialog->ListBox1;
        QVERIFY(QTest::qWaitForWindowActive(m_dialog));
        clickItem(list, 0);
        QTest::mouseClick(m_dialog->btDel, Qt::LeftButton);
        QCOMPARE(m_dialog->focusWidget(), static_cast<QWidget *>(list));
        // So the keys that would press a focused OK reach the list instead.
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Space);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Return);
        QVERIFY(m_dialog->isVisible());

        // Deleting from the keyboard: Tab past the link to the button, Space.
        clickItem(list, 0);
        QTest::keyClick(list, Qt::Key_Tab);
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Tab);
        QCOMPARE(m_dialog->focusWidget(), static_cast<QWidget *>(m_dialog->btDel));
        QTest::keyClick(m_dialog->btDel, Qt::Key_Space);
        QCOMPARE(listItems(list), QStringList({"c"}));
        QCOMPARE(m_dialog->focusWidget(), static_cast<QWidget *>(list));
        QTest::keyClick(m_dialog->focusWidget(), Qt::Key_Space);
        QVERIFY(m_dialog->isVisible());
        m_dialog->reject();
    });
    QCOMPARE(result, 2);
    QVERIFY(!QFile::exists(TrackingIdFilePath()));
}

void EditTrackingIdDialogTest::okSavesTheListFileAndTrackingIds()
{
    TrackingIds.items = {"old"};
    fillList(m_dialog, TrackingIds.items);
    const int result = execWith(m_dialog, [this] {
        clickItem(m_dialog->ListBox1, 0);
        QTest::mouseClick(m_dialog->btDel, Qt::LeftButton);
        m_dialog->Edit1->setText(QStringLiteral(" new "));
        QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
        m_dialog->Edit1->setText(QStringLiteral("other"));
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Return);
        QTest::mouseClick(m_dialog->BitBtn1, Qt::LeftButton);
    });
    QCOMPARE(result, 1);
    QCOMPARE(TrackingIds.items, QStringList({" new ", "other"}));
    QCOMPARE(fileBytes(TrackingIdFilePath()), QByteArray(" new \r\nother\r\n"));
}

void EditTrackingIdDialogTest::okWithAnEmptyListSavesAnEmptyFile()
{
    TrackingIds.items = {"gone"};
    const int result = execWith(m_dialog, [this] { m_dialog->BitBtn1->click(); });
    QCOMPARE(result, 1);
    QVERIFY(TrackingIds.items.isEmpty());
    QCOMPARE(fileBytes(TrackingIdFilePath()), QByteArray());
}

void EditTrackingIdDialogTest::okStillClosesWhenTheFileCannotBeCreated()
{
    // A data directory that does not exist: the list file cannot be created in it.
    SetDataDirectory(m_data->filePath(QStringLiteral("missing")));
    TrackingIds.items = {"kept"};
    fillList(m_dialog, {"kept", "added"});
    ErrorBoxRecorder errors;
    const int result =
        execWith(m_dialog, [this] { QTest::mouseClick(m_dialog->BitBtn1, Qt::LeftButton); });
    QCOMPARE(result, 1);
    QCOMPARE(errors.texts.size(), 1);
    QVERIFY2(errors.texts.first().startsWith(QStringLiteral("Cannot create file \"")),
             qPrintable(errors.texts.first()));
    QCOMPARE(TrackingIds.items, QStringList({"kept"}));
}

void EditTrackingIdDialogTest::cancelEscAndCloseBoxChangeNothing()
{
    TrackingIds.items = {"one", "two"};
    const QList<std::function<void()>> cancels = {
        [this] { QTest::mouseClick(m_dialog->BitBtn2, Qt::LeftButton); },
        [this] {
            QWidget *focus = m_dialog->focusWidget();
            QTest::keyClick(focus ? focus : m_dialog, Qt::Key_Escape);
        },
        [this] { m_dialog->close(); }};
    for (const auto &cancel : cancels) {
        fillList(m_dialog, TrackingIds.items);
        const int result = execWith(m_dialog, [&] {
            m_dialog->Edit1->setText(QStringLiteral("three"));
            QTest::mouseClick(m_dialog->Button1, Qt::LeftButton);
            clickItem(m_dialog->ListBox1, 0);
            QTest::mouseClick(m_dialog->btDel, Qt::LeftButton);
            cancel();
        });
        QCOMPARE(result, 2);
        QCOMPARE(TrackingIds.items, QStringList({"one", "two"}));
        QVERIFY(!QFile::exists(TrackingIdFilePath()));
    }
}

void EditTrackingIdDialogTest::selectionLoadsTheStoredDescription()
{
    WriteSetting(QStringLiteral("TID_described"), QStringLiteral("D09E D0BF").remove(' '));
    fillList(m_dialog, {"described", "plain"});
    execWith(m_dialog, [this] {
        clickItem(m_dialog->ListBox1, 0);
        QCOMPARE(m_dialog->Memo1->toPlainText(), QStringLiteral("Оп"));
        clickItem(m_dialog->ListBox1, 1);
        QCOMPARE(m_dialog->Memo1->toPlainText(), QString());
        clickItem(m_dialog->ListBox1, 0);
        m_dialog->reject();
    });
    // Every showing starts with an empty description.
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->Memo1->toPlainText(), QString());
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::badStoredDescriptionGoesToTheErrorHandler()
{
    WriteSetting(QStringLiteral("TID_good"), QStringLiteral("6F6B"));
    WriteSetting(QStringLiteral("TID_bad"), QStringLiteral("6GZZ"));
    fillList(m_dialog, {"bad", "good"});
    ErrorBoxRecorder errors;
    execWith(m_dialog, [&] {
        clickItem(m_dialog->ListBox1, 0);
        QCOMPARE(errors.texts, QStringList({"'$6G' is not a valid integer value."}));
        QVERIFY(!m_dialog->btDel->isEnabled());

        clickItem(m_dialog->ListBox1, 1);
        QCOMPARE(m_dialog->Memo1->toPlainText(), QStringLiteral("ok"));
        QVERIFY(m_dialog->btDel->isEnabled());
        clickItem(m_dialog->ListBox1, 0);
        QCOMPARE(errors.texts.size(), 2);
        QCOMPARE(m_dialog->Memo1->toPlainText(), QStringLiteral("ok"));
        QVERIFY(m_dialog->btDel->isEnabled());
        QVERIFY(m_dialog->isVisible());
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::linkLabelOpensTheTrackingIdPage()
{
    ShellOpenRecorder opened;
    execWith(m_dialog, [&] {
        m_dialog->Edit1->setText(QStringLiteral("typed"));
        QTest::mouseClick(m_dialog->Label1, Qt::LeftButton);
        QCOMPARE(opened.urls, QStringList({WebPages::portalTrackingIds()}));
        QVERIFY(opened.urls.first().startsWith(QStringLiteral("http://")));
        QVERIFY(opened.urls.first().endsWith(QStringLiteral("/track_id_manage.htm")));
        QVERIFY(m_dialog->isVisible());
        QCOMPARE(m_dialog->Edit1->text(), QStringLiteral("typed"));
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::everyOpeningFocusesTheEntryAndAnAddedIdShows()
{
    fillList(m_dialog, {"a"});
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->focusWidget(), m_dialog->Edit1);
        m_dialog->ListBox1->setFocus();
        QTest::keyClick(m_dialog->ListBox1, Qt::Key_Escape);
    });
    QStringList many;
    for (int i = 0; i < 40; ++i)
        many << QStringLiteral("id%1").arg(i);
    fillList(m_dialog, many);
    execWith(m_dialog, [this] {
        // Closed with the focus elsewhere, the editor opens ready for an ID all the same.
        QCOMPARE(m_dialog->focusWidget(), m_dialog->Edit1);
        QTest::keyClicks(m_dialog->Edit1, QStringLiteral("typed-id"));
        QTest::keyClick(m_dialog->Edit1, Qt::Key_Return);
        QListWidget *list = m_dialog->ListBox1;
        QCOMPARE(list->item(list->count() - 1)->text(), QStringLiteral("typed-id"));
        // Scrolled to it: the added item stands inside the list's view.
        QVERIFY(
            list->viewport()->rect().contains(list->visualItemRect(list->item(list->count() - 1))));
        m_dialog->Button1->setFocus();
        m_dialog->close();
    });
    execWith(m_dialog, [this] {
        QCOMPARE(m_dialog->focusWidget(), m_dialog->Edit1);
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::hiddenSaveButtonStoresTheMemoAsCommaText()
{
    fillList(m_dialog, {"id"});
    execWith(m_dialog, [this] {
        m_dialog->Memo1->setPlainText(QStringLiteral("first line\nplain\nsay \"hi\"\n"));
        m_dialog->Button3Click(); // nothing selected: nothing stored
        QCOMPARE(ReadSetting(QStringLiteral("TID_id"), QStringLiteral("<none>")),
                 QStringLiteral("<none>"));

        clickItem(m_dialog->ListBox1, 0);
        m_dialog->Memo1->setPlainText(QStringLiteral("first line\nplain\nsay \"hi\"\n"));
        m_dialog->Button3Click();
        QCOMPARE(HexUtf8ToStr(ReadSetting(QStringLiteral("TID_id"), {})),
                 QStringLiteral("\"first line\",plain,\"say \"\"hi\"\"\""));

        m_dialog->Memo1->setPlainText(QStringLiteral("\n"));
        m_dialog->Button3Click();
        QCOMPARE(ReadSetting(QStringLiteral("TID_id"), {}), QStringLiteral("2222"));
        m_dialog->reject();
    });
}

void EditTrackingIdDialogTest::commaTextQuotesWhatNeedsQuoting()
{
    QCOMPARE(CommaText({}), QString());
    QCOMPARE(CommaText({""}), QStringLiteral("\"\""));
    QCOMPARE(CommaText({"", ""}), QStringLiteral(","));
    QCOMPARE(CommaText({"a", "b"}), QStringLiteral("a,b"));
    QCOMPARE(CommaText({"a,b"}), QStringLiteral("\"a,b\""));
    QCOMPARE(CommaText({QStringLiteral("tab\there")}), QStringLiteral("\"tab\there\""));
    QCOMPARE(CommaText({"q\"q"}), QStringLiteral("\"q\"\"q\""));
    QCOMPARE(CommaText({"Описание"}), QStringLiteral("Описание"));
}

void EditTrackingIdDialogTest::mainWindowRefillsItsDropDownAfterTheEditor()
{
    QFile list(TrackingIdFilePath());
    QVERIFY(list.open(QIODevice::WriteOnly));
    list.write("alpha\r\nbeta\r\n");
    list.close();
    TForm1 mainWindow;
    Form2 = new TForm2(&mainWindow);
    mainWindow.EdTrackID->setEditText(QStringLiteral("beta"));

    ModalDriver deleteBetaAndConfirm([](QWidget *) {
        QCOMPARE(listItems(Form2->ListBox1), QStringList({"alpha", "beta"}));
        clickItem(Form2->ListBox1, 1);
        QTest::mouseClick(Form2->btDel, Qt::LeftButton);
        Form2->Edit1->setText(QStringLiteral("gamma"));
        QTest::keyClick(Form2->Edit1, Qt::Key_Return);
        QTest::mouseClick(Form2->BitBtn1, Qt::LeftButton);
    });
    mainWindow.Button2Click();
    QVERIFY(deleteBetaAndConfirm.actionRan());
    QStringList dropDown;
    for (int index = 0; index < mainWindow.EdTrackID->count(); ++index)
        dropDown << mainWindow.EdTrackID->itemText(index);
    QCOMPARE(dropDown, QStringList({"alpha", "gamma"}));
    QCOMPARE(mainWindow.EdTrackID->currentText(), QStringLiteral("beta"));
    QCOMPARE(fileBytes(TrackingIdFilePath()), QByteArray("alpha\r\ngamma\r\n"));

    ModalDriver cancel([](QWidget *) {
        Form2->Edit1->setText(QStringLiteral("delta"));
        QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        QTest::mouseClick(Form2->BitBtn2, Qt::LeftButton);
    });
    mainWindow.Button2Click();
    QVERIFY(cancel.actionRan());
    QCOMPARE(mainWindow.EdTrackID->count(), 2);
    QCOMPARE(TrackingIds.items, QStringList({"alpha", "gamma"}));

    delete Form2;
    Form2 = nullptr;
}

int main(int argc, char **argv)
{
    return RunUiTest<EditTrackingIdDialogTest>(argc, argv, [](LumettaApplication &application) {
        application.setAttribute(Qt::AA_Use96Dpi, true);
    });
}

#include "EditTrackingIdDialogTest.moc"
