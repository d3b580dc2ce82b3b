#pragma once

#include "links/PartnerLinkView.h"

#include <QStringList>

// A PartnerLinkView for the single run's pieces that a post run reuses (the short-link
// resolver): it keeps their log lines, so that a row's status can say why, and drops the rest.
class PostLogKeeper : public PartnerLinkView
{
public:
    const QStringList &lines() const { return m_lines; }

    void AddLog(const QString &line) override { m_lines.append(line); }
    void clearLog() override { m_lines.clear(); }
    void setPartnerLink(const QString &) override {}
    void setRequestUrl(const QString &) override {}
    void setRawAnswer(const QString &) override {}
    void setShortLink(const QString &) override {}

private:
    QStringList m_lines;
};
