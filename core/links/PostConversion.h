#pragma once

#include "http/HttpClient.h"
#include "links/LinkServices.h"
#include "links/PostGateway.h"
#include "links/PostLinks.h"

#include <QList>
#include <QString>

#include <optional>

// One post run (PostLinks::Convert with the key and secret there): the rows of the text's
// addresses, then, stage by stage, each distinct address's short-link hops, the facts and the
// links of all of them in as few calls as the platform takes, and one shortening a distinct
// partner link. Every stage's request or address starts with PostView::stageStarted().
class PostConversion
{
public:
    PostConversion(const PostRequest &request, PostView &view, HttpClient &http,
                   const LinkServices &services);

    void run();

private:
    // One distinct address of the text, and the rows where it stands.
    struct Entry
    {
        QString address; // as in the text
        QList<qsizetype> rows;
        QString source;     // the page sent for it; empty until a short link is followed
        QString unresolved; // why a short link led to no product, as a row's status says it
        bool hot = false;   // the hot-product rate is the higher: a hot link is asked
        PostRow result;     // what each of its rows shows
    };

    void collectEntries();
    void resolveShortLinks();
    void askFacts();
    void askLinks();
    void shortenLinks();
    void takeFacts(Entry &entry, const ProductFacts &facts);
    void takeLink(Entry &entry, const PostLinkResult &link);
    // Every row of the entry shows its result again.
    void report(const Entry &entry);
    void settle(Entry &entry, PostRow::State state, const QString &status);

    const PostRequest &m_request;
    PostView &m_view;
    HttpClient &m_http;
    const LinkServices &m_services;
    PostGateway m_gateway;
    QString m_serviceHost;
    QList<PostRow> m_rows;
    QList<Entry> m_entries;
    qsizetype m_settled = 0;
};
