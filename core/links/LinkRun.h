#pragma once

#include "http/HttpClient.h"
#include "links/LinkRequest.h"
#include "links/LinkServices.h"
#include "links/PartnerLinkView.h"

// One generate run as its steps see it: what it was asked, where it reports, the client it
// sends through and the services it calls.
struct LinkRun
{
    const LinkRequest &request;
    PartnerLinkView &view;
    HttpClient &http;
    const LinkServices &services;
};
