#pragma once

#include "http/HttpClient.h"
#include "links/LinkServices.h"
#include "stored/UnParam.h"

#include <QStringList>

// What a check of the Open Platform's App Key and App Secret found, in Russian lines for the
// settings dialog.
struct KeyCheckResult
{
    bool works;
    QStringList lines;
};

// Checks params.api_key and params.app_secret, as typed, with one cheap signed call of the Open
// Platform (aliexpress.affiliate.category.get, which needs nothing else). They work when the
// service answers it with resp_code 200. Otherwise the lines give the service's own code and
// message, what it means and the request's number, or the failed request's message and what it
// means; an empty key or secret is reported without sending anything. Never throws.
KeyCheckResult CheckOpenPlatformKey(const TParametrs &params, HttpClient &http,
                                    const LinkServices &services);
