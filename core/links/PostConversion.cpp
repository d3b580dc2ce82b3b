#include "links/PostConversion.h"

#include "RemoteText.h"
#include "links/PostAddresses.h"
#include "links/PostLogKeeper.h"
#include "links/PostShortener.h"
#include "links/ProductAddress.h"
#include "links/ProductFactLines.h"
#include "links/ShortLinkResolver.h"

#include <QHash>
#include <QSet>
#include <QUrl>

namespace {

using State = PostRow::State;

const QString DoneStatus = QStringLiteral("готово");
const QString NoLinkStatus = QStringLiteral("нет ссылки: ");
const QString NoShortLinkStatus = QStringLiteral("ошибка: короткая ссылка не получена: ");
const QString NotResolved = QStringLiteral("короткая ссылка не раскрыта");

// The link call takes its values as one comma-separated list: a comma of an address's own
// goes encoded, as the same address.
QString sendable(const QString &address)
{
    QString sent = address;
    return sent.replace(u',', QStringLiteral("%2C"));
}

// A log line as the end of a status: "нет ссылки: не удалось раскрыть …".
QString asClause(const QString &line)
{
    if (line.size() > 1 && line.at(0).isUpper() && line.at(1).isLower())
        return line.at(0).toLower() + line.mid(1);
    return line;
}

// Why the resolver found no product: its first line after the last hop it made.
QString resolverFailure(const QStringList &lines)
{
    qsizetype first = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(QStringLiteral(" ведёт на ")))
            first = i + 1;
    }
    return asClause(lines.value(first, NotResolved)).simplified();
}

} // namespace

PostConversion::PostConversion(const PostRequest &request, PostView &view, HttpClient &http,
                               const LinkServices &services)
    : m_request(request), m_view(view), m_http(http), m_services(services),
      m_gateway(request, http, services), m_serviceHost(QUrl(services.openPlatform).host())
{}

void PostConversion::run()
{
    collectEntries();
    m_view.rowsFound(m_rows);
    m_view.progress(0, m_rows.size());
    resolveShortLinks();
    askFacts();
    askLinks();
    shortenLinks();
}

void PostConversion::collectEntries()
{
    m_rows = PostAddresses::find(m_request.text, m_serviceHost);
    QHash<QString, qsizetype> entryOf;
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        const QString &address = m_rows[i].address;
        if (!entryOf.contains(address)) {
            entryOf.insert(address, m_entries.size());
            m_entries.append(Entry{address, {}, {}, {}, false, {}});
        }
        m_entries[entryOf.value(address)].rows.append(i);
    }
    for (Entry &entry : m_entries) {
        const QString address = PostAddresses::withScheme(entry.address);
        if (const auto id = ProductAddress::productId(address)) {
            entry.result.productId = *id;
            entry.source = ProductAddress::itemPage(*id, ProductAddress::skuId(address));
        } else if (!ProductAddress::isShortLink(address, m_serviceHost)) {
            // Tracking parameters say where a visit came from: someone else's, not the user's.
            entry.source = sendable(ProductAddress::withoutTracking(address).address);
        }
    }
}

void PostConversion::resolveShortLinks()
{
    for (Entry &entry : m_entries) {
        if (!entry.source.isEmpty())
            continue;
        m_view.stageStarted();
        const QString address = PostAddresses::withScheme(entry.address);
        PostLogKeeper log;
        const auto page = ShortLinkResolver(log, m_http, m_serviceHost).productPage(address);
        const auto id = page ? ProductAddress::productId(*page) : std::nullopt;
        if (id) {
            entry.result.productId = *id;
            entry.source = ProductAddress::itemPage(*id, ProductAddress::skuId(*page));
        } else {
            // Sent as given, as a single run does: the service may know it.
            entry.source = sendable(ProductAddress::withoutTracking(address).address);
            entry.unresolved = NoLinkStatus + resolverFailure(log.lines());
        }
    }
}

void PostConversion::askFacts()
{
    QStringList ids;
    QSet<QString> seen;
    for (const Entry &entry : m_entries) {
        const QString &id = entry.result.productId;
        if (!id.isEmpty() && !seen.contains(id)) {
            seen.insert(id);
            ids.append(id);
        }
    }
    for (const QStringList &batch : PostGateway::batches(ids)) {
        m_view.stageStarted();
        const QHash<QString, ProductFacts> facts = m_gateway.facts(batch);
        for (Entry &entry : m_entries) {
            const auto found = facts.constFind(entry.result.productId);
            if (!entry.result.productId.isEmpty() && found != facts.constEnd())
                takeFacts(entry, *found);
        }
    }
}

void PostConversion::takeFacts(Entry &entry, const ProductFacts &facts)
{
    entry.hot = ProductFactLines::hotRateIsHigher(facts);
    entry.result.title = RemoteText::cleaned(facts.title).simplified();
    entry.result.price = ProductFactLines::amount(facts.salePrice);
    entry.result.currency = RemoteText::cleaned(facts.saleCurrency).trimmed();
    // The rate the link earns.
    entry.result.commissionRate =
        ProductFactLines::rate(entry.hot ? facts.hotCommissionRate : facts.commissionRate);
    report(entry);
}

void PostConversion::askLinks()
{
    // Hot links are asked apart: promotion_link_type holds for the whole call.
    QStringList sources[2];
    QSet<QString> seen;
    for (const Entry &entry : m_entries) {
        if (!seen.contains(entry.source)) {
            seen.insert(entry.source);
            sources[entry.hot ? 1 : 0].append(entry.source);
        }
    }
    for (const bool hot : {false, true}) {
        for (const QStringList &batch : PostGateway::batches(sources[hot ? 1 : 0])) {
            m_view.stageStarted();
            const QList<PostLinkResult> links = m_gateway.links(batch, hot);
            QHash<QString, PostLinkResult> bySource;
            for (qsizetype i = 0; i < batch.size(); ++i)
                bySource.insert(batch[i], links.value(i));
            for (Entry &entry : m_entries) {
                if (const auto link = bySource.constFind(entry.source); link != bySource.constEnd())
                    takeLink(entry, *link);
            }
        }
    }
}

void PostConversion::takeLink(Entry &entry, const PostLinkResult &link)
{
    if (!link.partnerLink.isEmpty()) {
        entry.result.partnerLink = link.partnerLink;
        report(entry);
        return;
    }
    // A short link that led nowhere explains a missing link better than the service can.
    const bool unresolved = link.state == State::NoLink && !entry.unresolved.isEmpty();
    settle(entry, link.state, unresolved ? entry.unresolved : link.status);
}

void PostConversion::shortenLinks()
{
    QStringList links;
    QSet<QString> seen;
    for (const Entry &entry : m_entries) {
        const QString &link = entry.result.partnerLink;
        if (entry.result.state == State::Waiting && !link.isEmpty() && !seen.contains(link)) {
            seen.insert(link);
            links.append(link);
        }
    }
    for (const QString &link : links) {
        m_view.stageStarted();
        const PostShortener::ShortLink shortLink = PostShortener::shorten(m_http, m_services, link);
        for (Entry &entry : m_entries) {
            if (entry.result.state != State::Waiting || entry.result.partnerLink != link)
                continue;
            entry.result.shortLink = shortLink.link;
            if (shortLink.link.isEmpty())
                settle(entry, State::Failed, NoShortLinkStatus + shortLink.failure);
            else
                settle(entry, State::Done, DoneStatus);
            const PostRow &made = entry.result;
            m_view.linkMade({m_request.trackingId, entry.address, made.productId, made.title,
                             made.price, made.currency, made.commissionRate, made.partnerLink,
                             made.shortLink});
        }
    }
}

void PostConversion::report(const Entry &entry)
{
    for (const qsizetype index : entry.rows) {
        PostRow row = entry.result;
        row.address = m_rows[index].address;
        row.start = m_rows[index].start;
        m_rows[index] = row;
        m_view.rowChanged(index, row);
    }
}

void PostConversion::settle(Entry &entry, PostRow::State state, const QString &status)
{
    entry.result.state = state;
    entry.result.status = status;
    report(entry);
    m_settled += entry.rows.size();
    m_view.progress(m_settled, m_rows.size());
}
