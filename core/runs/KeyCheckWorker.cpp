#include "runs/KeyCheckWorker.h"

#include "runs/LinkRunner.h"

KeyCheckWorker::KeyCheckWorker(QObject *parent) : RunWorker(parent)
{
    connect(runner(), &LinkRunner::keyChecked, this,
            [this](quint64 run, bool works, const QStringList &lines) {
                if (isActive(run))
                    Q_EMIT checked(works, lines);
            });
}

bool KeyCheckWorker::start(const TParametrs &params)
{
    return startRun(
        [params, services = services()](LinkRunner &runner, quint64 run, int timeout, auto stop) {
            runner.runKeyCheck(run, params, services, timeout, std::move(stop));
        });
}
