#pragma once

#include <QString>

// The window as the generate operation sees it: its two inputs, the log, the outlets and
// the processing of pending events. The main window implements it; tests use a recorder.
class PartnerLinkView
{
public:
    virtual ~PartnerLinkView() = default;

    virtual QString trackingIdText() const = 0;
    virtual QString pageUrlText() const = 0;

    virtual void AddLog(const QString &line) = 0;
    virtual void clearLog() = 0;
    virtual void setPartnerLink(const QString &link) = 0;
    virtual void setRequestUrl(const QString &url) = 0;
    virtual void setRawAnswer(const QString &answer) = 0;
    virtual void setShortLink(const QString &link) = 0;
    // The product's title, shown as the partner-link field's tooltip; empty: none.
    virtual void setPartnerLinkToolTip(const QString &text) { Q_UNUSED(text); }
    // Lets the window handle every event waiting in its queue, until the queue is empty.
    virtual void processPendingEvents() = 0;
};
