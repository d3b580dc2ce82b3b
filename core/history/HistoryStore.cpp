#include "history/HistoryStore.h"

#include "LumettaError.h"
#include "history/HistoryConnection.h"
#include "history/HistoryCsv.h"
#include "history/HistorySearch.h"
#include "stored/UnParam.h"

#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace {

const QString selectedColumns =
    QStringLiteral("l.id, l.made_at, l.tracking_id, l.address, l.product_id, l.title, l.price, "
                   "l.currency, l.commission_rate, l.partner_link, l.short_link");

// A null string would be bound as NULL, which the columns refuse.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant optionalNumber(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant(QMetaType::fromType<double>());
}

std::optional<double> optionalNumber(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toDouble();
}

void bindEntry(QSqlQuery &query, const HistoryEntry &entry)
{
    const QDateTime madeAt =
        entry.madeAt.isValid() ? entry.madeAt : QDateTime::currentDateTimeUtc();
    query.addBindValue(madeAt.toUTC().toString(Qt::ISODateWithMs));
    for (const QString &text : {entry.trackingId, entry.address, entry.productId, entry.title})
        query.addBindValue(notNull(text));
    query.addBindValue(optionalNumber(entry.price));
    query.addBindValue(notNull(entry.currency));
    query.addBindValue(optionalNumber(entry.commissionRate));
    query.addBindValue(notNull(entry.partnerLink));
    query.addBindValue(notNull(entry.shortLink));
    query.addBindValue(HistorySearch::foldedText(entry));
}

HistoryEntry readEntry(const QSqlQuery &query)
{
    HistoryEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.madeAt = QDateTime::fromString(query.value(1).toString(), Qt::ISODateWithMs).toUTC();
    entry.trackingId = query.value(2).toString();
    entry.address = query.value(3).toString();
    entry.productId = query.value(4).toString();
    entry.title = query.value(5).toString();
    entry.price = optionalNumber(query.value(6));
    entry.currency = query.value(7).toString();
    entry.commissionRate = optionalNumber(query.value(8));
    entry.partnerLink = query.value(9).toString();
    entry.shortLink = query.value(10).toString();
    return entry;
}

bool prepareSearch(QSqlQuery &query, const QString &columns, const HistorySearch &search,
                   const QString &rest)
{
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE %3%4")
                           .arg(columns, search.from, search.where, rest)))
        return false;
    for (const QVariant &value : search.values)
        query.addBindValue(value);
    return true;
}

// Runs work inside one write transaction; rolls back when it fails.
template <typename Work>
bool inWriteTransaction(const QSqlDatabase &database, Work work)
{
    QSqlQuery control(database);
    // IMMEDIATE takes the write lock first: a transaction that read first could not wait for
    // another copy's write and would fail at once.
    if (!control.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    if (work() && control.exec(QStringLiteral("COMMIT")))
        return true;
    control.exec(QStringLiteral("ROLLBACK"));
    return false;
}

QString cannotWrite(const QString &path, const QString &reason)
{
    return QStringLiteral("Не удалось записать файл %1: %2").arg(path, reason);
}

qint64 newestId(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("SELECT max(id) FROM links")) || !query.next())
        return 0;
    const qint64 id = query.value(0).toLongLong();
    query.finish();
    return id;
}

LumettaError cannotRead(const QSqlQuery &query)
{
    return LumettaError(QStringLiteral("Не удалось прочитать историю ссылок: %1")
                            .arg(query.lastError().databaseText()));
}

} // namespace

QString HistoryStore::defaultPath()
{
    return DataDirectory() + QStringLiteral("history.sqlite");
}

HistoryStore::HistoryStore(const QString &path) : m_path(path)
{
    const HistoryConnection connection = HistoryConnection::open(path, BusyTimeoutMs);
    m_connection = connection.name;
    m_notice = connection.notice;
}

HistoryStore::~HistoryStore()
{
    if (isKept())
        HistoryConnection::close(m_connection);
}

std::optional<qint64> HistoryStore::add(const HistoryEntry &entry)
{
    const QList<qint64> ids = insert({entry});
    if (ids.isEmpty())
        return std::nullopt;
    return ids.first();
}

QList<qint64> HistoryStore::addAll(const QList<HistoryEntry> &entries)
{
    return insert(entries);
}

QList<qint64> HistoryStore::insert(const QList<HistoryEntry> &entries)
{
    if (!isKept() || entries.isEmpty())
        return {};
    const QSqlDatabase database = QSqlDatabase::database(m_connection, false);
    QList<qint64> ids;
    const bool stored = inWriteTransaction(database, [&] {
        QSqlQuery query(database);
        if (!query.prepare(QStringLiteral(
                "INSERT INTO links (made_at, tracking_id, address, product_id, title, price, "
                "currency, commission_rate, partner_link, short_link, folded) "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")))
            return false;
        for (const HistoryEntry &entry : entries) {
            bindEntry(query, entry);
            if (!query.exec())
                return false;
            ids << query.lastInsertId().toLongLong();
        }
        return true;
    });
    return stored ? ids : QList<qint64>();
}

HistoryPage HistoryStore::page(const QString &filter, int limit, qint64 before) const
{
    HistoryPage page;
    if (!isKept() || limit <= 0)
        return page;
    const HistorySearch search = searchFor(filter, before <= 0);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (before <= 0)
        before = search.readsEveryRow ? newestId(query) + 1 : std::numeric_limits<qint64>::max();
    const qint64 lowest = search.readsEveryRow ? std::max<qint64>(before - ScanIds, 0) : 0;
    if (!prepareSearch(
            query, selectedColumns, search,
            QStringLiteral(" AND %1 < ? AND %1 >= ? ORDER BY %1 DESC LIMIT ?").arg(search.id)))
        return page;
    query.addBindValue(before);
    query.addBindValue(lowest);
    query.addBindValue(limit);
    if (!query.exec())
        return page;
    while (query.next())
        page.entries << readEntry(query);
    if (page.entries.size() == limit)
        page.nextBefore = page.entries.last().id;
    else if (lowest > 1) // ids start at 1
        page.nextBefore = lowest;
    return page;
}

qint64 HistoryStore::count(const QString &filter) const
{
    if (!isKept())
        return 0;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!prepareSearch(query, QStringLiteral("count(*)"), searchFor(filter), {}) || !query.exec() ||
        !query.next())
        return 0;
    return query.value(0).toLongLong();
}

HistorySearch HistoryStore::searchFor(const QString &filter, bool firstPage) const
{
    if (!firstPage && m_lastSearch && m_lastSearch->first == filter)
        return m_lastSearch->second;
    HistorySearch search = HistorySearch::of(filter);
    if (search.readsEveryRow) {
        if (const auto terms = indexTermsStartingWith(search.values.constFirst().toString()))
            search = HistorySearch::anyOf(*terms);
    }
    m_lastSearch = {filter, search};
    return search;
}

std::optional<QStringList> HistoryStore::indexTermsStartingWith(const QString &text) const
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    // The terms come in order: those that start with the text follow one another.
    if (!query.prepare(QStringLiteral("SELECT term FROM links_terms WHERE term >= ?")))
        return std::nullopt;
    query.addBindValue(text);
    if (!query.exec())
        return std::nullopt;
    QStringList terms;
    while (query.next()) {
        QString term = query.value(0).toString();
        if (!term.startsWith(text))
            return terms;
        if (terms.size() == MostTermsLookedUp)
            return std::nullopt;
        terms << std::move(term);
    }
    return query.lastError().isValid() ? std::nullopt : std::optional(terms);
}

int HistoryStore::remove(const QList<qint64> &ids)
{
    if (!isKept() || ids.isEmpty())
        return 0;
    const QSqlDatabase database = QSqlDatabase::database(m_connection, false);
    int removed = 0;
    const bool done = inWriteTransaction(database, [&] {
        QSqlQuery query(database);
        if (!query.prepare(QStringLiteral("DELETE FROM links WHERE id = ?")))
            return false;
        for (const qint64 id : ids) {
            query.addBindValue(id);
            if (!query.exec())
                return false;
            removed += query.numRowsAffected();
        }
        return true;
    });
    return done ? removed : 0;
}

void HistoryStore::exportCsv(const QString &filePath, const QString &filter) const
{
    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        throw LumettaError(cannotWrite(filePath, file.errorString()));
    QByteArray bytes = HistoryCsv::start();
    if (isKept()) {
        const HistorySearch search = searchFor(filter);
        QSqlQuery query(QSqlDatabase::database(m_connection, false));
        if (!prepareSearch(query, selectedColumns, search,
                           QStringLiteral(" ORDER BY %1 DESC").arg(search.id)) ||
            !query.exec())
            throw cannotRead(query);
        constexpr qsizetype chunk = 1 << 16;
        while (query.next()) {
            bytes += HistoryCsv::row(readEntry(query));
            if (bytes.size() >= chunk) {
                file.write(bytes);
                bytes.clear();
            }
        }
        // A failure halfway must not pass for the whole history.
        if (query.lastError().isValid())
            throw cannotRead(query);
    }
    file.write(bytes);
    if (!file.commit())
        throw LumettaError(cannotWrite(filePath, file.errorString()));
}
