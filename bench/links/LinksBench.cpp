// Times whole generate runs against the stand-in services beside curl making the same requests
// in the same run: for the old API a GET on a new plain connection, for the Open Platform the
// signed link and facts GETs (after a short link's first hop, when one is pasted) on one new
// TLS connection; then a form POST on a new TLS connection. Also a run whose answer holds
// 10,000 elements.
//
// Each figure is the median of several rounds. Process start and first-use costs are kept out
// for both sides: curl's time is the sum of the times it reports for each transfer after a
// warm-up run, and our side does one warm-up run before the N timed ones.
#include "AnswerText.h"
#include "BenchStandin.h"
#include "BenchTiming.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/OpenPlatformRequest.h"
#include "links/PartnerLink.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#define CPPHTTPLIB_TCP_NODELAY true
#include <httplib.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>

namespace {

using namespace BenchTiming;

constexpr int Rounds = 7;
constexpr int Runs = 50;
constexpr int ManyElements = 10000;

// The requests of one run as our client makes them: the GETs on one new connection (kept
// between GETs to the same host), the form POST on a new TLS connection. Each transfer prints
// its own total time, from name lookup to the last byte of the answer.
QStringList curlRun(const QStringList &gets, const QString &shortenerUrl, const QString &link)
{
    const QString form = "url=" + QString::fromLatin1(QUrl::toPercentEncoding(link));
    const QStringList common{"-s", "-o", "/dev/null", "-w", "%{time_total}\n"};
    const QStringList close{"-H", "Connection: close"};
    const QStringList tls{"--no-sessionid", "--cacert", LUMETTA_STANDIN_CA};
    QStringList arguments;
    for (qsizetype i = 0; i < gets.size(); ++i) {
        arguments += common + (gets[i].startsWith("https:") ? tls : QStringList());
        arguments +=
            (i + 1 == gets.size() ? close : QStringList()) + QStringList{gets[i], "--next"};
    }
    return arguments + common + close + tls + QStringList{"-d", form, shortenerUrl};
}

// curl's own time for `count` runs, after one run that warms it up; process start is no part
// of it.
double curlRuns(const QStringList &gets, const QString &shortenerUrl, const QString &link,
                int count)
{
    const QStringList one = curlRun(gets, shortenerUrl, link);
    QStringList arguments = one;
    for (int i = 0; i < count; ++i)
        arguments += QStringList{"--next"} + one;
    QProcess process;
    process.start(QStringLiteral("curl"), arguments);
    process.waitForFinished(-1);
    if (process.exitCode() != 0)
        std::fprintf(stderr, "curl failed: exit code %d\n", process.exitCode());
    const QList<QByteArray> times = process.readAllStandardOutput().split('\n');
    double seconds = 0;
    for (qsizetype i = gets.size() + 1; i < times.size(); ++i)
        seconds += times[i].toDouble();
    return seconds;
}

// The GETs of one Open Platform run on pageUrl, as the stand-in's log would list them: the
// short link's first hop when there is one, the link call (from the outlet) and the facts.
QStringList openPlatformGets(const RecordingView &view, const LinkServices &services,
                             const QString &productId)
{
    QStringList gets;
    if (view.pageUrl.contains("/_"))
        gets << view.pageUrl;
    OpenPlatformRequest facts(QStringLiteral("aliexpress.affiliate.productdetail.get"),
                              AppParams.api_key, QDateTime::currentMSecsSinceEpoch());
    facts.set(QStringLiteral("product_ids"), productId);
    facts.set(QStringLiteral("target_currency"), AppParams.currency);
    facts.set(QStringLiteral("target_language"), QStringLiteral("RU"));
    facts.set(QStringLiteral("tracking_id"), view.trackingId);
    facts.set(QStringLiteral("fields"),
              QStringLiteral("product_title,target_sale_price,target_sale_price_currency,"
                             "target_original_price,discount,commission_rate,"
                             "hot_product_commission_rate,evaluate_rate,lastest_volume,"
                             "shop_name"));
    return gets << view.requestUrl << facts.url(services.openPlatform, AppParams.app_secret);
}

// Whole runs on pageUrl with the key (and secret) in AppParams, beside curl making the same
// requests.
void wholeRuns(const LinkServices &services, const char *name, const QString &pageUrl)
{
    RecordingView view;
    view.trackingId = QStringLiteral("bench");
    view.pageUrl = pageUrl;

    // Rounds of both sides alternate, so that a change in the machine's load hits both alike.
    TlsChannel channel;
    channel.setExtraCaFile(QStringLiteral(LUMETTA_STANDIN_CA));
    HttpClient http(channel);
    GeneratePartnerLink(view.request(), view, http, services);
    if (!view.log.value(view.log.size() - 2).startsWith(QStringLiteral("Короткая")))
        std::fprintf(stderr, "the run did not succeed: %s\n", qPrintable(view.log.join('|')));
    QStringList gets{view.requestUrl};
    if (!AppParams.app_secret.isEmpty()) {
        const QString item =
            view.log.filter(QStringLiteral("отправлен адрес его страницы")).value(0);
        gets = openPlatformGets(view, services, item.section(u' ', 1, 1).chopped(1));
    }
    std::vector<double> oursRounds;
    std::vector<double> curlRounds;
    for (int round = 0; round < Rounds; ++round) {
        oursRounds.push_back(secondsOf([&] {
            for (int i = 0; i < Runs; ++i)
                GeneratePartnerLink(view.request(), view, http, services);
        }));
        curlRounds.push_back(curlRuns(gets, services.shortener + "/--", view.partnerLink, Runs));
    }
    const double ours = median(oursRounds);
    const double curl = median(curlRounds);
    std::printf("%d whole runs, %-46s ours %8.2f ms   curl %8.2f ms   ratio %.2f\n", Runs, name,
                ours * 1e3, curl * 1e3, ours / curl);
}

void wholeRuns()
{
    BenchStandin standin;
    const LinkServices services = standin.services();
    AppParams.api_key = QStringLiteral("12345");
    wholeRuns(services, "old API (GET, TLS POST)", QStringLiteral("http://aliexpress.ru/x.html"));
    // The stand-in's own App Key and App Secret.
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QStringLiteral("lumetta-demo-secret");
    wholeRuns(services, "Open Platform (2 TLS GETs, TLS POST)",
              QStringLiteral("https://aliexpress.ru/item/1005001.html?spm=1"));
    wholeRuns(services, "Open Platform, short link (3 TLS GETs, TLS POST)",
              services.openPlatform + QStringLiteral("/_bench"));
    AppParams = TParametrs();
}

void manyElements()
{
    std::vector<std::string> elements;
    for (int i = 0; i < ManyElements; ++i)
        elements.push_back(
            AnswerText::element("http://aliexpress.ru/item/" + std::to_string(i) + ".html",
                                "https://s.click.aliexpress.com/e/_" + std::to_string(i)));
    const std::string body = AnswerText::answer(std::to_string(ManyElements), elements);

    httplib::Server server;
    server.Get(".*", [&](const httplib::Request &, httplib::Response &out) {
        out.set_content(body, "application/json;charset=UTF-8");
    });
    server.Post("/--", [](const httplib::Request &, httplib::Response &out) {
        out.set_content("https://clck.ru/x", "text/plain");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread thread([&] { server.listen_after_bind(); });
    while (!server.is_running()) // stop() would miss a server that is not running yet
        std::this_thread::yield();
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(port);
    const LinkServices services{base, base};

    AppParams = TParametrs();
    AppParams.api_key = QStringLiteral("12345");
    TlsChannel channel;
    HttpClient http(channel);
    const double oneRun = medianOf(Rounds, [&] {
        RecordingView view;
        const double seconds =
            secondsOf([&] { GeneratePartnerLink(view.request(), view, http, services); });
        if (view.log.size() != 6 + 2 * ManyElements + 2)
            std::fprintf(stderr, "unexpected log of %lld lines\n", qlonglong(view.log.size()));
        return seconds;
    });
    // The same answer fetched alone: what of the run is transport rather than reading.
    const QString url = base + QStringLiteral("/answer");
    const double getOnly = medianOf(Rounds, [&] { return secondsOf([&] { http.Get(url); }); });
    server.stop();
    thread.join();
    std::printf("answer of %d elements (%.1f MB), whole run into the recorder   %8.2f ms\n"
                "  of which the GET of the answer                              %8.2f ms\n",
                ManyElements, body.size() / 1e6, oneRun * 1e3, getOnly * 1e3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (QStandardPaths::findExecutable("curl").isEmpty())
        std::printf("curl not found: whole runs not compared\n");
    else
        wholeRuns();
    manyElements();
    return 0;
}
