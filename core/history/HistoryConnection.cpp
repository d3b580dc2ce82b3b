#include "history/HistoryConnection.h"

#include "history/HistorySchema.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <atomic>

namespace {

const QString driverName = QStringLiteral("QSQLITE");

enum class Failure { None, Damaged, NotWritable, Newer, Other };

struct Attempt
{
    Failure failure = Failure::None;
    QString reason;
};

// Opening is serialised within the process: threads of one copy never rename a damaged file
// under each other, and the set of files checked is kept under the same lock.
QMutex &openingLock()
{
    static QMutex lock;
    return lock;
}

QSet<QString> &checkedFiles()
{
    static QSet<QString> files;
    return files;
}

QString newConnectionName()
{
    static std::atomic<quint64> last{0};
    return QStringLiteral("lumetta-history-%1").arg(++last);
}

// SQLite's primary result codes, which Qt passes on as the native error code.
Attempt failedWith(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xFF) {
    case 11: // SQLITE_CORRUPT
    case 26: // SQLITE_NOTADB
        return {Failure::Damaged, error.databaseText()};
    case 3:  // SQLITE_PERM
    case 8:  // SQLITE_READONLY
    case 14: // SQLITE_CANTOPEN
    case 23: // SQLITE_AUTH
        return {Failure::NotWritable, error.databaseText()};
    default:
        return {Failure::Other, error.databaseText()};
    }
}

Attempt quickCheck(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("PRAGMA quick_check")))
        return failedWith(query.lastError());
    QStringList answer;
    while (query.next())
        answer << query.value(0).toString();
    query.finish();
    return answer == QStringList{QStringLiteral("ok")} ? Attempt() : Attempt{Failure::Damaged, {}};
}

// False for a file that SQLite would find is not a database: seen before SQLite opens it, so
// that SQLite does not remove the write-ahead log beside it on closing.
bool startsAsDatabase(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // missing, or unreadable: SQLite says which
    const QByteArray start = file.read(16);
    return start.isEmpty() || start == QByteArray("SQLite format 3", 16);
}

Attempt upgrade(const QSqlDatabase &database)
{
    QSqlError error;
    switch (HistorySchema::upgrade(database, &error)) {
    case HistorySchema::Outcome::Current:
        return {};
    case HistorySchema::Outcome::Newer:
        return {Failure::Newer, {}};
    case HistorySchema::Outcome::Failed:
        break;
    }
    return failedWith(error);
}

Attempt useWriteAheadLog(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("PRAGMA journal_mode = WAL")))
        return failedWith(query.lastError());
    query.finish();
    // With the log a commit need not wait for the disk: a power cut may lose the last links,
    // never the database.
    query.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    return {};
}

// A file that can be read but not written fails here rather than at the first link: a write,
// rolled back (SQLite begins a write transaction on a read-only file all the same).
Attempt tryWrite(QSqlQuery &query)
{
    if (!query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return failedWith(query.lastError());
    const bool written =
        query.exec(QStringLiteral("PRAGMA user_version = %1").arg(HistorySchema::CurrentVersion));
    const QSqlError error = query.lastError();
    query.exec(QStringLiteral("ROLLBACK"));
    return written ? Attempt() : failedWith(error);
}

Attempt tryOpen(const QString &name, const QString &path, int busyTimeoutMs, bool check)
{
    if (check && !startsAsDatabase(path))
        return {Failure::Damaged, {}};
    QSqlDatabase database = QSqlDatabase::addDatabase(driverName, name);
    database.setDatabaseName(path);
    database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs));
    if (!database.open())
        return failedWith(database.lastError());
    QSqlQuery query(database);
    // The schema before the log, so that a newer program's file is left exactly as it is.
    Attempt attempt = check ? quickCheck(query) : Attempt();
    if (attempt.failure == Failure::None)
        attempt = upgrade(database);
    if (attempt.failure == Failure::None)
        attempt = useWriteAheadLog(query);
    if (attempt.failure == Failure::None)
        attempt = tryWrite(query);
    return attempt;
}

// The name the damaged file goes to: none of its own or its journals' names may be taken.
QString asideName(const QString &path)
{
    const QString base = path + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base;
    for (int n = 2; QFileInfo::exists(name) || QFileInfo::exists(name + QStringLiteral("-wal"));
         ++n)
        name = base + QStringLiteral("-%1").arg(n);
    return name;
}

// False when the file stays where it was. Its write-ahead log or rollback journal goes along
// under the name SQLite looks for beside it; the shared-memory index of the log is only a cache
// and goes.
bool renameAside(const QString &path, QString *aside)
{
    const QString target = asideName(path);
    if (!QFile::rename(path, target))
        return false;
    for (const QString &journal : {QStringLiteral("-wal"), QStringLiteral("-journal")}) {
        if (QFileInfo::exists(path + journal))
            QFile::rename(path + journal, target + journal);
    }
    QFile::remove(path + QStringLiteral("-shm"));
    *aside = target;
    return true;
}

QString notKept(const QString &why)
{
    return QStringLiteral("История ссылок не ведётся: %1.").arg(why);
}

QString describe(const Attempt &attempt, const QString &path)
{
    const QFileInfo file(path);
    switch (attempt.failure) {
    case Failure::NotWritable:
        return notKept(QStringLiteral("нет доступа на запись в %1")
                           .arg(QDir::toNativeSeparators(file.exists() && !file.isWritable()
                                                             ? file.absoluteFilePath()
                                                             : file.absolutePath())));
    case Failure::Newer:
        return notKept(QStringLiteral("файл %1 записан более новой версией программы")
                           .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    case Failure::Damaged:
        return notKept(QStringLiteral("файл %1 повреждён, и переименовать его не удалось")
                           .arg(QDir::toNativeSeparators(file.absoluteFilePath())));
    case Failure::None:
    case Failure::Other:
        break;
    }
    return notKept(QStringLiteral("ошибка SQLite (%1)").arg(attempt.reason));
}

} // namespace

HistoryConnection HistoryConnection::open(const QString &path, int busyTimeoutMs)
{
    if (!QSqlDatabase::isDriverAvailable(driverName))
        return {{}, notKept(QStringLiteral("нет драйвера SQLite для Qt (%1)").arg(driverName))};
    const QMutexLocker locker(&openingLock());
    const QString file = QFileInfo(path).absoluteFilePath();
    QString damageNotice;
    bool check = !checkedFiles().contains(file);
    for (;;) {
        const QString name = newConnectionName();
        const Attempt attempt = tryOpen(name, path, busyTimeoutMs, check);
        if (attempt.failure == Failure::None) {
            checkedFiles().insert(file);
            return {name, damageNotice};
        }
        close(name);
        QString aside;
        // One renaming at most: a new file that fails too is not the old file's damage.
        if (attempt.failure != Failure::Damaged || !damageNotice.isEmpty() ||
            !renameAside(path, &aside)) {
            const QString failure = describe(attempt, path);
            return {{},
                    damageNotice.isEmpty() ? failure : damageNotice + QLatin1Char(' ') + failure};
        }
        damageNotice = QStringLiteral("История ссылок повреждена: файл переименован в %1, "
                                      "начата новая.")
                           .arg(QDir::toNativeSeparators(QFileInfo(aside).absoluteFilePath()));
        check = false;
    }
}

void HistoryConnection::close(const QString &name)
{
    {
        QSqlDatabase database = QSqlDatabase::database(name, false);
        if (database.isValid())
            database.close();
    }
    QSqlDatabase::removeDatabase(name);
}
