#pragma once

#include "http/HttpClient.h"
#include "links/LinkServices.h"
#include "links/MadeLink.h"
#include "stored/UnParam.h"

#include <QList>
#include <QString>

#include <optional>

// A post's text with every marketplace address in it turned into the user's own links: the
// addresses found (every form a single run accepts, short links included), each made into a
// partner link and a short link through the Open Platform with as few requests as the
// platform allows (its methods take up to 50 values a call; an address that repeats is asked
// once). One address's failure never stops the others.

// What a post run is asked, taken once when it starts.
struct PostRequest
{
    TParametrs params; // the Open Platform's key and secret are needed
    QString trackingId;
    QString text;
};

// One address of the post, and what became of it.
struct PostRow
{
    enum class State { Waiting, Done, NoLink, Failed };

    QString address;     // as it stands in the text
    qsizetype start = 0; // where it stands in the text (UTF-16 units)
    State state = State::Waiting;
    // Russian: "готово", "нет ссылки: …" (the service has none for it) or "ошибка: …" (a
    // request failed; a row whose shortening failed keeps its partner link).
    QString status;
    QString productId;
    QString title;
    std::optional<double> price;
    QString currency;
    std::optional<double> commissionRate; // the rate the link earns, in percent
    QString partnerLink;
    QString shortLink;
};

// Where a post run reports, from the thread it runs on.
class PostView
{
public:
    virtual ~PostView() = default;

    // Once, first: every address found, in the order of the text, all Waiting.
    virtual void rowsFound(const QList<PostRow> &rows) = 0;
    // A row's new content: its facts and its partner link as they come (still Waiting), then its
    // final state; rows repeated in the text change together, each reported.
    virtual void rowChanged(qsizetype index, const PostRow &row) = 0;
    // How many addresses are settled (Done, NoLink or Failed) of how many.
    virtual void progress(qsizetype settled, qsizetype total) = 0;
    // Before each piece of work that has its own time limit (a batched request, one address's
    // short-link hops, one address's shortening), so that the caller can start its deadline.
    virtual void stageStarted() {}
    // Each link made, once per distinct address, for the history.
    virtual void linkMade(const MadeLink &link) { Q_UNUSED(link); }
};

namespace PostLinks {

// The marketplace addresses in a text, in order, all Waiting (what rowsFound() reports): on a
// marketplace host, short and share links (those on serviceHost, the Open Platform's host, too,
// as a run follows them), and pages whose target parameter names a marketplace page; written
// with or without a scheme. Other addresses, and a bare host in a sentence, are left alone.
QList<PostRow> addressesIn(const QString &text, const QString &serviceHost);
// The same for the Open Platform this build calls.
QList<PostRow> addressesIn(const QString &text);

// Makes the links of every address in request.text. Needs the App Key and the App Secret: without
// either it reports no row and returns false at once. Each address that repeats is asked once,
// and so is each product, source page and partner link; a failure is the rows' it concerns
// (every row of a batched call that fails), never the run's. Never throws a failure of its own
// (what the client's wait hook throws to stop the run goes through).
bool Convert(const PostRequest &request, PostView &view, HttpClient &http,
             const LinkServices &services = LinkServices::fromBuild());

// The text with each address replaced by its short link (or partner link), where the row has
// one: with shortLinks, a row whose shortening failed gets its partner link, which earns as
// well. An address without a link stays as it was, and so does a row that does not stand in
// this text where it says.
QString replaced(const QString &text, const QList<PostRow> &rows, bool shortLinks);

} // namespace PostLinks
