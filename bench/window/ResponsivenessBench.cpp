// The window while a generate run waits for a slow answer (1.5 s), on the offscreen platform:
// the largest gap between the ticks of a 10 ms timer on the window's thread (goal: under
// 30 ms); then runs stopped while they wait: the time from the press of Stop to "Остановлено."
// in the log (goal: under 200 ms), and to the next run's first line, which shows the worker
// free again.

#include "BenchTiming.h"
#include "ScriptedServer.h"
#include "TemporaryDataDirectory.h"
#include "Unit1.h"
#include "stored/UnParam.h"

#include <QApplication>
#include <QCommandLinkButton>
#include <QDeadlineTimer>
#include <QPlainTextEdit>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <vector>

namespace {
using BenchTiming::Clock;
constexpr int Rounds = 7;
constexpr int TickMs = 10;
constexpr double GapGoalMs = 30;
constexpr double StopGoalMs = 200;

const QByteArray Answer = R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[)"
                          R"({"url":"u","promotionUrl":"https://s.click.example/e/_b"}]}})";

QByteArray httpAnswer(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

QString local(quint16 port)
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port);
}

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void waitUntil(const std::function<bool()> &done)
{
    const QDeadlineTimer limit(30000);
    while (!done() && !limit.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

QString lastLogLine(TForm1 &window)
{
    return window.MemoLog->toPlainText().section(u'\n', -1);
}

// The largest gap between timer ticks on the window's thread from the press to the run's end.
double largestTickGapMs(TForm1 &window)
{
    std::vector<Clock::time_point> ticks;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ticks.push_back(Clock::now()); });
    timer.start(TickMs);
    ticks.push_back(Clock::now());
    window.Button1Click();
    waitUntil([&window] { return !window.isGenerating(); });
    ticks.push_back(Clock::now());
    double largest = 0;
    for (size_t i = 1; i < ticks.size(); ++i)
        largest = std::max(
            largest, std::chrono::duration<double, std::milli>(ticks[i] - ticks[i - 1]).count());
    return largest;
}

struct StopFigures
{
    double toLine;
    double toNextRun;
};

StopFigures stopWhileWaiting(TForm1 &window, ScriptedServer &held, quint16 fastApi)
{
    const int before = held.requests().size();
    window.Button1Click();
    waitUntil([&] { return held.requests().size() > before; });
    const auto pressed = Clock::now();
    window.Button1Click(); // Stop
    waitUntil([&window] { return lastLogLine(window) == QStringLiteral("Остановлено."); });
    const double toLine = millisecondsSince(pressed);
    window.clearLog(); // so that only the next run's lines are looked for

    LinkServices services = window.linkServices();
    const LinkServices heldServices = services;
    services.apiGateway = local(fastApi);
    window.setLinkServices(services);
    window.Button1Click();
    waitUntil([&window] {
        return window.MemoLog->toPlainText().contains(QStringLiteral("Статус ответа"));
    });
    const double toNextRun = millisecondsSince(pressed);
    waitUntil([&window] { return !window.isGenerating(); });
    window.setLinkServices(heldServices);
    return {toLine, toNextRun};
}
} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    TemporaryDataDirectory data;
    TForm1 window;
    AppParams.api_key = QStringLiteral("12345");
    ScriptedServer slow(
        {ScriptedServer::Script().readRequest().pause(1500).send(httpAnswer(Answer)).close()});
    ScriptedServer fast({ScriptedServer::Script().respond(httpAnswer(Answer)).close()});
    ScriptedServer held({ScriptedServer::Script().readRequest().silent()});
    ScriptedServer shortener(
        {ScriptedServer::Script().respond(httpAnswer("https://clck.ru/b")).close()});
    window.show();

    std::vector<double> gaps, toLine, toNextRun;
    window.setLinkServices({local(slow.port()), local(shortener.port())});
    for (int round = 0; round < Rounds; ++round)
        gaps.push_back(largestTickGapMs(window));
    window.setLinkServices({local(held.port()), local(shortener.port())});
    for (int round = 0; round < Rounds; ++round) {
        const StopFigures figures = stopWhileWaiting(window, held, fast.port());
        toLine.push_back(figures.toLine);
        toNextRun.push_back(figures.toNextRun);
    }

    const double gap = BenchTiming::median(gaps);
    const double worstGap = *std::max_element(gaps.begin(), gaps.end());
    const double stop = BenchTiming::median(toLine);
    std::printf("the window's thread while a run waits 1.5 s for its answer, %d rounds\n", Rounds);
    // The median round: a single worst one mostly shows another process taking the core.
    std::printf("  largest gap between %d ms ticks: median %.1f ms (goal < %.0f ms): %s; worst "
                "round %.1f ms\n",
                TickMs, gap, GapGoalMs, gap < GapGoalMs ? "met" : "NOT met", worstGap);
    std::printf("  Stop to \"Остановлено.\": median %.2f ms (goal < %.0f ms): %s\n", stop,
                StopGoalMs, stop < StopGoalMs ? "met" : "NOT met");
    std::printf("  Stop to the next run's first line: median %.1f ms\n",
                BenchTiming::median(toNextRun));
    return 0;
}
