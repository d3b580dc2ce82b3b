#pragma once

#include "links/MadeLink.h"

#include <QList>
#include <QString>

#include <memory>

class HistoryStore;

// Keeps the links the runs of one worker make in the history. Opens the history on the first
// link, on the worker's own thread (which alone may use it), and never fails a run: a history
// that cannot be kept is said once in the log, and links are made as before.
class HistoryRecorder
{
public:
    HistoryRecorder();
    ~HistoryRecorder();
    HistoryRecorder(const HistoryRecorder &) = delete;
    HistoryRecorder &operator=(const HistoryRecorder &) = delete;

    // Opens the history now, so that the first link need not wait for it; on this thread.
    void open();
    // Stores the links; returns the line the log is to show about the history (a damaged file
    // set aside, a history not kept), once, and empty otherwise.
    QString record(const QList<MadeLink> &links);

private:
    std::unique_ptr<HistoryStore> m_store;
    bool m_noticeShown = false;
};
