#pragma once

#include <QString>

// Scheme, host and optional port of the services a run calls.
struct LinkServices
{
    QString apiGateway;     // the old API, e.g. "http://gw.api.alibaba.com"
    QString shortener;      // e.g. "https://clck.ru"
    QString openPlatform{}; // the current API, e.g. "https://api-sg.aliexpress.com"

    // The addresses this build was configured with.
    static LinkServices fromBuild();
};
