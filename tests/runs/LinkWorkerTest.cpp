#include "ScriptedServer.h"

#include "net/NameLookup.h"
#include "runs/LinkWorker.h"
#include "stored/UnParam.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace {

// The worker reports through queued signals: this thread needs an application and its loop.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "runs_test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}

bool waitUntil(const std::function<bool()> &done, int msecs = 10000)
{
    const QDeadlineTimer deadline(msecs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

// A resolver that never answers until the test ends. Its lookups outlive it on their own
// threads, so what they wait on is shared with them.
class HangingResolver
{
public:
    HangingResolver()
    {
        NameLookup::setResolver([state = m_state](const QByteArray &) -> quint32 {
            ++state->asked;
            std::unique_lock lock(state->mutex);
            state->released.wait(lock, [&] { return state->release; });
            throw std::runtime_error("released");
        });
    }
    ~HangingResolver()
    {
        NameLookup::setResolver({});
        const std::lock_guard lock(m_state->mutex);
        m_state->release = true;
        m_state->released.notify_all();
    }
    bool asked() const { return m_state->asked > 0; }

private:
    struct State
    {
        std::atomic_int asked{0};
        std::mutex mutex;
        std::condition_variable released;
        bool release = false;
    };
    std::shared_ptr<State> m_state = std::make_shared<State>();
};

// What the worker reported, in order.
struct Report
{
    explicit Report(LinkWorker &worker)
    {
        QObject::connect(&worker, &LinkWorker::logCleared, [this] { log.clear(); });
        QObject::connect(&worker, &LinkWorker::lineLogged,
                         [this](const QString &line) { log << line; });
        QObject::connect(&worker, &LinkWorker::finished,
                         [this](bool stopped) { endings << stopped; });
    }
    QStringList log;
    QList<bool> endings;
};

const QByteArray OldApiAnswer =
    R"({"errorCode":20010000,"result":{"totalResults":1,"promotionUrls":[)"
    R"({"url":"u","promotionUrl":"https://s.click.example/e/_x"}]}})";

QByteArray httpAnswer(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

LinkRequest requestWith(const QString &secret, const QString &pageUrl)
{
    TParametrs params;
    params.api_key = QStringLiteral("12345");
    params.app_secret = secret;
    return {params, QStringLiteral("track"), pageUrl};
}

QString local(quint16 port, const char *scheme = "http")
{
    return QStringLiteral("%1://127.0.0.1:%2").arg(QLatin1String(scheme)).arg(port);
}

class LinkWorkerTest : public ::testing::Test
{
protected:
    void SetUp() override { ensureApplication(); }

    // Services that answer a whole run of the old API.
    ScriptedServer api{{ScriptedServer::Script().respond(httpAnswer(OldApiAnswer)).close()}};
    ScriptedServer shortener{
        {ScriptedServer::Script().respond(httpAnswer("https://clck.ru/ok")).close()}};
    ScriptedServer silent{{ScriptedServer::Script().silent()}};
    ScriptedServer held{{ScriptedServer::Script().readRequest().silent()}};
};

TEST_F(LinkWorkerTest, StopEndsARunWhateverItWaitsForAndFreesTheWorker)
{
    HangingResolver resolver;
    struct Case
    {
        const char *waitingFor;
        LinkServices services;
        QString secret;
        std::function<bool()> waiting;
    };
    const QString anyPage = QStringLiteral("http://aliexpress.ru/item/1.html");
    const QList<Case> cases{
        {"a name lookup that never answers",
         {QStringLiteral("http://api.lookup.test"), local(shortener.port())},
         QString(),
         [&] { return resolver.asked(); }},
        {"the TLS handshake",
         {QString(), local(shortener.port()), local(silent.port(), "https")},
         QStringLiteral("secret"),
         [&] { return silent.connectionCount() >= 1; }},
        {"the answer",
         {local(held.port()), local(shortener.port())},
         QString(),
         [&] { return held.requests().size() >= 1; }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.waitingFor);
        LinkWorker worker;
        const Report report(worker);
        worker.setServices(c.services);
        ASSERT_TRUE(worker.start(requestWith(c.secret, anyPage)));
        ASSERT_TRUE(waitUntil(c.waiting));
        EXPECT_FALSE(worker.start(requestWith(c.secret, anyPage))) << "one run at a time";

        worker.stop();
        EXPECT_FALSE(worker.isRunning());
        EXPECT_EQ(report.endings, QList<bool>{true});
        EXPECT_EQ(report.log.value(report.log.size() - 1), QStringLiteral("Остановлено."));

        // The worker's thread is free again: the next run goes to its end.
        worker.setServices({local(api.port()), local(shortener.port())});
        const int before = api.connectionCount();
        ASSERT_TRUE(worker.start(requestWith(QString(), anyPage)));
        ASSERT_TRUE(waitUntil([&] { return report.endings.size() == 2; }));
        EXPECT_EQ(report.endings.last(), false);
        EXPECT_EQ(api.connectionCount(), before + 1);
        EXPECT_TRUE(report.log.contains(QStringLiteral("Статус ответа: 20010000")));
        EXPECT_FALSE(report.log.contains(QStringLiteral("Остановлено."))) << "a run of its own";
    }
}

// Each hop of a short link's redirects answers slowly, well within the limit of one request;
// a name that never resolves has no limit of its own. The run's deadline covers them all.
TEST_F(LinkWorkerTest, OneDeadlineCoversTheWholeRunNameLookupsIncluded)
{
    HangingResolver resolver;
    QList<ScriptedServer::Script> hops;
    for (int hop = 1; hop <= 8; ++hop)
        hops << ScriptedServer::Script()
                    .readRequest()
                    .send("HTTP/1.1 302 Found\r\nConnection: close\r\n")
                    .pause(150)
                    .send("Location: /_hop" + QByteArray::number(hop) + "\r\n")
                    .pause(150)
                    .send("Content-Length: 0\r\n\r\n")
                    .close();
    ScriptedServer redirects(hops);

    struct Case
    {
        const char *what;
        LinkServices services;
        QString secret;
        QString page;
        QString failure; // the line that tells the deadline ended the run
    };
    const QList<Case> cases{
        {"hops of a short link",
         {QString(), local(shortener.port()), local(api.port())},
         QStringLiteral("secret"),
         local(redirects.port()) + QStringLiteral("/_hop0"),
         QStringLiteral("Не удалось раскрыть ссылку %1/_hop%2: Read timed out.")},
        {"a name lookup",
         {QStringLiteral("http://api.lookup.test"), local(shortener.port())},
         QString(),
         QStringLiteral("http://aliexpress.ru/item/1.html"),
         QStringLiteral("Read timed out.")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LinkWorker worker;
        const Report report(worker);
        worker.setServices(c.services);
        worker.setRunTimeout(700);
        ASSERT_TRUE(worker.start(requestWith(c.secret, c.page)));
        ASSERT_TRUE(waitUntil([&] { return !report.endings.isEmpty(); }, 20000));

        EXPECT_EQ(report.endings, QList<bool>{false});
        const int hopsAsked = redirects.connectionCount();
        const QString failure = c.failure.contains(u'%')
                                    ? c.failure.arg(local(redirects.port())).arg(hopsAsked - 1)
                                    : c.failure;
        EXPECT_TRUE(report.log.contains(failure)) << report.log.join(u'\n').toStdString();
        EXPECT_LT(hopsAsked, 5) << "the hops went on past the run's deadline";
        EXPECT_EQ(shortener.connectionCount(), 0);
    }
}

} // namespace
