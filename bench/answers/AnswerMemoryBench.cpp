// Measures what one generate run costs in memory when the Open Platform answers with a large
// JSON text: the peak resident size of the process during the run and what it keeps once the
// run is over. The run is the program's own (LinkWorker on its thread, with the client the
// run uses) against a loopback server; each answer size is measured in a fresh process.
//
// Goals: the largest accepted answer (4 MiB) peaks under 150 MB, and after every run the
// process is back within 20 MB of where it was before.
#include "ScriptedServer.h"
#include "runs/LinkWorker.h"
#include "stored/UnParam.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>

#include <cstdio>
#include <cstring>

namespace {

constexpr qsizetype MiB = qsizetype(1) << 20;
constexpr double PeakGoalMb = 150;
constexpr double KeptGoalMb = 20;
const QString PageUrl = QStringLiteral("https://aliexpress.ru/store/1234");
const QString PartnerLink = QStringLiteral("https://s.click.aliexpress.com/e/_bench");

enum class Filler { Numbers, Products };

struct Case
{
    const char *name;
    qsizetype bytes;
    Filler filler;
};

// Numbers are the costliest values to hold per byte of text; products are what a real answer
// is made of.
const Case Cases[] = {
    {"1 MiB, numbers", MiB, Filler::Numbers},
    {"4 MiB, numbers", 4 * MiB, Filler::Numbers},
    {"4 MiB, products", 4 * MiB, Filler::Products},
    {"4 MiB + 1 byte, numbers", 4 * MiB + 1, Filler::Numbers},
    {"32 MiB, numbers", 32 * MiB, Filler::Numbers},
};

// An answer with the partner link, of exactly bytes bytes: the filler is an array the program
// never reads, padded out with spaces.
QByteArray answerJson(qsizetype bytes, Filler filler)
{
    const QByteArray head = "{\"aliexpress_affiliate_link_generate_response\":{\"resp_result\":"
                            "{\"resp_code\":200,\"resp_msg\":\"Call succeeds\",\"result\":{"
                            "\"current_record_count\":1,\"total_result_count\":1,"
                            "\"promotion_links\":{\"promotion_link\":[{\"promotion_link\":\"" +
                            PartnerLink.toUtf8() + "\",\"source_value\":\"" + PageUrl.toUtf8() +
                            "\"}]},\"filler\":[";
    const QByteArray tail = "]}}}}";
    const QByteArray unit =
        filler == Filler::Numbers
            ? QByteArray("0,")
            : QByteArray("{\"product_id\":1005003091506814,\"product_title\":\"Термос 500 мл, "
                         "нержавеющая сталь\",\"target_sale_price\":\"1234.56\","
                         "\"target_sale_price_currency\":\"RUB\",\"discount\":\"35%\","
                         "\"evaluate_rate\":\"97.8%\",\"lastest_volume\":1523,"
                         "\"shop_name\":\"Bench Store\",\"commission_rate\":\"7.0%\"},");
    QByteArray json;
    json.reserve(bytes);
    json += head;
    json += "0";
    while (json.size() + unit.size() + tail.size() <= bytes) {
        json += ',';
        json += unit.chopped(1);
    }
    json += tail;
    json += QByteArray(bytes - json.size(), ' ');
    return json;
}

QByteArray httpAnswer(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: application/json;charset=UTF-8\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// A field of /proc/self/status, in MB.
double statusMb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field)))
                       .trimmed()
                       .split(' ')
                       .value(0)
                       .toDouble() /
                   1024;
    }
    return -1;
}

// The peak resident size starts again from the present one.
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

// One run to the end; the log's lines.
QStringList runOnce(LinkWorker &worker, const LinkRequest &request)
{
    QStringList log;
    QEventLoop loop;
    const auto line =
        QObject::connect(&worker, &LinkWorker::lineLogged, [&log](const QString &l) { log << l; });
    const auto end = QObject::connect(&worker, &LinkWorker::finished, &loop, &QEventLoop::quit);
    worker.start(request);
    loop.exec();
    QObject::disconnect(line);
    QObject::disconnect(end);
    return log;
}

// Prints: baseline, peak, after (MB), whether the partner link was read, the log's last line.
int measure(const Case &c)
{
    const QByteArray shortAnswer = httpAnswer("https://ya.cc/bench");
    const QByteArray small = httpAnswer(answerJson(2000, Filler::Products));
    const QByteArray large = httpAnswer(answerJson(c.bytes, c.filler));
    // Connections in order: a warm-up run (link, shortener), then the measured one.
    ScriptedServer server({ScriptedServer::Script().respond(small).close(),
                           ScriptedServer::Script().respond(shortAnswer).close(),
                           ScriptedServer::Script().respond(large).close(),
                           ScriptedServer::Script().respond(shortAnswer).close()});
    const QString address = QStringLiteral("http://127.0.0.1:%1").arg(server.port());
    LinkWorker worker;
    worker.setServices({address, address, address});
    worker.prepare();
    const LinkRequest request{{QStringLiteral("12345678"), QStringLiteral("bench-secret")},
                              QStringLiteral("bench"),
                              PageUrl};
    runOnce(worker, request); // first-use costs of a run are not the answer's

    if (!resetPeak())
        std::fprintf(stderr, "cannot reset the peak (/proc/self/clear_refs)\n");
    const double before = statusMb("VmRSS:");
    const QStringList log = runOnce(worker, request);
    const double peak = statusMb("VmHWM:");
    const double after = statusMb("VmRSS:");
    const bool linked = log.contains(QStringLiteral("Партнёрская: ") + PartnerLink);
    QString last;
    for (const QString &l : log)
        last = l.isEmpty() ? last : l;
    std::printf("%.1f %.1f %.1f %d %s\n", before, peak, after, linked ? 1 : 0,
                last.toUtf8().constData());
    return 0;
}

int runAll(const QString &self)
{
    std::printf("%-26s %10s %10s %10s %10s  %-8s %s\n", "answer", "before MB", "peak MB", "rise MB",
                "kept MB", "read", "goals");
    bool allMet = true;
    for (qsizetype i = 0; i < qsizetype(std::size(Cases)); ++i) {
        QProcess child;
        child.start(self, {QStringLiteral("--case"), QString::number(i)});
        child.waitForFinished(300000);
        const QString output = QString::fromUtf8(child.readAllStandardOutput()).trimmed();
        const QStringList fields = output.split(u' ');
        if (fields.size() < 4) {
            std::printf("%-26s failed: %s\n", Cases[i].name,
                        child.readAllStandardError().constData());
            allMet = false;
            continue;
        }
        const double before = fields[0].toDouble();
        const double peak = fields[1].toDouble();
        const double after = fields[2].toDouble();
        const bool linked = fields[3] == u"1";
        const bool accepted = Cases[i].bytes <= 4 * MiB;
        const bool peakMet = !accepted || peak < PeakGoalMb;
        const bool keptMet = after - before < KeptGoalMb;
        const bool outcomeMet = linked == accepted;
        allMet = allMet && peakMet && keptMet && outcomeMet;
        std::printf("%-26s %10.1f %10.1f %10.1f %10.1f  %-8s peak %s, kept %s\n", Cases[i].name,
                    before, peak, peak - before, after - before, linked ? "link" : "refused",
                    accepted ? (peakMet ? "under 150 MB" : "OVER 150 MB") : "(refused)",
                    keptMet ? "under 20 MB" : "OVER 20 MB");
        if (!outcomeMet)
            std::printf("    unexpected outcome; last log line: %s\n",
                        fields.mid(4).join(u' ').toUtf8().constData());
        else if (!accepted)
            std::printf("    %s\n", fields.mid(4).join(u' ').toUtf8().constData());
    }
    std::printf("%s\n", allMet ? "every goal met" : "SOME GOAL MISSED");
    return allMet ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--case") == 0) {
        const int index = std::atoi(argv[2]);
        if (index < 0 || index >= int(std::size(Cases)))
            return 2;
        return measure(Cases[index]);
    }
    return runAll(QCoreApplication::applicationFilePath());
}
