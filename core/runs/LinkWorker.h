#pragma once

#include "links/LinkRequest.h"
#include "links/LinkServices.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>

class LinkRunner;

// Runs the generate operation on a thread of its own, with its own client, so that the window
// never waits for the network. Everything a run reports reaches the window's thread as the
// signals below, in order. One run at a time, under one deadline for all it does; stop() ends
// it at once for the window (what the run still reports is dropped) and within a few tens of
// milliseconds on the worker's thread, whatever it waits for.
class LinkWorker : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultRunTimeoutMs = 60000;

    explicit LinkWorker(QObject *parent = nullptr);
    // Stops a run in progress and ends the thread.
    ~LinkWorker() override;

    // These apply to the runs started after the call.
    void setServices(const LinkServices &services);
    void setExtraCaFile(const QString &pemPath);
    void setRunTimeout(int msecs);
    // Loads OpenSSL, reads the trust store and sets up the name resolver on the worker's
    // thread, so that the first run need not.
    void prepare();

    bool isRunning() const { return m_activeRun != 0; }
    // False, starting nothing, while a run is in progress.
    bool start(const LinkRequest &request);
    // Logs "Остановлено." and emits finished(true) before it returns; nothing without a run.
    void stop();

Q_SIGNALS:
    void logCleared();
    void lineLogged(const QString &line);
    void partnerLinkChanged(const QString &link);
    void shortLinkChanged(const QString &link);
    void requestUrlChanged(const QString &url);
    void rawAnswerChanged(const QString &answer);
    void partnerLinkToolTipChanged(const QString &text);
    // The run is over: it came to its end (false) or was stopped (true).
    void finished(bool stopped);
    // A run added a link to the history.
    void historyChanged();

private:
    void deliver(quint64 run, int outlet, const QString &text);
    void runEnded(quint64 run);

    QThread m_thread;
    LinkRunner *m_runner; // lives on m_thread
    LinkServices m_services;
    int m_runTimeoutMs = DefaultRunTimeoutMs;
    quint64 m_lastRun = 0;
    quint64 m_activeRun = 0; // 0: none
    std::shared_ptr<std::atomic_bool> m_stopRequested;
};
