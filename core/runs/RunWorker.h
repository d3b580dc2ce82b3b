#pragma once

#include "links/LinkServices.h"

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

class LinkRunner;

// What the program's workers share: a thread of their own with a LinkRunner on it (its own
// client), one run at a time under its deadline, and stop() that ends a run at once for the
// window (what it still reports is dropped) and within a few tens of milliseconds on the
// worker's thread, whatever it waits for.
class RunWorker : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultRunTimeoutMs = 60000;

    explicit RunWorker(QObject *parent = nullptr);
    // Stops a run in progress and ends the thread.
    ~RunWorker() override;

    // These apply to the runs started after the call.
    void setServices(const LinkServices &services) { m_services = services; }
    const LinkServices &services() const { return m_services; }
    void setExtraCaFile(const QString &pemPath);
    void setRunTimeout(int msecs) { m_runTimeoutMs = msecs; }
    // Loads OpenSSL, reads the trust store, sets up the name resolver and opens the history
    // on the worker's thread, so that the first run need not.
    void prepare();

    bool isRunning() const { return m_activeRun != 0; }
    // Logs "Остановлено." (lineLogged) and emits finished(true) before it returns; nothing
    // without a run.
    void stop();

Q_SIGNALS:
    void lineLogged(const QString &line);
    // The run is over: it came to its end (false) or was stopped (true).
    void finished(bool stopped);
    // A run added links to the history.
    void historyChanged();

protected:
    // What a run does on the worker's thread, given the runner, the run's number and its stop flag.
    using Work = std::function<void(LinkRunner &, quint64 run, int runTimeoutMs,
                                    std::shared_ptr<std::atomic_bool> stop)>;
    // False, starting nothing, while a run is in progress.
    bool startRun(Work work);
    // Whether a report of this run is for the window: it is the run in progress.
    bool isActive(quint64 run) const { return run != 0 && run == m_activeRun; }
    LinkRunner *runner() const { return m_runner; }

private:
    void runEnded(quint64 run);

    QThread m_thread;
    LinkRunner *m_runner; // lives on m_thread
    LinkServices m_services;
    int m_runTimeoutMs = DefaultRunTimeoutMs;
    quint64 m_lastRun = 0;
    quint64 m_activeRun = 0; // 0: none
    std::shared_ptr<std::atomic_bool> m_stopRequested;
};
