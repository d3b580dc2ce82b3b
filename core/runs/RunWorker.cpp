#include "runs/RunWorker.h"

#include "BuildConfig.h"
#include "net/PlatformSocket.h"
#include "runs/LinkRunner.h"

#include <QDateTime>

namespace {
const QString StoppedLine = QStringLiteral("Остановлено.");
} // namespace

RunWorker::RunWorker(QObject *parent)
    : QObject(parent), m_runner(new LinkRunner), m_services(LinkServices::fromBuild())
{
    m_thread.setObjectName(QStringLiteral("RunWorker"));
    m_runner->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_runner, &QObject::deleteLater);
    connect(m_runner, &LinkRunner::runEnded, this, &RunWorker::runEnded);
    connect(m_runner, &LinkRunner::historyChanged, this, &RunWorker::historyChanged);
    m_thread.start();
    // A build for the stand-in services trusts the stand-in's own authority.
    if (const QString caFile = QStringLiteral(LUMETTA_EXTRA_CA_FILE); !caFile.isEmpty())
        setExtraCaFile(caFile);
}

RunWorker::~RunWorker()
{
    if (m_stopRequested)
        *m_stopRequested = true;
    m_thread.quit();
    m_thread.wait();
}

void RunWorker::setExtraCaFile(const QString &pemPath)
{
    QMetaObject::invokeMethod(
        m_runner, [runner = m_runner, pemPath] { runner->channel().setExtraCaFile(pemPath); });
}

void RunWorker::prepare()
{
    QMetaObject::invokeMethod(m_runner, [runner = m_runner] {
        runner->channel().prepareTls();
        PlatformSocket::prepareResolver();
        runner->history().open();
        // The cookies' dates need the time-zone data.
        (void)QDateTime::currentDateTime().toSecsSinceEpoch();
    });
}

bool RunWorker::startRun(Work work)
{
    if (isRunning())
        return false;
    m_activeRun = ++m_lastRun;
    m_stopRequested = std::make_shared<std::atomic_bool>(false);
    QMetaObject::invokeMethod(m_runner,
                              [runner = m_runner, run = m_activeRun, timeout = m_runTimeoutMs,
                               stop = m_stopRequested,
                               work = std::move(work)] { work(*runner, run, timeout, stop); });
    return true;
}

void RunWorker::stop()
{
    if (!isRunning())
        return;
    *m_stopRequested = true;
    m_activeRun = 0;
    Q_EMIT lineLogged(StoppedLine);
    Q_EMIT finished(true);
}

void RunWorker::runEnded(quint64 run)
{
    if (!isActive(run))
        return;
    m_activeRun = 0;
    Q_EMIT finished(false);
}
