#include "runs/LinkRunner.h"

#include "links/PartnerLink.h"
#include "links/PartnerLinkView.h"

#include <QDeadlineTimer>

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
    void linkMade(const MadeLink &link) override { m_runner.keep(m_run, link); }

private:
    void report(LinkRunner::Outlet outlet, const QString &text)
    {
        Q_EMIT m_runner.reported(m_run, outlet, text);
    }

    LinkRunner &m_runner;
    quint64 m_run;
};

} // namespace

LinkRunner::LinkRunner() : m_http(m_channel)
{
    // A real answer of the services is under 10 KB; reading a huge one costs many times its
    // size in memory, so a run leaves anything past 4 MiB unread.
    m_http.setMaxBodyBytes(qsizetype(4) << 20);
}

void LinkRunner::keep(quint64 run, const MadeLink &link)
{
    if (const QString notice = m_history.record({link}); !notice.isEmpty())
        Q_EMIT reported(run, Log, notice);
    Q_EMIT historyChanged();
}

void LinkRunner::run(quint64 run, const LinkRequest &request, const LinkServices &services,
                     int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested)
{
    m_channel.setOverallDeadline(QDeadlineTimer(runTimeoutMs));
    m_channel.setWaitHook([stopRequested] {
        if (*stopRequested)
            throw RunStopped();
    });
    ReportingView view(*this, run);
    try {
        if (!*stopRequested)
            GeneratePartnerLink(request, view, m_http, services);
    } catch (const RunStopped &) {
        // The client has closed the connection the stopped request was using.
    }
    m_channel.setWaitHook({});
    m_channel.setOverallDeadline(QDeadlineTimer(QDeadlineTimer::Forever));
    Q_EMIT runEnded(run);
}
