#pragma once

#include "http/HttpClient.h"
#include "links/LinkRequest.h"
#include "links/LinkServices.h"
#include "net/TlsChannel.h"
#include "runs/HistoryRecorder.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

// The worker's side of LinkWorker: owns the client and runs one generate run at a time on the
// thread it lives on, reporting each call of the operation as reported(run, outlet, text).
class LinkRunner : public QObject
{
    Q_OBJECT

public:
    // What a report fills, in the window's terms.
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
    // Keeps a link the run made in the history; the history's notice, if any, is logged.
    void keep(quint64 run, const MadeLink &link);

    // The run's waits end, and it unwinds, once *stopRequested is true or runTimeoutMs have
    // passed since it started. runEnded(run) follows its last report either way.
    void run(quint64 run, const LinkRequest &request, const LinkServices &services,
             int runTimeoutMs, std::shared_ptr<std::atomic_bool> stopRequested);

Q_SIGNALS:
    void reported(quint64 run, int outlet, const QString &text);
    void runEnded(quint64 run);
    // Links were added to the history.
    void historyChanged();

private:
    // Declared in this order: the client keeps a reference to the channel.
    TlsChannel m_channel;
    HttpClient m_http;
    HistoryRecorder m_history;
};
