#include "HistoryTestSupport.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimeZone>

#include <iostream>
#include <stdexcept>

namespace {

const QString testConnection = QStringLiteral("history-test");

// Runs work on a connection to path that is gone when it returns; fallback when the file
// does not open.
template <typename Result, typename Work>
Result withDatabase(const QString &path, Result fallback, Work work)
{
    struct Remover
    {
        ~Remover() { QSqlDatabase::removeDatabase(testConnection); }
    } remover;
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), testConnection);
    database.setDatabaseName(path);
    const Result result = database.open() ? work(database) : fallback;
    database.close();
    return result;
}

} // namespace

HistoryEntry entryTitled(const QString &title)
{
    HistoryEntry entry;
    entry.madeAt = QDateTime(QDate(2026, 3, 14), QTime(9, 26, 53, 589), QTimeZone::utc());
    entry.trackingId = QStringLiteral("blog");
    entry.address = QStringLiteral("https://aliexpress.ru/item/1005003091506814.html");
    entry.productId = QStringLiteral("1005003091506814");
    entry.title = title;
    entry.price = 1299.5;
    entry.currency = QStringLiteral("RUB");
    entry.commissionRate = 7.5;
    entry.partnerLink = QStringLiteral("https://s.click.aliexpress.com/e/_DdXyZ1");
    entry.shortLink = QStringLiteral("https://clck.ru/3Ab9z");
    return entry;
}

QStringList titlesOf(const QList<HistoryEntry> &entries)
{
    QStringList titles;
    for (const HistoryEntry &entry : entries)
        titles << entry.title;
    return titles;
}

QStringList titlesOf(const HistoryPage &page)
{
    return titlesOf(page.entries);
}

void writeFileBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot prepare " + path.toStdString());
}

QByteArray readFileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArrayLiteral("<missing>");
    return file.readAll();
}

bool runSql(const QString &path, const QStringList &statements)
{
    return withDatabase(path, false, [&](QSqlDatabase &database) {
        QSqlQuery query(database);
        for (const QString &statement : statements) {
            if (!query.exec(statement)) {
                std::cerr << statement.toStdString() << ": "
                          << query.lastError().text().toStdString() << '\n';
                return false;
            }
        }
        return true;
    });
}

int userVersionOf(const QString &path)
{
    return withDatabase(path, -1, [](QSqlDatabase &database) {
        QSqlQuery query(database);
        return query.exec(QStringLiteral("PRAGMA user_version")) && query.next()
                   ? query.value(0).toInt()
                   : -1;
    });
}
