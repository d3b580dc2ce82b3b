#pragma once

#include "links/MadeLink.h"

#include <QString>

// Where the generate operation reports: the log and the outlets. The run's worker turns each
// call into a signal for the window; tests use a recorder.
class PartnerLinkView
{
public:
    virtual ~PartnerLinkView() = default;

    virtual void AddLog(const QString &line) = 0;
    virtual void clearLog() = 0;
    virtual void setPartnerLink(const QString &link) = 0;
    virtual void setRequestUrl(const QString &url) = 0;
    virtual void setRawAnswer(const QString &answer) = 0;
    virtual void setShortLink(const QString &link) = 0;
    // The product's title, shown as the partner-link field's tooltip; empty: none.
    virtual void setPartnerLinkToolTip(const QString &text) { Q_UNUSED(text); }
    // A run that got a partner link ends with this, once, after its short link (if any).
    virtual void linkMade(const MadeLink &link) { Q_UNUSED(link); }
};
