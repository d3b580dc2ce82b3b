#pragma once

#include "links/LinkRun.h"

#include <QString>

// The old open API (portals.open api.getPromotionLinks on the plain-HTTP gateway), used for a
// key without an App Secret. Tests the key, sends the GET, logs the answer and shows each
// element's link; partnerLink keeps the last one read. False when the run ends here.
bool RequestPortalsOpenLink(const LinkRun &run, QString &partnerLink);
