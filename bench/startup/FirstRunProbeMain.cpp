// The program's start-up, exactly as its entry runs it, pointed at the stand-in services
// (arguments: the API address, the shortener address, the stand-in's CA file), on a scratch data
// directory. The pointer moves over the window as it opens; once the window has stood idle for
// about the time a person takes to reach the button, it times whole generate runs: the first one
// and later ones back to back on one line, then later ones each after the same idle as the first on
// a second line (in milliseconds), and ends.

#include "Startup.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QComboBox>
#include <QCommandLinkButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {
constexpr int IdleBeforeFirstRunMs = 700;
constexpr int LaterRuns = 15;
constexpr int IdleRuns = 7;

// From the press to the window having shown all the run's reports.
double millisecondsOfRun(TForm1 *window)
{
    QEventLoop runEnded;
    QObject::connect(&window->linkWorker(), &LinkWorker::finished, &runEnded, &QEventLoop::quit);
    const auto start = std::chrono::steady_clock::now();
    window->Button1Click();
    runEnded.exec();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void movePointerOver(QWidget *widget)
{
    const QPointF centre = QRectF(widget->rect()).center();
    QMouseEvent move(QEvent::MouseMove, centre, widget->mapToGlobal(centre), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(widget, &move);
}

void finish(TForm1 *window)
{
    // A run that did not reach the short link would time the wrong work.
    std::printf("\n%s\n", window->EdShortParLink->text().isEmpty() ? "failed" : "ok");
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

// A person never presses twice within milliseconds: between presses the caches go cold as
// the first press finds them, so these runs show what the first one costs beyond that.
void timeRunsAfterIdle(TForm1 *window, int left)
{
    if (left == 0)
        return finish(window);
    QTimer::singleShot(IdleBeforeFirstRunMs, window, [window, left] {
        std::printf("%s%.3f", left == IdleRuns ? "" : " ", millisecondsOfRun(window));
        timeRunsAfterIdle(window, left - 1);
    });
}

void timeRuns(TForm1 *window)
{
    std::printf("%.3f", millisecondsOfRun(window));
    for (int run = 0; run < LaterRuns; ++run)
        std::printf(" %.3f", millisecondsOfRun(window));
    std::printf("\n");
    timeRunsAfterIdle(window, IdleRuns);
}
} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s API-ADDRESS SHORTENER-ADDRESS CA-FILE\n", argv[0]);
        return 2;
    }
    const LinkServices services{QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])};
    const QString caFile = QString::fromLocal8Bit(argv[3]);
    QTemporaryDir scratch;
    SetDataDirectory(scratch.path());
    return RunLumetta(1, argv, [&](QWidget *mainWindow) {
        auto *window = static_cast<TForm1 *>(mainWindow);
        window->setLinkServices(services);
        window->setExtraCaFile(caFile);
        AppParams.api_key = QStringLiteral("12345");
        window->EdTrackID->setEditText(QStringLiteral("demo"));
        window->EdUrl->setText(QStringLiteral("http://aliexpress.ru/item/1.html"));
        // A person's pointer moves over the window as it opens; the press follows the idle.
        QTimer::singleShot(0, window, [window] { movePointerOver(window->Button1); });
        QTimer::singleShot(IdleBeforeFirstRunMs, window, [window] { timeRuns(window); });
    });
}
