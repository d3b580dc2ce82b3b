#pragma once

#include "links/LinkRequest.h"
#include "runs/RunWorker.h"

#include <QString>

// Runs the generate operation on the worker's thread, so that the window never waits for the
// network. Everything a run reports reaches the window's thread as the signals below (and
// RunWorker's), in order.
class LinkWorker : public RunWorker
{
    Q_OBJECT

public:
    explicit LinkWorker(QObject *parent = nullptr);

    // False, starting nothing, while a run is in progress.
    bool start(const LinkRequest &request);

Q_SIGNALS:
    void logCleared();
    void partnerLinkChanged(const QString &link);
    void shortLinkChanged(const QString &link);
    void requestUrlChanged(const QString &url);
    void rawAnswerChanged(const QString &answer);
    void partnerLinkToolTipChanged(const QString &text);

private:
    void deliver(quint64 run, int outlet, const QString &text);
};
