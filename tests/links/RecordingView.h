#pragma once

#include "QStringPrinter.h"
#include "links/LinkRequest.h"
#include "links/PartnerLinkView.h"

#include <QStringList>

// A window stand-in for the generate operation: holds the two inputs a run is given, keeps each
// outlet's current content and records every call, in order, as "name" or "name: argument".
class RecordingView : public PartnerLinkView
{
public:
    QString trackingId;
    QString pageUrl;

    // What a run is asked: the inputs with the parameters in AppParams.
    LinkRequest request() const { return {AppParams, trackingId, pageUrl}; }

    QStringList calls;
    QStringList log;
    QString partnerLink;
    QString requestUrl;
    QString rawAnswer;
    QString shortLink;
    QString partnerLinkToolTip;

    void AddLog(const QString &line) override
    {
        calls << QStringLiteral("AddLog: ") + line;
        log << line;
    }
    void clearLog() override
    {
        calls << QStringLiteral("clearLog");
        log.clear();
    }
    void setPartnerLink(const QString &link) override
    {
        calls << QStringLiteral("setPartnerLink: ") + link;
        partnerLink = link;
    }
    void setRequestUrl(const QString &url) override
    {
        calls << QStringLiteral("setRequestUrl: ") + url;
        requestUrl = url;
    }
    void setRawAnswer(const QString &answer) override
    {
        calls << QStringLiteral("setRawAnswer: ") + answer;
        rawAnswer = answer;
    }
    void setShortLink(const QString &link) override
    {
        calls << QStringLiteral("setShortLink: ") + link;
        shortLink = link;
    }
    void setPartnerLinkToolTip(const QString &text) override
    {
        calls << QStringLiteral("setPartnerLinkToolTip: ") + text;
        partnerLinkToolTip = text;
    }
};
