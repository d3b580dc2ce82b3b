#pragma once

#include "links/LinkRun.h"

#include <QString>

// The AliExpress Open Platform's aliexpress.affiliate.link.generate, used when an App Secret is
// stored: the key is the App Key, the request is signed with the secret and sent to
// services.openPlatform + "/sync". The page is named by its product's own address when the
// product ID can be read, a short link's redirects followed if need be. Logs each step and
// failure, shows the link for the page in the view and leaves it in partnerLink, then logs
// the product's facts. False when the run ends here.
bool RequestOpenPlatformLink(const LinkRun &run, QString &partnerLink);
