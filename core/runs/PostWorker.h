#pragma once

#include "links/PostLinks.h"
#include "runs/RunWorker.h"

#include <QList>

// Runs a post's conversion (PostLinks::Convert) on the worker's thread; each request and each
// address gets the run's deadline of its own. Its reports reach the window as the signals
// below, in order.
class PostWorker : public RunWorker
{
    Q_OBJECT

public:
    explicit PostWorker(QObject *parent = nullptr);

    // False, starting nothing, while a run is in progress.
    bool start(const PostRequest &request);

Q_SIGNALS:
    void rowsFound(const QList<PostRow> &rows);
    void rowChanged(qsizetype index, const PostRow &row);
    void progress(qsizetype settled, qsizetype total);
};
