#include "runs/LinkWorker.h"

#include "runs/LinkRunner.h"

LinkWorker::LinkWorker(QObject *parent) : RunWorker(parent)
{
    connect(runner(), &LinkRunner::reported, this, &LinkWorker::deliver);
}

bool LinkWorker::start(const LinkRequest &request)
{
    return startRun(
        [request, services = services()](LinkRunner &runner, quint64 run, int timeout, auto stop) {
            runner.run(run, request, services, timeout, std::move(stop));
        });
}

void LinkWorker::deliver(quint64 run, int outlet, const QString &text)
{
    if (!isActive(run))
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
