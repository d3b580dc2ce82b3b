#pragma once

#include "http/HttpClient.h"
#include "links/LinkRequest.h"
#include "links/LinkServices.h"
#include "links/PostLinks.h"
#include "net/TlsChannel.h"
#include "runs/HistoryRecorder.h"

#include <QList>
#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>

// The worker's side of a RunWorker: owns the client and runs one generate run or post run at a
// time on the thread it lives on, reporting each as signals that name the run.
class LinkRunner : public QObject
{
    Q_OBJECT

public:
    // What a report of a generate run fills, in the window's terms.
    enum Outlet {
        ClearLog,
        Log,
        PartnerLink,
        ShortLink,
        RequestUrl,
        RawAnswer,
        PartnerLinkToolTip
    };

    LinkRunner();

    TlsChannel &channel() { return m_channel; }
    HistoryRecorder &history() { return m_history; }

    // The run's waits end, and it unwinds, once *stopRequested is true or runTimeoutMs have
    // passed since it started. runEnded(run) follows its last report either way.
    void run(quint64 run, const LinkRequest &request, const LinkServices &services,
             int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested);
    // The same for a post, each of whose stages gets runTimeoutMs of its own.
    void runPost(quint64 run, const PostRequest &request, const LinkServices &services,
                 int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested);

    // The same for a check of an App Key and App Secret.
    void runKeyCheck(quint64 run, const TParametrs &params, const LinkServices &services,
                     int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested);

    // Keeps links a run made in the history; the history's notice, if any, is logged.
    void keep(quint64 run, const QList<MadeLink> &links);
    // Starts the deadline of the run's next stage.
    void startStage() { m_channel.setOverallDeadline(QDeadlineTimer(m_stageTimeoutMs)); }

Q_SIGNALS:
    void reported(quint64 run, int outlet, const QString &text);
    void postRowsFound(quint64 run, const QList<PostRow> &rows);
    void postRowChanged(quint64 run, qsizetype index, const PostRow &row);
    void postProgress(quint64 run, qsizetype settled, qsizetype total);
    void keyChecked(quint64 run, bool works, const QStringList &lines);
    void runEnded(quint64 run);
    // Links were added to the history.
    void historyChanged();

private:
    // Runs the work with the stop flag on every wait and the deadline set, then ends the run.
    void runStoppable(quint64 run, int runTimeoutMs,
                      const std::shared_ptr<std::atomic_bool> &stopRequested,
                      const std::function<void()> &work);

    // Declared in this order: the client keeps a reference to the channel.
    TlsChannel m_channel;
    HttpClient m_http;
    HistoryRecorder m_history;
    int m_stageTimeoutMs = 0;
};
