#include "runs/LinkWorker.h"

#include "net/PlatformSocket.h"
#include "runs/LinkRunner.h"

#include <QDateTime>

namespace {
const QString StoppedLine = QStringLiteral("Остановлено.");
} // namespace

LinkWorker::LinkWorker(QObject *parent)
    : QObject(parent), m_runner(new LinkRunner), m_services(LinkServices::fromBuild())
{
    m_thread.setObjectName(QStringLiteral("LinkWorker"));
    m_runner->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_runner, &QObject::deleteLater);
    connect(m_runner, &LinkRunner::reported, this, &LinkWorker::deliver);
    connect(m_runner, &LinkRunner::runEnded, this, &LinkWorker::runEnded);
    connect(m_runner, &LinkRunner::historyChanged, this, &LinkWorker::historyChanged);
    m_thread.start();
}

LinkWorker::~LinkWorker()
{
    if (m_stopRequested)
        *m_stopRequested = true;
    m_thread.quit();
    m_thread.wait();
}

void LinkWorker::setServices(const LinkServices &services)
{
    m_services = services;
}

void LinkWorker::setExtraCaFile(const QString &pemPath)
{
    QMetaObject::invokeMethod(
        m_runner, [runner = m_runner, pemPath] { runner->channel().setExtraCaFile(pemPath); });
}

void LinkWorker::setRunTimeout(int msecs)
{
    m_runTimeoutMs = msecs;
}

void LinkWorker::prepare()
{
    QMetaObject::invokeMethod(m_runner, [runner = m_runner] {
        runner->channel().prepareTls();
        PlatformSocket::prepareResolver();
        // The cookies' dates need the time-zone data.
        (void)QDateTime::currentDateTime().toSecsSinceEpoch();
    });
}

bool LinkWorker::start(const LinkRequest &request)
{
    if (isRunning())
        return false;
    m_activeRun = ++m_lastRun;
    m_stopRequested = std::make_shared<std::atomic_bool>(false);
    QMetaObject::invokeMethod(m_runner,
                              [runner = m_runner, run = m_activeRun, request, services = m_services,
                               timeout = m_runTimeoutMs, stop = m_stopRequested] {
                                  runner->run(run, request, services, timeout, stop);
                              });
    return true;
}

void LinkWorker::stop()
{
    if (!isRunning())
        return;
    *m_stopRequested = true;
    m_activeRun = 0;
    Q_EMIT lineLogged(StoppedLine);
    Q_EMIT finished(true);
}

void LinkWorker::deliver(quint64 run, int outlet, const QString &text)
{
    if (run != m_activeRun)
        return; // a stopped run's late word
    switch (outlet) {
    case LinkRunner::ClearLog:
        Q_EMIT logCleared();
        break;
    case LinkRunner::Log:
        Q_EMIT lineLogged(text);
        break;
    case LinkRunner::PartnerLink:
        Q_EMIT partnerLinkChanged(text);
        break;
    case LinkRunner::ShortLink:
        Q_EMIT shortLinkChanged(text);
        break;
    case LinkRunner::RequestUrl:
        Q_EMIT requestUrlChanged(text);
        break;
    case LinkRunner::RawAnswer:
        Q_EMIT rawAnswerChanged(text);
        break;
    case LinkRunner::PartnerLinkToolTip:
        Q_EMIT partnerLinkToolTipChanged(text);
        break;
    }
}

void LinkWorker::runEnded(quint64 run)
{
    if (run != m_activeRun)
        return;
    m_activeRun = 0;
    Q_EMIT finished(false);
}
