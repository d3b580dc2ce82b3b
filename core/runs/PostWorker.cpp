#include "runs/PostWorker.h"

#include "runs/LinkRunner.h"

PostWorker::PostWorker(QObject *parent) : RunWorker(parent)
{
    connect(runner(), &LinkRunner::postRowsFound, this, [this](quint64 run, const auto &rows) {
        if (isActive(run))
            Q_EMIT rowsFound(rows);
    });
    connect(runner(), &LinkRunner::postRowChanged, this,
            [this](quint64 run, qsizetype index, const PostRow &row) {
                if (isActive(run))
                    Q_EMIT rowChanged(index, row);
            });
    connect(runner(), &LinkRunner::postProgress, this,
            [this](quint64 run, qsizetype settled, qsizetype total) {
                if (isActive(run))
                    Q_EMIT progress(settled, total);
            });
    connect(runner(), &LinkRunner::reported, this,
            [this](quint64 run, int outlet, const QString &text) {
                if (isActive(run) && outlet == LinkRunner::Log)
                    Q_EMIT lineLogged(text);
            });
}

bool PostWorker::start(const PostRequest &request)
{
    return startRun(
        [request, services = services()](LinkRunner &runner, quint64 run, int timeout, auto stop) {
            runner.runPost(run, request, services, timeout, std::move(stop));
        });
}
