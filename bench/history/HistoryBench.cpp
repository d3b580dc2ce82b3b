// Fills a temporary history with 100,000 links, then times on the offscreen platform, with the
// program's theme:
// - opening the history window: construction, showHistory() and the table's first paint with
//   the first page; the first opening in the process includes the database's one quick check,
//   the later ones (new windows, new stores) do not;
// - each keystroke in its filter, typed as a user would, letter by letter, then erased with
//   Backspace: the key event to the table's next paint, and to a screenful of rows found (or
//   the search's end); a filter of one or two letters that starts many of the index's terms
//   is read row by row, in parts on later turns of the event loop.
// Figures are medians (with the worst keystroke too); the file is in the system's file cache,
// as it is for a program that has just written to it.
#include "BenchTiming.h"

#include "HistoryWindow.h"
#include "Theme.h"
#include "history/HistoryStore.h"
#include "stored/UnParam.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace BenchTiming;

constexpr int Rows = 100000;
constexpr int Openings = 7;
constexpr double OpeningGoalMs = 200;
constexpr double KeystrokeGoalMs = 50;
constexpr int ScreenfulRows = 25;

const char *const Products[] = {"Беспроводные наушники TWS с шумоподавлением",
                                "Смарт-часы с пульсометром",
                                "Рюкзак для ноутбука 15.6 водонепроницаемый",
                                "Power bank 20000 mAh USB-C PD",
                                "Кабель USB-C магнитный 2 м",
                                "Чехол для телефона силиконовый",
                                "Светодиодная лента RGB 5 м",
                                "Механическая клавиатура Outemu Blue",
                                "Термокружка из нержавеющей стали",
                                "Набор отвёрток для ремонта электроники"};

HistoryEntry generated(int i)
{
    HistoryEntry entry;
    entry.madeAt = QDateTime::currentDateTimeUtc().addSecs(i - Rows);
    entry.trackingId = QStringLiteral("channel%1").arg(i % 7);
    const QString productId = QString::number(1005003000000000LL + qint64(i) * 7919);
    entry.productId = productId;
    entry.address = QStringLiteral("https://aliexpress.ru/item/%1.html?sku_id=%2")
                        .arg(productId)
                        .arg(12000 + i % 977);
    entry.title = QStringLiteral("%1, модель %2").arg(QString::fromUtf8(Products[i % 10])).arg(i);
    entry.price = 100 + (i * 37) % 9000 + 0.99;
    entry.currency = QStringLiteral("RUB");
    entry.commissionRate = 3 + i % 9;
    entry.partnerLink =
        QStringLiteral("https://s.click.aliexpress.com/e/_Dk%1").arg(QString::number(i * 31, 36));
    entry.shortLink = QStringLiteral("https://clck.ru/3%1").arg(QString::number(i * 17, 36));
    return entry;
}

void fill(const QString &path)
{
    HistoryStore store(path);
    QList<HistoryEntry> batch;
    for (int i = 0; i < Rows; ++i) {
        batch << generated(i);
        if (batch.size() == 5000) {
            store.addAll(batch);
            batch.clear();
        }
    }
    store.addAll(batch);
}

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

void processUntilPainted(const PaintCounter &counter, int before)
{
    while (counter.paints == before)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

double openingMs(QWidget &owner)
{
    QElapsedTimer timer;
    timer.start();
    auto window = std::make_unique<HistoryWindow>(&owner);
    auto *table = window->findChild<QTableView *>();
    const PaintCounter counter(table->viewport());
    window->showHistory();
    processUntilPainted(counter, 0);
    const double ms = timer.nsecsElapsed() / 1e6;
    if (table->model()->rowCount() == 0)
        std::printf("  (the window showed no rows)\n");
    return ms;
}

struct Keystroke
{
    double paintedMs; // to the table's next paint
    double settledMs; // to a screenful of rows found, or the search's end
};

Keystroke keystroke(HistoryWindow &window, const PaintCounter &counter, const QString &text,
                    Qt::Key key)
{
    auto *search = window.findChild<QLineEdit *>();
    const QAbstractItemModel *model = window.findChild<QTableView *>()->model();
    const int before = counter.paints;
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(search, &press);
    QApplication::sendEvent(search, &release);
    processUntilPainted(counter, before);
    const double painted = timer.nsecsElapsed() / 1e6;
    while (model->rowCount() < ScreenfulRows && model->canFetchMore(QModelIndex()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    return {painted, timer.nsecsElapsed() / 1e6};
}

// Types the text letter by letter, then erases it; prints each keystroke's times.
std::vector<Keystroke> typeAndErase(HistoryWindow &window, const QString &text)
{
    const PaintCounter counter(window.findChild<QTableView *>()->viewport());
    std::vector<Keystroke> times;
    std::printf("  \"%s\", painted/settled:", text.toUtf8().constData());
    const auto print = [&times] {
        std::printf(" %.0f/%.0f", times.back().paintedMs, times.back().settledMs);
    };
    for (const QChar character : text) {
        times.push_back(keystroke(window, counter, QString(character), Qt::Key_unknown));
        print();
    }
    std::printf(" | erased:");
    for (qsizetype i = 0; i < text.size(); ++i) {
        times.push_back(keystroke(window, counter, QString(), Qt::Key_Backspace));
        print();
    }
    std::printf(" ms\n");
    return times;
}

const char *verdict(double ms, double goal)
{
    return ms < goal ? "within" : "OVER";
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    Theme::useOwnPicturesOnly();
    Theme::applyFont(application);
    Theme::apply(application);

    const QTemporaryDir data;
    SetDataDirectory(data.path());
    const QString path = HistoryStore::defaultPath();
    const double fillSeconds = secondsOf([&] { fill(path); });
    std::printf("history of %d links: filled in %.1f s, %.0f MB\n", Rows, fillSeconds,
                QFileInfo(path).size() / 1e6);

    QWidget owner;
    const double first = openingMs(owner);
    const double later = medianOf(Openings, [&] { return openingMs(owner) / 1e3; }) * 1e3;
    std::printf("opening the window: first %.1f ms (with the quick check), later %.1f ms "
                "(median of %d); goal %.0f ms: %s, %s\n",
                first, later, Openings, OpeningGoalMs, verdict(first, OpeningGoalMs),
                verdict(later, OpeningGoalMs));

    HistoryWindow window(&owner);
    window.showHistory();
    QCoreApplication::processEvents();
    std::printf("keystrokes in the filter (ms each):\n");
    std::vector<double> painted;
    std::vector<double> settled;
    for (const QString &text :
         {QStringLiteral("наушники"), QStringLiteral("МОДЕЛЬ 9999"), QStringLiteral("clck.ru/3a"),
          QStringLiteral("channel3"), QStringLiteral("qz"), QStringLiteral("ъю")}) {
        for (const Keystroke &times : typeAndErase(window, text)) {
            painted.push_back(times.paintedMs);
            settled.push_back(times.settledMs);
        }
    }
    for (const auto &[name, values] :
         {std::pair("to the next paint", painted), std::pair("to the rows found", settled)}) {
        const double worst = *std::max_element(values.begin(), values.end());
        std::printf("keystroke %s: median %.1f ms, worst %.1f ms of %zu; goal %.0f ms: median "
                    "%s, worst %s\n",
                    name, median(values), worst, values.size(), KeystrokeGoalMs,
                    verdict(median(values), KeystrokeGoalMs), verdict(worst, KeystrokeGoalMs));
    }
    SetDataDirectory(QString());
    return 0;
}
