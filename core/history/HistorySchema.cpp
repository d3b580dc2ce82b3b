#include "history/HistorySchema.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <array>

namespace {

// Version 1: one row for every link made. Ids are never reused, so that a window showing a
// row another copy has deleted cannot reach a newer row by its id.
const QStringList linksTable = {QStringLiteral(R"(CREATE TABLE links (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    made_at TEXT NOT NULL,
    tracking_id TEXT NOT NULL,
    address TEXT NOT NULL,
    product_id TEXT NOT NULL,
    title TEXT NOT NULL,
    price REAL,
    currency TEXT NOT NULL,
    commission_rate REAL,
    partner_link TEXT NOT NULL,
    short_link TEXT NOT NULL))")};

// Version 2: a trigram index of the searched columns, so that a filter finds any substring
// in any case (Cyrillic too, which LIKE does not fold) without reading every row. It indexes
// the rows of links in place; rows are only ever added and deleted, and the triggers follow
// both.
const QStringList searchIndex = {
    QStringLiteral(R"(CREATE VIRTUAL TABLE links_search USING fts5(
    title, address, tracking_id, partner_link, short_link,
    content='links', content_rowid='id', tokenize='trigram case_sensitive 0'))"),
    QStringLiteral(R"(CREATE TRIGGER links_search_insert AFTER INSERT ON links BEGIN
    INSERT INTO links_search(rowid, title, address, tracking_id, partner_link, short_link)
    VALUES (new.id, new.title, new.address, new.tracking_id, new.partner_link, new.short_link);
END)"),
    QStringLiteral(R"(CREATE TRIGGER links_search_delete AFTER DELETE ON links BEGIN
    INSERT INTO links_search(links_search, rowid, title, address, tracking_id, partner_link,
                             short_link)
    VALUES ('delete', old.id, old.title, old.address, old.tracking_id, old.partner_link,
            old.short_link);
END)"),
    QStringLiteral("INSERT INTO links_search(links_search) VALUES ('rebuild')")};

// steps[n] brings a database of version n to version n + 1.
const std::array<QStringList, HistorySchema::CurrentVersion> steps = {linksTable, searchIndex};

bool run(QSqlQuery &query, const QString &statement, QSqlError *error)
{
    if (query.exec(statement))
        return true;
    *error = query.lastError();
    return false;
}

bool readVersion(QSqlQuery &query, int *version, QSqlError *error)
{
    if (!run(query, QStringLiteral("PRAGMA user_version"), error))
        return false;
    *version = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    return true;
}

HistorySchema::Outcome failed(QSqlQuery &query, const QSqlError &cause, QSqlError *error)
{
    *error = cause;
    query.exec(QStringLiteral("ROLLBACK"));
    return HistorySchema::Outcome::Failed;
}

} // namespace

HistorySchema::Outcome HistorySchema::upgrade(const QSqlDatabase &database, QSqlError *error)
{
    QSqlQuery query(database);
    int version = 0;
    // A current database, the usual case, needs no write lock.
    if (!readVersion(query, &version, error))
        return Outcome::Failed;
    if (version >= CurrentVersion)
        return version == CurrentVersion ? Outcome::Current : Outcome::Newer;

    if (!run(query, QStringLiteral("BEGIN IMMEDIATE"), error))
        return Outcome::Failed;
    QSqlError cause;
    // Another copy may have upgraded it while this one waited for the lock.
    if (!readVersion(query, &version, &cause))
        return failed(query, cause, error);
    if (version > CurrentVersion) {
        query.exec(QStringLiteral("ROLLBACK"));
        return Outcome::Newer;
    }
    for (int step = version; step < CurrentVersion; ++step) {
        for (const QString &statement : steps.at(step)) {
            if (!run(query, statement, &cause))
                return failed(query, cause, error);
        }
    }
    if (!run(query, QStringLiteral("PRAGMA user_version = %1").arg(CurrentVersion), &cause) ||
        !run(query, QStringLiteral("COMMIT"), &cause))
        return failed(query, cause, error);
    return Outcome::Current;
}
