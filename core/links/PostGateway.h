#pragma once

#include "http/HttpClient.h"
#include "links/LinkServices.h"
#include "links/OpenPlatformAnswer.h"
#include "links/PostLinks.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// What a link call gave for one source value: the partner link (state Waiting: it is still to be
// shortened), or NoLink or Failed with the row's status saying why.
struct PostLinkResult
{
    QString partnerLink;
    PostRow::State state = PostRow::State::Waiting;
    QString status;
};

// The Open Platform's two methods as a post run calls them: many values a call, signed with the
// run's App Key and App Secret, for its tracking ID. Never throws a failure of its own (what the
// client's wait hook throws to stop the run goes through).
class PostGateway
{
public:
    // The most values either method takes in one call.
    static constexpr qsizetype MaxValues = 50;
    // The most characters the values may take in a request's query once percent-encoded: a
    // gateway refuses a request line much longer than 8 KiB.
    static constexpr qsizetype MaxListChars = 6000;

    PostGateway(const PostRequest &request, HttpClient &http, const LinkServices &services)
        : m_request(request), m_http(http), m_services(services)
    {}

    // The values split into the calls they take: at most MaxValues each, and no more than
    // MaxListChars of them; a longer value goes alone.
    static QList<QStringList> batches(const QStringList &values);

    // aliexpress.affiliate.productdetail.get for one batch of product IDs, in the settings'
    // currency and for the buyer's country: the facts of each product the answer holds, by ID.
    // Empty after a failure: facts only inform, and a link is asked for without them.
    QHash<QString, ProductFacts> facts(const QStringList &productIds);

    // aliexpress.affiliate.link.generate for one batch of source values, as hot links when hot:
    // what became of each value, in the order given. Each answer element goes to the value it
    // names, by source value or else by product, in whatever order the elements come; a value
    // without one has no link, and a failure of the call is each value's.
    QList<PostLinkResult> links(const QStringList &sourceValues, bool hot);

private:
    // The answer's text, or the failure as the rows show it.
    bool fetch(const QString &url, const char *responseName, QString &text, QString &failure);

    const PostRequest &m_request;
    HttpClient &m_http;
    const LinkServices &m_services;
};
