#pragma once

#include "history/HistoryEntry.h"

#include <QList>

// One page of the history, newest first, and where the page after it starts.
struct HistoryPage
{
    QList<HistoryEntry> entries;
    qint64 nextBefore = 0; // the id the next page starts below; 0: no entry is left
};
