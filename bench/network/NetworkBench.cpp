// Times the HTTP client against the curl command on the same loopback servers, in one run.
//
// Each figure is the median of several rounds. Connection set-up and process start are kept
// out of the comparison the same way for both: curl's time is that of an invocation doing
// N+1 transfers minus that of one doing 1, and our client likewise does one warm-up request
// before the N timed ones. Keep-alive GETs reuse one connection on both sides; every HTTPS
// POST runs on a new TLS connection on both sides (the server closes after each answer, and
// curl is told not to resume TLS sessions, as our client never does).
#include "BenchTiming.h"
#include "TemporaryDataDirectory.h"
#include "TestCertificates.h"
#include "http/HttpAnswer.h"
#include "http/HttpClient.h"
#include "http/ResponseReader.h"
#include "net/TlsChannel.h"

#include <httplib.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <thread>
#include <vector>

namespace {

using namespace BenchTiming;

constexpr int Rounds = 5;
constexpr int KeepAliveGets = 200;
constexpr int HttpsPosts = 50;
constexpr qsizetype ChunkedBytes = qsizetype(30) << 20;
constexpr qsizetype ChunkBytes = 64 * 1024;

// Runs curl; its output goes nowhere. Returns the wall time of the whole invocation.
double runCurl(const QString &curl, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const double seconds = secondsOf([&] {
        process.start(curl, arguments);
        process.waitForFinished(-1);
    });
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        std::fprintf(stderr, "curl failed: exit code %d\n", process.exitCode());
    return seconds;
}

// curl's time for `count` transfers: count+1 transfers minus one, so that process start and
// the first connection count for neither side.
double curlTransfers(const QString &curl, const QStringList &options, const QString &url, int count)
{
    QStringList many = options;
    for (int i = 0; i <= count; ++i)
        many << url;
    return runCurl(curl, many) - runCurl(curl, options + QStringList{url});
}

struct Servers
{
    TemporaryDataDirectory directory;
    QString caFile;
    httplib::Server plain;
    std::unique_ptr<httplib::SSLServer> tls;
    int plainPort = 0;
    int tlsPort = 0;
    std::thread plainThread;
    std::thread tlsThread;
    std::string chunkedBody = std::string(ChunkedBytes, 'x');

    Servers()
    {
        caFile = TestCertificates::writeAuthorityFile(directory.path());
        const QString certificate = directory.filePath("leaf.pem");
        const QString key = directory.filePath("leaf.key");
        writeFile(certificate, TestCertificates::localhost().certificatePem);
        writeFile(key, TestCertificates::localhost().privateKeyPem);

        // The servers answer at once instead of holding a short answer back until the
        // client acknowledges the previous packet.
        plain.set_tcp_nodelay(true);
        plain.set_keep_alive_max_count(100000);
        plain.Get("/small", [](const httplib::Request &, httplib::Response &response) {
            response.set_content("ok", "text/plain");
        });
        plain.Get("/chunked", [this](const httplib::Request &, httplib::Response &response) {
            response.set_chunked_content_provider(
                "application/octet-stream", [this](size_t offset, httplib::DataSink &sink) {
                    const size_t size = std::min<size_t>(ChunkBytes, chunkedBody.size() - offset);
                    if (size > 0)
                        sink.write(chunkedBody.data() + offset, size);
                    else
                        sink.done();
                    return true;
                });
        });
        plainPort = plain.bind_to_any_port("127.0.0.1");
        plainThread = std::thread([this] { plain.listen_after_bind(); });

        tls = std::make_unique<httplib::SSLServer>(certificate.toLocal8Bit().constData(),
                                                   key.toLocal8Bit().constData());
        tls->set_tcp_nodelay(true);
        tls->Post("/--", [](const httplib::Request &, httplib::Response &response) {
            response.set_header("Connection", "close");
            response.set_content("https://short.example/abc", "text/plain");
        });
        tlsPort = tls->bind_to_any_port("127.0.0.1");
        tlsThread = std::thread([this] { tls->listen_after_bind(); });
    }

    ~Servers()
    {
        plain.stop();
        tls->stop();
        plainThread.join();
        tlsThread.join();
    }

    static void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
};

void report(const char *what, double ours, double curl)
{
    if (curl != 0)
        std::printf("%-34s ours %9.2f ms   curl %9.2f ms   ratio %.2f\n", what, ours * 1e3,
                    curl * 1e3, ours / curl);
    else
        std::printf("%-34s ours %9.2f ms   (curl not found)\n", what, ours * 1e3);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    Servers servers;
    const QString curl = QStandardPaths::findExecutable("curl");
    const QString base = QStringLiteral("http://127.0.0.1:%1").arg(servers.plainPort);
    const QString small = base + "/small";
    const QString chunked = base + "/chunked";
    const QString shortener = QStringLiteral("https://localhost:%1/--").arg(servers.tlsPort);

    const double oursGets = medianOf(Rounds, [&] {
        TlsChannel channel;
        HttpClient client(channel);
        client.Get(small);
        return secondsOf([&] {
            for (int i = 0; i < KeepAliveGets; ++i)
                client.Get(small);
        });
    });
    const double curlGets = curl.isEmpty() ? 0 : medianOf(Rounds, [&] {
        return curlTransfers(curl, {"-s"}, small, KeepAliveGets);
    });
    report("200 keep-alive GETs", oursGets, curlGets);

    const double oursPosts = medianOf(Rounds, [&] {
        TlsChannel channel;
        channel.setExtraCaFile(servers.caFile);
        HttpClient client(channel);
        client.Post(shortener, {"url=http://example.test/item/1.html"});
        return secondsOf([&] {
            for (int i = 0; i < HttpsPosts; ++i)
                client.Post(shortener, {"url=http://example.test/item/1.html"});
        });
    });
    const double curlPosts = curl.isEmpty() ? 0 : medianOf(Rounds, [&] {
        return curlTransfers(curl,
                             {"-s", "--no-sessionid", "--cacert", servers.caFile, "-d",
                              "url=http%3A%2F%2Fexample.test%2Fitem%2F1.html"},
                             shortener, HttpsPosts);
    });
    report("50 HTTPS POSTs, new TLS each", oursPosts, curlPosts);

    qsizetype received = 0;
    const double oursChunked = medianOf(Rounds, [&] {
        TlsChannel channel;
        HttpClient client(channel);
        return secondsOf([&] { received = client.Get(chunked).size(); });
    });
    // Four bodies in one invocation, so that the noise of starting curl is spread over them.
    constexpr int CurlBodies = 4;
    const double curlChunked = curl.isEmpty() ? 0 : medianOf(Rounds, [&] {
        return curlTransfers(curl, {"-s"}, chunked, CurlBodies) / CurlBodies;
    });
    report("30 MiB chunked body, as text", oursChunked, curlChunked);
    if (received != ChunkedBytes)
        std::fprintf(stderr, "chunked body: %lld characters, expected %lld\n",
                     static_cast<long long>(received), static_cast<long long>(ChunkedBytes));

    // The same answer read by the answer reader alone: framing and collecting the bytes,
    // without turning 30 MiB into 60 MiB of UTF-16 text (which curl, writing to /dev/null,
    // has no counterpart of).
    const double oursReading = medianOf(Rounds, [&] {
        TlsChannel channel;
        channel.open(QStringLiteral("127.0.0.1"), quint16(servers.plainPort), ChannelMode::Plain);
        channel.write("GET /chunked HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        HttpAnswer answer;
        ResponseReader reader(channel, answer);
        return secondsOf([&] {
            reader.readHeaderBlock();
            reader.readBody();
        });
    });
    report("30 MiB chunked body, bytes only", oursReading, curlChunked);
    std::printf("chunked throughput: ours %.2f GB/s as text, %.2f GB/s bytes only",
                ChunkedBytes / oursChunked / 1e9, ChunkedBytes / oursReading / 1e9);
    if (curlChunked != 0)
        std::printf(", curl %.2f GB/s", ChunkedBytes / curlChunked / 1e9);
    std::printf("\n");
    return 0;
}
