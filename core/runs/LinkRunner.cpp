#include "runs/LinkRunner.h"

#include "links/KeyCheck.h"
#include "links/PartnerLink.h"
#include "links/PartnerLinkView.h"

#include <QDeadlineTimer>
#include <QScopeGuard>

namespace {

// Thrown from the channel's waits once a stop is asked for. Not a std::exception, so that no
// step of the run takes it for a failure of its own and logs it.
struct RunStopped
{};

// The operation's calls, each turned into a report of the run.
class ReportingView : public PartnerLinkView
{
public:
    ReportingView(LinkRunner &runner, quint64 run) : m_runner(runner), m_run(run) {}

    void AddLog(const QString &line) override { report(LinkRunner::Log, line); }
    void clearLog() override { report(LinkRunner::ClearLog, QString()); }
    void setPartnerLink(const QString &link) override { report(LinkRunner::PartnerLink, link); }
    void setRequestUrl(const QString &url) override { report(LinkRunner::RequestUrl, url); }
    void setRawAnswer(const QString &answer) override { report(LinkRunner::RawAnswer, answer); }
    void setShortLink(const QString &link) override { report(LinkRunner::ShortLink, link); }
    void setPartnerLinkToolTip(const QString &text) override
    {
        report(LinkRunner::PartnerLinkToolTip, text);
    }
    void linkMade(const MadeLink &link) override { m_runner.keep(m_run, {link}); }

private:
    void report(LinkRunner::Outlet outlet, const QString &text)
    {
        Q_EMIT m_runner.reported(m_run, outlet, text);
    }

    LinkRunner &m_runner;
    quint64 m_run;
};

// The post operation's reports, each turned into a report of the run.
class PostReportingView : public PostView
{
public:
    PostReportingView(LinkRunner &runner, quint64 run) : m_runner(runner), m_run(run) {}

    void rowsFound(const QList<PostRow> &rows) override
    {
        Q_EMIT m_runner.postRowsFound(m_run, rows);
    }
    void rowChanged(qsizetype index, const PostRow &row) override
    {
        Q_EMIT m_runner.postRowChanged(m_run, index, row);
    }
    void progress(qsizetype settled, qsizetype total) override
    {
        Q_EMIT m_runner.postProgress(m_run, settled, total);
    }
    void stageStarted() override { m_runner.startStage(); }
    void linkMade(const MadeLink &link) override { m_made << link; }

    // The links made so far, for the history at the run's end.
    const QList<MadeLink> &made() const { return m_made; }

private:
    LinkRunner &m_runner;
    quint64 m_run;
    QList<MadeLink> m_made;
};

} // namespace

LinkRunner::LinkRunner() : m_http(m_channel)
{
    // A real answer of the services is under 10 KB; reading a huge one costs many times its
    // size in memory, so a run leaves anything past 4 MiB unread.
    m_http.setMaxBodyBytes(qsizetype(4) << 20);
}

void LinkRunner::keep(quint64 run, const QList<MadeLink> &links)
{
    if (const QString notice = m_history.record(links); !notice.isEmpty())
        Q_EMIT reported(run, Log, notice);
    Q_EMIT historyChanged();
}

void LinkRunner::run(quint64 run, const LinkRequest &request, const LinkServices &services,
                     int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested)
{
    ReportingView view(*this, run);
    runStoppable(run, runTimeoutMs, stopRequested,
                 [&] { GeneratePartnerLink(request, view, m_http, services); });
}

void LinkRunner::runPost(quint64 run, const PostRequest &request, const LinkServices &services,
                         int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested)
{
    PostReportingView view(*this, run);
    runStoppable(run, runTimeoutMs, stopRequested, [&] {
        // A post's links go into the history in one transaction, a stopped run's too.
        const auto keepMade = qScopeGuard([&] {
            if (!view.made().isEmpty())
                keep(run, view.made());
        });
        PostLinks::Convert(request, view, m_http, services);
    });
}

void LinkRunner::runKeyCheck(quint64 run, const TParametrs &params, const LinkServices &services,
                             int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested)
{
    runStoppable(run, runTimeoutMs, stopRequested, [&] {
        const KeyCheckResult result = CheckOpenPlatformKey(params, m_http, services);
        Q_EMIT keyChecked(run, result.works, result.lines);
    });
}

void LinkRunner::runStoppable(quint64 run, int runTimeoutMs,
                              const std::shared_ptr<std::atomic_bool> &stopRequested,
                              const std::function<void()> &work)
{
    m_stageTimeoutMs = runTimeoutMs;
    startStage();
    m_channel.setWaitHook([stopRequested] {
        if (*stopRequested)
            throw RunStopped();
    });
    try {
        if (!*stopRequested)
            work();
    } catch (const RunStopped &) {
        // The client has closed the connection the stopped request was using.
    }
    m_channel.setWaitHook({});
    m_channel.setOverallDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    Q_EMIT runEnded(run);
}
