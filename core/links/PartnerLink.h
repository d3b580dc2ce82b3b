#pragma once

#include "http/HttpClient.h"
#include "links/LinkRequest.h"
#include "links/LinkServices.h"
#include "links/PartnerLinkView.h"

#include <QString>

// Asks the affiliate API for the partner link to the request's page address and tracking ID,
// then shortens it. With an App Secret it asks the Open Platform, else the old API. Never
// throws a failure of its own: every one is logged. (What the client's wait hook throws to stop
// the run goes through.)
// A run that gets a partner link ends by telling the view what it made (PartnerLinkView::linkMade).
void GeneratePartnerLink(const LinkRequest &request, PartnerLinkView &view, HttpClient &http,
                         const LinkServices &services = LinkServices::fromBuild());

// The last stage of a run: posts the partner link to the shortener and shows its answer,
// cleaned, when that is an http or https address (anything else is a failed request). Gives
// the short link shown, empty after a failure. Never throws.
QString RequestShortLink(PartnerLinkView &view, HttpClient &http, const QString &partnerLink,
                         const LinkServices &services = LinkServices::fromBuild());
