// A post of 50 marketplace addresses against the stand-in services (product pages, short links
// of the stand-in, search pages and repeats), converted in one post run beside 50 single runs
// of the same addresses: the requests of each kind the stand-in received, the connections the
// client opened, and the whole time of each, with the ratio against the goal (under 0.3).
//
// Each time is the median of several rounds, the two sides alternating so that a change in the
// machine's load hits both alike; each round starts with a new client, and one warm-up round
// of each side comes first.
#include "BenchStandin.h"
#include "BenchTiming.h"
#include "RecordingView.h"

#include "http/HttpClient.h"
#include "links/PartnerLink.h"
#include "links/PostLinks.h"
#include "net/TlsChannel.h"
#include "stored/UnParam.h"

#include <QCoreApplication>
#include <QThread>

#include <cstdio>
#include <vector>

namespace {

using namespace BenchTiming;

constexpr int Rounds = 5;
constexpr double Goal = 0.3;

// The client's connections, counted, over a real TLS channel.
class CountingChannel : public ByteChannel
{
public:
    CountingChannel() { m_inner.setExtraCaFile(QStringLiteral(LUMETTA_STANDIN_CA)); }

    int opens = 0;

    void startRequest() override { m_inner.startRequest(); }
    void open(const QString &host, quint16 port, ChannelMode mode) override
    {
        ++opens;
        m_inner.open(host, port, mode);
    }
    bool isOpen() override { return m_inner.isOpen(); }
    void write(const QByteArray &bytes) override { m_inner.write(bytes); }
    QByteArray readLine(qsizetype maxLength) override { return m_inner.readLine(maxLength); }
    QByteArray readAtMost(qsizetype maxBytes) override { return m_inner.readAtMost(maxBytes); }
    qsizetype readInto(char *data, qsizetype maxBytes) override
    {
        return m_inner.readInto(data, maxBytes);
    }
    bool waitForInput(int msecs) override { return m_inner.waitForInput(msecs); }
    void close() override { m_inner.close(); }

private:
    TlsChannel m_inner;
};

class SettledView : public PostView
{
public:
    QList<PostRow> rows;

    void rowsFound(const QList<PostRow> &found) override { rows = found; }
    void rowChanged(qsizetype index, const PostRow &row) override { rows[index] = row; }
    void progress(qsizetype, qsizetype) override {}
};

// 25 product pages, 10 short links and 5 search pages, then 10 of them again: 50 addresses.
QStringList postAddresses(const LinkServices &services)
{
    QStringList distinct;
    for (int i = 1; i <= 25; ++i)
        distinct << QStringLiteral("https://aliexpress.ru/item/10050031%1.html?spm=a2g0o.home.%2")
                        .arg(i * 7919, 8, 10, QLatin1Char('0'))
                        .arg(i);
    for (int i = 1; i <= 10; ++i)
        distinct << services.openPlatform + QStringLiteral("/_post%1").arg(i);
    for (int i = 1; i <= 5; ++i)
        distinct << QStringLiteral("https://www.aliexpress.com/wholesale?SearchText=item%1").arg(i);
    QStringList addresses = distinct;
    for (int i = 0; i < 10; ++i)
        addresses << distinct[i * 4];
    return addresses;
}

// What the stand-in received from line `from` on.
struct Requests
{
    qsizetype hops = 0;
    qsizetype facts = 0;
    qsizetype links = 0;
    qsizetype shortenings = 0;
};

Requests requestsSince(const BenchStandin &standin, qsizetype from)
{
    // The stand-in logs a request after its answer has left.
    QThread::msleep(200);
    Requests requests;
    const QStringList lines = standin.lines().mid(from);
    for (const QString &line : lines) {
        requests.hops += line.startsWith(QStringLiteral("open-platform GET /_"));
        requests.facts += line.contains(QStringLiteral("aliexpress.affiliate.productdetail.get"));
        requests.links += line.contains(QStringLiteral("aliexpress.affiliate.link.generate"));
        requests.shortenings += line.startsWith(QStringLiteral("shortener POST"));
    }
    return requests;
}

struct Side
{
    std::vector<double> seconds;
    Requests requests;
    int connections = 0;
    int done = 0;
};

void postRun(const PostRequest &request, const LinkServices &services, Side &side)
{
    CountingChannel channel;
    HttpClient http(channel);
    SettledView view;
    side.seconds.push_back(secondsOf([&] { PostLinks::Convert(request, view, http, services); }));
    side.connections = channel.opens;
    side.done = 0;
    for (const PostRow &row : view.rows)
        side.done += row.state == PostRow::State::Done;
}

void singleRuns(const QStringList &addresses, const LinkServices &services, Side &side)
{
    CountingChannel channel;
    HttpClient http(channel);
    side.done = 0;
    side.seconds.push_back(secondsOf([&] {
        for (const QString &address : addresses) {
            RecordingView view;
            view.trackingId = QStringLiteral("bench");
            view.pageUrl = address;
            GeneratePartnerLink(view.request(), view, http, services);
            side.done += !view.shortLink.isEmpty();
        }
    }));
    side.connections = channel.opens;
}

// Runs one side once, untimed in the figures when warmUp, and counts what it sent.
template <typename Run>
void measure(const BenchStandin &standin, Side &side, bool warmUp, Run run)
{
    const qsizetype from = standin.lines().size();
    run();
    if (warmUp) {
        side.seconds.clear();
        side.requests = requestsSince(standin, from);
    }
}

void printRow(const char *name, qsizetype post, qsizetype singles)
{
    std::printf("  %-26s %8lld %14lld\n", name, qlonglong(post), qlonglong(singles));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    BenchStandin standin;
    const LinkServices services = standin.services();
    // The stand-in's own App Key and App Secret.
    AppParams.api_key = QStringLiteral("12345678");
    AppParams.app_secret = QStringLiteral("lumetta-demo-secret");
    const QStringList addresses = postAddresses(services);
    const PostRequest request{AppParams, QStringLiteral("bench"),
                              addresses.join(QStringLiteral("\n"))};

    Side post;
    Side singles;
    for (int round = 0; round <= Rounds; ++round) {
        const bool warmUp = round == 0;
        measure(standin, post, warmUp, [&] { postRun(request, services, post); });
        measure(standin, singles, warmUp, [&] { singleRuns(addresses, services, singles); });
    }

    std::printf("A post of %lld addresses (25 product pages, 10 short links, 5 search pages, "
                "10 repeats)\n",
                qlonglong(addresses.size()));
    std::printf("  %-26s %8s %14s\n", "requests received", "post", "50 single runs");
    printRow("short-link hops", post.requests.hops, singles.requests.hops);
    printRow("productdetail.get", post.requests.facts, singles.requests.facts);
    printRow("link.generate", post.requests.links, singles.requests.links);
    printRow("shortener POST", post.requests.shortenings, singles.requests.shortenings);
    printRow("connections opened", post.connections, singles.connections);
    printRow("addresses with a short link", post.done, singles.done);
    const double ours = median(post.seconds);
    const double theirs = median(singles.seconds);
    std::printf("whole time: post %.2f ms, 50 single runs %.2f ms, ratio %.3f (goal < %.1f: %s)\n",
                ours * 1e3, theirs * 1e3, ours / theirs, Goal,
                ours / theirs < Goal ? "met" : "missed");
    AppParams = TParametrs();
    return 0;
}
