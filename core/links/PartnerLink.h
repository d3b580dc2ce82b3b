#pragma once

#include "http/HttpClient.h"
#include "links/PartnerLinkView.h"

#include <QString>

// Scheme, host and optional port of the services the operation calls.
struct LinkServices
{
    QString apiGateway;     // the old API, e.g. "http://gw.api.alibaba.com"
    QString shortener;      // e.g. "https://clck.ru"
    QString openPlatform{}; // the current API, e.g. "https://api-sg.aliexpress.com"

    // The addresses this build was configured with.
    static LinkServices fromBuild();
};

// Asks the affiliate API for the partner link to the view's page address and tracking ID
// (with the key in AppParams), then shortens it. With an App Secret stored it asks the Open
// Platform, else the old API. Never throws: every failure is logged.
void GeneratePartnerLink(PartnerLinkView &view, HttpClient &http,
                         const LinkServices &services = LinkServices::fromBuild());

// The last stage of a run: posts the partner link to the shortener. Never throws.
void RequestShortLink(PartnerLinkView &view, HttpClient &http, const QString &partnerLink,
                      const LinkServices &services = LinkServices::fromBuild());
