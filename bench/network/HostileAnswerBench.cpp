// Times the HTTP client on answers built to make it work hard: an HTML body of 12 MB that
// declares 300,000 distinct headers in meta elements, and a header block of 1 MiB made of
// distinct Set-Cookie fields. Each is read once from memory (parsing, cookies and decoding
// alone) and once from a loopback server (the whole request). The goal is under 100 ms each.
#include "BenchTiming.h"
#include "InMemoryChannel.h"
#include "ScriptedServer.h"
#include "http/CookieJar.h"
#include "http/HttpClient.h"
#include "http/ResponseReader.h"
#include "net/TlsChannel.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

namespace {

using namespace BenchTiming;

constexpr int Rounds = 5;
constexpr int DefaultMetaElements = 300000;
constexpr double GoalSeconds = 0.100;

QByteArray metaAnswer(int elements)
{
    QByteArray body = "<html><head>\n";
    body.reserve(qsizetype(elements) * 42);
    for (int i = 0; i < elements; ++i)
        body += "<meta http-equiv=\"x" + QByteArray::number(i) + "\" content=\"v\">\n";
    body += "</head><body>ok</body></html>\n";
    return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
           QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

// Distinct cookies up to just under the reader's cap on a header block.
QByteArray cookieAnswer(int &cookies)
{
    QByteArray head = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\n";
    cookies = 0;
    for (;;) {
        const QByteArray line =
            "Set-Cookie: c" + QByteArray::number(cookies) + "=value; Path=/\r\n";
        if (head.size() + line.size() + 2 > ResponseReader::MaxHeaderBytes)
            break;
        head += line;
        ++cookies;
    }
    return head + "\r\nok";
}

double threadCpuSeconds()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// Wall time, and the processor time of the client's thread alone: on a busy machine the
// second tells what the reading itself costs.
struct Timing
{
    double wall;
    double cpu;
};

Timing timingOf(int rounds, const std::function<void()> &request)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (int i = 0; i < rounds; ++i) {
        const double cpuBefore = threadCpuSeconds();
        wall.push_back(secondsOf(request));
        cpu.push_back(threadCpuSeconds() - cpuBefore);
    }
    return {median(wall), median(cpu)};
}

Timing inMemory(const QByteArray &answer)
{
    std::vector<std::unique_ptr<InMemoryChannel>> channels;
    std::vector<std::unique_ptr<HttpClient>> clients;
    return timingOf(Rounds, [&] {
        channels.push_back(std::make_unique<InMemoryChannel>(answer));
        clients.push_back(std::make_unique<HttpClient>(*channels.back()));
        clients.back()->Get(QStringLiteral("http://gw.example/"));
    });
}

Timing overLoopback(const QByteArray &answer)
{
    ScriptedServer server({ScriptedServer::Script().respond(answer).close()});
    const QString url = QStringLiteral("http://127.0.0.1:%1/").arg(server.port());
    std::vector<std::unique_ptr<TlsChannel>> channels;
    std::vector<std::unique_ptr<HttpClient>> clients;
    return timingOf(Rounds, [&] {
        channels.push_back(std::make_unique<TlsChannel>());
        clients.push_back(std::make_unique<HttpClient>(*channels.back()));
        clients.back()->Get(url);
    });
}

void report(const char *what, Timing timing)
{
    std::printf("%-34s wall %8.2f ms   cpu %8.2f ms   %s\n", what, timing.wall * 1e3,
                timing.cpu * 1e3, timing.wall < GoalSeconds ? "under 100 ms" : "OVER 100 ms");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);

    // A smaller count may be given, to time a build that is slow at the full size.
    const int elements = argc > 1 ? std::atoi(argv[1]) : DefaultMetaElements;
    const QByteArray meta = metaAnswer(elements);
    std::printf("meta answer: %.1f MB, %d meta elements\n", meta.size() / 1e6, elements);
    report("meta answer, from memory", inMemory(meta));
    report("meta answer, loopback GET", overLoopback(meta));

    int cookies = 0;
    const QByteArray cookieBlock = cookieAnswer(cookies);
    std::printf("cookie answer: %lld header bytes, %d Set-Cookie fields\n",
                static_cast<long long>(cookieBlock.size() - 2), cookies);
    report("cookie answer, from memory", inMemory(cookieBlock));
    report("cookie answer, loopback GET", overLoopback(cookieBlock));

    // The request after such an answer carries what the jar kept.
    InMemoryChannel channel(cookieBlock);
    channel.addConnection("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n");
    HttpClient client(channel);
    client.Get(QStringLiteral("http://gw.example/"));
    report("the next request, from memory",
           timingOf(1, [&] { client.Get(QStringLiteral("http://gw.example/")); }));
    std::printf("cookies kept: %lld, next request head: %lld bytes\n",
                static_cast<long long>(client.cookieJar()->cookies().size()),
                static_cast<long long>(channel.written(1).size()));
    return 0;
}
