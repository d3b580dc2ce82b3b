#pragma once

#include "runs/RunWorker.h"
#include "stored/UnParam.h"

#include <QStringList>

// Checks an App Key and App Secret with the Open Platform on the worker's thread, so that the
// settings dialog answers while the service does; checked() gives the Russian lines to show.
class KeyCheckWorker : public RunWorker
{
    Q_OBJECT

public:
    explicit KeyCheckWorker(QObject *parent = nullptr);

    // False, starting nothing, while a check is in progress.
    bool start(const TParametrs &params);

Q_SIGNALS:
    void checked(bool works, const QStringList &lines);
};
