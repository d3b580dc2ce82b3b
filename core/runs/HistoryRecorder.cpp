#include "runs/HistoryRecorder.h"

#include "history/HistoryStore.h"

namespace {

HistoryEntry entryOf(const MadeLink &link)
{
    HistoryEntry entry;
    entry.trackingId = link.trackingId;
    entry.address = link.address;
    entry.productId = link.productId;
    entry.title = link.title;
    entry.price = link.price;
    entry.currency = link.currency;
    entry.commissionRate = link.commissionRate;
    entry.partnerLink = link.partnerLink;
    entry.shortLink = link.shortLink;
    return entry;
}

} // namespace

HistoryRecorder::HistoryRecorder() = default;
HistoryRecorder::~HistoryRecorder() = default;

void HistoryRecorder::open()
{
    if (!m_store)
        m_store = std::make_unique<HistoryStore>();
}

QString HistoryRecorder::record(const QList<MadeLink> &links)
{
    open();
    QList<HistoryEntry> entries;
    for (const MadeLink &link : links)
        entries << entryOf(link);
    m_store->addAll(entries);
    if (m_noticeShown)
        return QString();
    m_noticeShown = true;
    return m_store->notice();
}
