#pragma once

#include "stored/UnParam.h"

#include <QString>

// What one run works with, taken once when it starts: later edits, a new key included, are
// for the next run.
struct LinkRequest
{
    TParametrs params;  // the key as stored: only its trimmed copy decides whether there is one
    QString trackingId; // used unchanged
    QString pageUrl;
};
