// The history window driven as a user would: typing a filter, copying links, opening a page,
// deleting rows and exporting them, with the history in a temporary data directory.

#include "HistoryWindow.h"
#include "ModalDriver.h"
#include "Recorders.h"
#include "TemporaryDataDirectory.h"
#include "UiTestMain.h"
#include "history/HistoryStore.h"
#include "widgets/HistoryTableModel.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextDocument>

#include <functional>
#include <memory>

namespace {

using enum HistoryTableModel::Column;

HistoryEntry entry(const QString &title, int number)
{
    HistoryEntry result;
    result.trackingId = QStringLiteral("blog");
    result.address = QStringLiteral("https://aliexpress.ru/item/%1.html").arg(number);
    result.productId = QString::number(number);
    result.title = title;
    result.price = 100 + number;
    result.currency = QStringLiteral("RUB");
    result.commissionRate = 5;
    result.partnerLink = QStringLiteral("https://s.click.aliexpress.com/e/_p%1").arg(number);
    result.shortLink = QStringLiteral("https://clck.ru/s%1").arg(number);
    return result;
}

QStringList shownTitles(const QTableView *table)
{
    QStringList titles;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        titles << table->model()->index(row, Title).data().toString();
    return titles;
}

// Types text as key presses: QTest::keyClicks takes Latin-1 only.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar character : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(character),
                            Qt::NoModifier);
}

// A double click as the mouse makes it: QTest::mouseDClick sends the second press alone.
void doubleClick(QTableView *table, int column)
{
    const QPoint centre = table->visualRect(table->model()->index(0, column)).center();
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, centre);
    QTest::mouseRelease(table->viewport(), Qt::LeftButton, {}, centre);
}

QAction *tableAction(const QTableView *table, const QString &text)
{
    for (QAction *action : table->actions()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

} // namespace

class HistoryWindowTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void showsNewestFirstAndFiltersAsTyped();
    void copiesEitherLink();
    void opensTheProductPage();
    void deletesTheSelectedRowsWhenConfirmed();
    void exportsTheShownRowsThroughTheChooser();
    void refreshShowsRowsAddedElsewhere();
    void readsALongHistoryAPageAtATime();
    void aHistoryNotKeptIsSaidOnceAndNothingFails();
    void controlsHaveNamesAndTheKeyboardReachesThem();
    void aSellersMarkupIsAPlainToolTip();

private:
    void showWith(const QList<HistoryEntry> &entries);
    QTableView *table() const { return m_window->findChild<QTableView *>("HistoryTable"); }
    QLineEdit *search() const { return m_window->findChild<QLineEdit *>("HistorySearch"); }
    QPushButton *button(const char *name) const { return m_window->findChild<QPushButton *>(name); }
    void selectCell(int row, int column)
    {
        table()->setCurrentIndex(table()->model()->index(row, column));
    }

    std::unique_ptr<TemporaryDataDirectory> m_data;
    std::unique_ptr<QWidget> m_owner;
    HistoryWindow *m_window = nullptr;
};

void HistoryWindowTest::init()
{
    m_data = std::make_unique<TemporaryDataDirectory>();
    m_owner = std::make_unique<QWidget>();
    m_window = new HistoryWindow(m_owner.get());
}

void HistoryWindowTest::cleanup()
{
    m_owner.reset();
    m_window = nullptr;
    m_data.reset();
}

void HistoryWindowTest::showWith(const QList<HistoryEntry> &entries)
{
    HistoryStore store;
    store.addAll(entries);
    m_window->showHistory();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void HistoryWindowTest::showsNewestFirstAndFiltersAsTyped()
{
    showWith({entry("Беспроводные наушники", 1), entry("Ночник", 2), entry("НАУШНИКИ детские", 3),
              entry("Лампа", 4)});
    QCOMPARE(m_window->windowTitle(), QStringLiteral("История"));
    QVERIFY(m_window->isWindow());
    QCOMPARE(m_window->parentWidget(), m_owner.get());
    QCOMPARE(shownTitles(table()),
             QStringList({"Лампа", "НАУШНИКИ детские", "Ночник", "Беспроводные наушники"}));
    QVERIFY(QApplication::focusWidget() == search());

    const struct
    {
        QString typed;
        QStringList titles;
    } keystrokes[] = {{"н", {"НАУШНИКИ детские", "Ночник", "Беспроводные наушники"}},
                      {"а", {"НАУШНИКИ детские", "Беспроводные наушники"}},
                      {"у", {"НАУШНИКИ детские", "Беспроводные наушники"}},
                      {"ш", {"НАУШНИКИ детские", "Беспроводные наушники"}},
                      {"ники д", {"НАУШНИКИ детские"}},
                      {"z", {}}};
    for (const auto &keystroke : keystrokes) {
        typeText(search(), keystroke.typed);
        QCOMPARE(shownTitles(table()), keystroke.titles);
    }
    search()->clear();
    QCOMPARE(shownTitles(table()).size(), 4);
}

void HistoryWindowTest::copiesEitherLink()
{
    showWith({entry("Лампа", 7)});
    const QString partner = QStringLiteral("https://s.click.aliexpress.com/e/_p7");
    const QString shortLink = QStringLiteral("https://clck.ru/s7");
    const struct
    {
        const char *how;
        std::function<void()> act;
        QString copied;
    } cases[] = {
        {"double click on the partner link", [this] { doubleClick(table(), PartnerLink); },
         partner},
        {"double click on the short link", [this] { doubleClick(table(), ShortLink); }, shortLink},
        {"Ctrl+C on the short link",
         [this] {
             selectCell(0, ShortLink);
             QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
         },
         shortLink},
        {"the menu's partner link",
         [this] {
             selectCell(0, Title);
             tableAction(table(), "Копировать партнёрскую ссылку")->trigger();
         },
         partner},
    };
    table()->setFocus();
    for (const auto &test : cases) {
        QGuiApplication::clipboard()->setText(QStringLiteral("before"));
        test.act();
        QVERIFY2(QGuiApplication::clipboard()->text() == test.copied, test.how);
    }
}

void HistoryWindowTest::opensTheProductPage()
{
    showWith({entry("Лампа", 1), entry("Ночник", 2)});
    QVERIFY(!button("HistoryOpenPage")->isEnabled()); // no row is current yet
    const ShellOpenRecorder opened;
    selectCell(1, Price);
    button("HistoryOpenPage")->click();
    table()->setFocus();
    selectCell(0, Title);
    QTest::keyClick(table(), Qt::Key_Return);
    tableAction(table(), "Открыть страницу товара")->trigger();
    QCOMPARE(opened.urls,
             QStringList({"https://aliexpress.ru/item/1.html", "https://aliexpress.ru/item/2.html",
                          "https://aliexpress.ru/item/2.html"}));
}

void HistoryWindowTest::deletesTheSelectedRowsWhenConfirmed()
{
    showWith({entry("один", 1), entry("два", 2), entry("три", 3), entry("четыре", 4)});
    const struct
    {
        QMessageBox::StandardButton answer;
        QStringList left;
    } cases[] = {{QMessageBox::No, {"четыре", "три", "два", "один"}},
                 {QMessageBox::Yes, {"три", "один"}}};
    for (const auto &test : cases) {
        // The question took the activation, and the offscreen platform does not give it back.
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window));
        table()->setFocus();
        table()->clearSelection();
        selectCell(0, Title);
        table()->selectionModel()->select(table()->model()->index(2, Title),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
        QString question;
        ModalDriver driver([&](QWidget *modal) {
            auto *box = qobject_cast<QMessageBox *>(modal);
            question = box->text();
            box->button(test.answer)->click();
        });
        QTest::keyClick(table(), Qt::Key_Delete);
        QVERIFY(driver.actionRan());
        QCOMPARE(question, QStringLiteral("Удалить из истории выделенные строки (2)?"));
        QCOMPARE(shownTitles(table()), test.left);
        QCOMPARE(HistoryStore().count(), test.left.size());
    }
    QCOMPARE(m_window->findChild<QLabel *>("HistoryStatus")->text(),
             QStringLiteral("Ссылок в истории: 2"));
    QVERIFY(!button("HistoryDelete")->isEnabled());
}

void HistoryWindowTest::exportsTheShownRowsThroughTheChooser()
{
    showWith({entry("Лампа", 1), entry("Ночник", 2)});
    typeText(search(), "лам");
    const QString path = m_data->filePath("выгрузка.csv");
    QString suggested;
    m_window->setExportPathChooser([&](QWidget *, const QString &offered) {
        suggested = offered;
        return QString();
    });
    button("HistoryExport")->click();
    QVERIFY(suggested.endsWith(".csv"));
    QVERIFY(!QFile::exists(path)); // cancelled

    m_window->setExportPathChooser([&](QWidget *, const QString &) { return path; });
    button("HistoryExport")->click();
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QCOMPARE(bytes.count("\r\n"), 2); // the header and the one row shown
    QVERIFY(bytes.contains(",Лампа,101,RUB,5,"));

    const ErrorBoxRecorder errors;
    m_window->setExportPathChooser(
        [&](QWidget *, const QString &) { return m_data->filePath("нет/такой/папки.csv"); });
    button("HistoryExport")->click();
    QCOMPARE(errors.texts.size(), 1);
    QVERIFY(errors.texts.first().startsWith("Не удалось записать файл"));
}

void HistoryWindowTest::refreshShowsRowsAddedElsewhere()
{
    showWith({entry("Лампа", 1), entry("Ночник", 2)});
    selectCell(1, ShortLink);
    HistoryStore().add(entry("Гирлянда", 3));
    QCOMPARE(shownTitles(table()).size(), 2);
    m_window->refresh();
    QCOMPARE(shownTitles(table()), QStringList({"Гирлянда", "Ночник", "Лампа"}));
    QCOMPARE(table()->currentIndex(), table()->model()->index(2, ShortLink)); // still "Лампа"
    QCOMPARE(m_window->findChild<QLabel *>("HistoryStatus")->text(),
             QStringLiteral("Ссылок в истории: 3"));
}

void HistoryWindowTest::readsALongHistoryAPageAtATime()
{
    // Three parts of a search that reads every row; only the oldest entry, in the last part,
    // has a "ъ".
    const int rows = 2 * int(HistoryStore::ScanIds) + 200;
    QList<HistoryEntry> entries = {entry("подъезд", 0)};
    for (int i = 1; i < rows; ++i)
        entries << entry(QStringLiteral("товар %1").arg(i), i);
    showWith(entries);
    QCOMPARE(table()->model()->rowCount(), 100);
    for (const int expected : {200, 300}) {
        QScrollBar *bar = table()->verticalScrollBar();
        bar->setValue(bar->maximum());
        QCoreApplication::processEvents();
        QCOMPARE(table()->model()->rowCount(), expected);
    }
    typeText(search(), "Ъ");
    QTRY_COMPARE(shownTitles(table()), QStringList({"подъезд"}));

    // The model looks on by itself, past parts without a match, with no view asking it to.
    HistoryStore store;
    HistoryTableModel model;
    model.setStore(&store);
    model.setFilter("Ъ");
    QTRY_COMPARE(model.rowCount(), 1);
}

void HistoryWindowTest::aHistoryNotKeptIsSaidOnceAndNothingFails()
{
    QFile blocker(m_data->filePath("folder"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto *window = new HistoryWindow(m_owner.get(), m_data->filePath("folder/history.sqlite"));
    QSignalSpy notices(window, &HistoryWindow::noticeRaised);
    window->showHistory();
    window->showHistory();
    window->refresh();
    QCOMPARE(notices.size(), 1);
    const QString notice = notices.first().first().toString();
    QVERIFY2(notice.startsWith("История ссылок не ведётся: нет доступа на запись в "),
             qPrintable(notice));
    QCOMPARE(window->findChild<QLabel *>("HistoryStatus")->text(), notice);
    QCOMPARE(window->findChild<QTableView *>("HistoryTable")->model()->rowCount(), 0);
    QVERIFY(!window->findChild<QPushButton *>("HistoryExport")->isEnabled());
}

void HistoryWindowTest::controlsHaveNamesAndTheKeyboardReachesThem()
{
    showWith({entry("Лампа", 1), entry("Ночник", 2)});
    QCOMPARE(search()->accessibleName(), QStringLiteral("Поиск по истории"));
    QCOMPARE(table()->accessibleName(), QStringLiteral("Ссылки в истории"));
    for (const char *name : {"HistoryOpenPage", "HistoryDelete", "HistoryExport"})
        QVERIFY2(!button(name)->text().isEmpty(), name);
    // Down from the search goes to the first row; Tab goes on to the buttons.
    search()->setFocus();
    QTest::keyClick(search(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), table());
    QCOMPARE(table()->currentIndex().row(), 0);
    QTest::keyClick(table(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), button("HistoryOpenPage"));
    QVERIFY(button("HistoryOpenPage")->isEnabled());
    // Esc closes the window; showHistory() brings it back.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    m_window->showHistory();
    QVERIFY(m_window->isVisible());
}

// A title is a seller's text: its tooltip shows it as written, never renders it.
void HistoryWindowTest::aSellersMarkupIsAPlainToolTip()
{
    const QString title =
        QStringLiteral("<img src=\":/pictures/gear.svg\" width=30000><b>Лампа</b>");
    showWith({entry(title, 1)});
    const QString toolTip = table()->model()->index(0, Title).data(Qt::ToolTipRole).toString();
    QTextDocument shown;
    shown.setHtml(toolTip);
    QCOMPARE(shown.toPlainText(), title);
}

LUMETTA_UI_TEST_MAIN(HistoryWindowTest)
#include "HistoryWindowTest.moc"
