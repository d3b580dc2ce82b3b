#include "history/HistorySchema.h"

#include "history/HistorySearch.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <array>
#include <utility>

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

bool run(QSqlQuery &query, const QString &statement, QSqlError *error)
{
    if (query.exec(statement))
        return true;
    *error = query.lastError();
    return false;
}

bool runAll(QSqlQuery &query, const QStringList &statements, QSqlError *error)
{
    for (const QString &statement : statements) {
        if (!run(query, statement, error))
            return false;
    }
    return true;
}

bool createLinksTable(QSqlQuery &query, QSqlError *error)
{
    return runAll(query, linksTable, error);
}

// Version 2: the searched texts of each row case-folded in one column, and a trigram index of
// it, so that a filter finds any part of them in any case, Cyrillic too, without reading every
// row. The index reads the rows of links in place; rows are only ever added and deleted, and
// the triggers follow both.
const QStringList searchIndex = {
    QStringLiteral(R"(CREATE VIRTUAL TABLE links_search USING fts5(
    folded, content='links', content_rowid='id', tokenize='trigram case_sensitive 1'))"),
    QStringLiteral(R"(CREATE TRIGGER links_search_insert AFTER INSERT ON links BEGIN
    INSERT INTO links_search(rowid, folded) VALUES (new.id, new.folded);
END)"),
    QStringLiteral(R"(CREATE TRIGGER links_search_delete AFTER DELETE ON links BEGIN
    INSERT INTO links_search(links_search, rowid, folded) VALUES ('delete', old.id, old.folded);
END)"),
    QStringLiteral("INSERT INTO links_search(links_search) VALUES ('rebuild')")};

// SQLite cannot fold Cyrillic: the rows there already get their folded texts here.
bool foldExistingRows(QSqlQuery &query, QSqlError *error)
{
    if (!run(query,
             QStringLiteral("SELECT id, title, address, tracking_id, partner_link, "
                            "short_link FROM links"),
             error))
        return false;
    QList<std::pair<qint64, QString>> rows;
    while (query.next()) {
        rows.append({query.value(0).toLongLong(),
                     HistorySearch::foldedText(query.value(1).toString(), query.value(2).toString(),
                                               query.value(3).toString(), query.value(4).toString(),
                                               query.value(5).toString())});
    }
    query.finish();
    if (!query.prepare(QStringLiteral("UPDATE links SET folded = ? WHERE id = ?"))) {
        *error = query.lastError();
        return false;
    }
    for (const auto &[id, folded] : rows) {
        query.addBindValue(folded);
        query.addBindValue(id);
        if (!query.exec()) {
            *error = query.lastError();
            return false;
        }
    }
    return true;
}

bool addSearchIndex(QSqlQuery &query, QSqlError *error)
{
    return run(query,
               QStringLiteral("ALTER TABLE links ADD COLUMN folded TEXT NOT NULL DEFAULT ''"),
               error) &&
           foldExistingRows(query, error) && runAll(query, searchIndex, error);
}

// Version 3: every folded text ends with two line breaks (see HistorySearch::anyOf()), and the
// table links_terms lists the index's terms, for filters of one or two characters. Rows folded
// by the step before already end so.
const QStringList endedFoldedTexts = {
    QStringLiteral("UPDATE links SET folded = folded || char(10, 10) "
                   "WHERE substr(folded, -2) <> char(10, 10)"),
    QStringLiteral("INSERT INTO links_search(links_search) VALUES ('rebuild')"),
    QStringLiteral("CREATE VIRTUAL TABLE links_terms USING fts5vocab(links_search, 'row')")};

bool endFoldedTexts(QSqlQuery &query, QSqlError *error)
{
    return runAll(query, endedFoldedTexts, error);
}

// steps[n] brings a database of version n to version n + 1.
using Step = bool (*)(QSqlQuery &query, QSqlError *error);
const std::array<Step, HistorySchema::CurrentVersion> steps = {createLinksTable, addSearchIndex,
                                                               endFoldedTexts};

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
        if (!steps.at(step)(query, &cause))
            return failed(query, cause, error);
    }
    if (!run(query, QStringLiteral("PRAGMA user_version = %1").arg(CurrentVersion), &cause) ||
        !run(query, QStringLiteral("COMMIT"), &cause))
        return failed(query, cause, error);
    return Outcome::Current;
}
