#pragma once

#include "links/LinkRun.h"

#include <QString>

// The AliExpress Open Platform's aliexpress.affiliate.link.generate, used when an App Secret is
// stored: the key is the App Key, the request is signed with the secret and sent to
// services.openPlatform + "/sync". The address is taken out of the pasted text; a product is
// named by its own page (with the chosen variant), a short link's redirects followed if need
// be, and its facts are asked first, so that a hot link is asked for when it earns more; any
// other address is sent as given, without its tracking parameters. Logs each step and
// failure, shows the link for the page in the view and leaves it in partnerLink, then logs
// the product's facts. False when the run ends here: a missing or unusable link included.
bool RequestOpenPlatformLink(const LinkRun &run, MadeLink &made);
