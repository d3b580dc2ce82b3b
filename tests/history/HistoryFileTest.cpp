#include "HistoryTestSupport.h"
#include "history/HistoryCsv.h"
#include "history/HistoryStore.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

const QString fileName = QStringLiteral("history.sqlite");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A database of some other program with enough rows for several pages of 4096 bytes.
QByteArray databaseOfPages(const QString &path)
{
    runSql(path,
           {QStringLiteral("PRAGMA page_size = 4096"), QStringLiteral("CREATE TABLE t(x)"),
            QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                           "WHERE i < 500) INSERT INTO t SELECT printf('%0200d', i) FROM n")});
    return readFileBytes(path);
}

// What a store that keeps nothing answers: nothing, without a throw.
void expectNothingKept(HistoryStore &store, const QString &exportPath)
{
    EXPECT_FALSE(store.isKept());
    EXPECT_EQ(store.add(entryTitled(QStringLiteral("x"))), std::nullopt);
    EXPECT_TRUE(store.addAll({entryTitled(QStringLiteral("y"))}).isEmpty());
    EXPECT_TRUE(store.page(QString(), 10).entries.isEmpty());
    EXPECT_EQ(store.count(), 0);
    EXPECT_EQ(store.remove({1}), 0);
    EXPECT_NO_THROW(store.exportCsv(exportPath));
    EXPECT_EQ(readFileBytes(exportPath), HistoryCsv::start());
}

struct NotKeptCase
{
    const char *name;
    // Prepares the folder and returns the database's path and the expected notice.
    std::function<std::pair<QString, QString>(const QString &folder)> prepare;
};

void expectNotKept(const NotKeptCase &test)
{
    SCOPED_TRACE(test.name);
    const QTemporaryDir folder;
    const auto [path, notice] = test.prepare(folder.path());
    const QByteArray before = readFileBytes(path);
    {
        HistoryStore store(path);
        EXPECT_EQ(store.notice(), notice);
        expectNothingKept(store, folder.filePath(QStringLiteral("export.csv")));
    }
    const QString data = QFileInfo(path).absolutePath();
    EXPECT_EQ(readFileBytes(path), before);
    EXPECT_EQ(QDir(data).entryList({QStringLiteral("*.damaged-*")}, QDir::Files), QStringList());
    // The temporary folder can go again.
    QFile::setPermissions(data, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The first version's table and two rows, as a program of that version wrote them.
const QStringList firstVersion = {
    QStringLiteral("CREATE TABLE links (id INTEGER PRIMARY KEY AUTOINCREMENT, made_at TEXT NOT "
                   "NULL, tracking_id TEXT NOT NULL, address TEXT NOT NULL, product_id TEXT NOT "
                   "NULL, title TEXT NOT NULL, price REAL, currency TEXT NOT NULL, commission_rate "
                   "REAL, partner_link TEXT NOT NULL, short_link TEXT NOT NULL)"),
    QStringLiteral(
        "INSERT INTO links VALUES (1, '2025-01-02T03:04:05.006Z', 'blog', "
        "'https://aliexpress.ru/item/1.html', '1', 'Старые НАУШНИКИ', 10.5, 'RUB', NULL, "
        "'https://s.click.aliexpress.com/e/_old1', '')"),
    QStringLiteral("INSERT INTO links VALUES (2, '2025-01-02T03:04:06.000Z', 'Канал', "
                   "'https://aliexpress.com/item/2.html', '2', 'Old Lamp', NULL, 'USD', 4, "
                   "'https://s.click.aliexpress.com/e/_old2', 'https://clck.ru/old2')")};

// The second version's folded texts and index over the same rows.
const QStringList secondVersion = {
    QStringLiteral("ALTER TABLE links ADD COLUMN folded TEXT NOT NULL DEFAULT ''"),
    QStringLiteral("UPDATE links SET folded = replace('старые наушники|https://aliexpress.ru/"
                   "item/1.html|blog|https://s.click.aliexpress.com/e/_old1|', '|', char(10)) "
                   "WHERE id = 1"),
    QStringLiteral("UPDATE links SET folded = replace('old lamp|https://aliexpress.com/item/"
                   "2.html|канал|https://s.click.aliexpress.com/e/_old2|https://clck.ru/old2', "
                   "'|', char(10)) WHERE id = 2"),
    QStringLiteral("CREATE VIRTUAL TABLE links_search USING fts5(folded, content='links', "
                   "content_rowid='id', tokenize='trigram case_sensitive 1')"),
    QStringLiteral("CREATE TRIGGER links_search_insert AFTER INSERT ON links BEGIN INSERT INTO "
                   "links_search(rowid, folded) VALUES (new.id, new.folded); END"),
    QStringLiteral("CREATE TRIGGER links_search_delete AFTER DELETE ON links BEGIN INSERT INTO "
                   "links_search(links_search, rowid, folded) VALUES ('delete', old.id, "
                   "old.folded); END"),
    QStringLiteral("INSERT INTO links_search(links_search) VALUES ('rebuild')")};

} // namespace

TEST(HistoryFile, AnOlderVersionIsUpgradedWithItsRows)
{
    const struct
    {
        int version;
        QStringList statements;
    } olderVersions[] = {{1, firstVersion}, {2, firstVersion + secondVersion}};
    for (const auto &older : olderVersions) {
        SCOPED_TRACE(older.version);
        const QTemporaryDir folder;
        const QString path = folder.filePath(fileName);
        ASSERT_TRUE(runSql(
            path, older.statements +
                      QStringList{QStringLiteral("PRAGMA user_version = %1").arg(older.version)}));
        HistoryStore store(path);
        ASSERT_TRUE(store.isKept());
        EXPECT_EQ(store.notice(), QString());
        const QList<HistoryEntry> rows = store.page(QString(), 10).entries;
        ASSERT_EQ(rows.size(), 2);
        EXPECT_EQ(rows.at(1).madeAt,
                  QDateTime::fromString("2025-01-02T03:04:05.006Z", Qt::ISODateWithMs));
        EXPECT_TRUE(rows.at(1).price == 10.5 && !rows.at(1).commissionRate);

        // The old rows are found, by the index, by its terms and row by row.
        const struct
        {
            QString filter;
            QStringList titles;
        } searches[] = {{QStringLiteral("наушники"), {"Старые НАУШНИКИ"}},
                        {QStringLiteral("ш"), {"Старые НАУШНИКИ"}},
                        {QStringLiteral("D2"), {"Old Lamp"}}, // the last characters
                        {QStringLiteral("канал"), {"Old Lamp"}},
                        {QStringLiteral("_OLD"), {"Old Lamp", "Старые НАУШНИКИ"}}};
        for (const auto &search : searches)
            EXPECT_EQ(titlesOf(store.page(search.filter, 10)), search.titles)
                << search.filter.toStdString();

        EXPECT_EQ(store.add(entryTitled(QStringLiteral("Новая лампа"))), std::optional<qint64>(3));
        EXPECT_EQ(store.remove({1}), 1);
        EXPECT_EQ(titlesOf(store.page(QStringLiteral("НАУШ"), 10)), QStringList());
        EXPECT_EQ(titlesOf(store.page(QStringLiteral("лампа"), 10)), QStringList({"Новая лампа"}));
        EXPECT_EQ(userVersionOf(path), 3);
    }
}

TEST(HistoryFile, ADamagedFileIsRenamedAsideAndANewOneStarted)
{
    const struct
    {
        const char *name;
        std::function<QByteArray(const QString &path)> prepare; // returns the file's bytes
        bool damaged;
    } cases[] = {
        {"a database's header over something else",
         [](const QString &path) {
             const QByteArray bytes = QByteArray("SQLite format 3", 16) + QByteArray(5000, 'x');
             writeFileBytes(path, bytes);
             return bytes;
         },
         true},
        {"a database with a damaged page",
         [](const QString &path) {
             QByteArray bytes = databaseOfPages(path);
             bytes.replace(2 * 4096, 4096, QByteArray(4096, '\xff'));
             writeFileBytes(path, bytes);
             return bytes;
         },
         true},
        {"not a database, with journal files",
         [](const QString &path) {
             writeFileBytes(path + "-wal", "the log");
             writeFileBytes(path + "-shm", "its index");
             writeFileBytes(path, QByteArray(5000, 'y'));
             return QByteArray(5000, 'y');
         },
         true},
        {"an empty file, which is an empty database",
         [](const QString &path) {
             writeFileBytes(path, QByteArray());
             return QByteArray();
         },
         false},
    };
    const QRegularExpression damageNotice(QStringLiteral(
        "^История ссылок повреждена: файл переименован в (.+\\.damaged-\\d{8}-\\d{6}), начата "
        "новая\\.$"));
    for (const auto &test : cases) {
        SCOPED_TRACE(test.name);
        const QTemporaryDir folder;
        const QString path = folder.filePath(fileName);
        const QByteArray bytes = test.prepare(path);
        const bool hadLog = QFile::exists(path + "-wal");
        const QByteArray log = hadLog ? readFileBytes(path + "-wal") : QByteArray();
        {
            HistoryStore store(path);
            EXPECT_TRUE(store.isKept());
            const QRegularExpressionMatch match = damageNotice.match(store.notice());
            EXPECT_EQ(match.hasMatch(), test.damaged) << store.notice().toStdString();
            if (match.hasMatch()) {
                const QString aside = match.captured(1);
                EXPECT_EQ(aside, native(path) + ".damaged-" + aside.right(15));
                EXPECT_EQ(readFileBytes(aside), bytes);
                if (hadLog) {
                    EXPECT_EQ(readFileBytes(aside + "-wal"), log);
                }
                EXPECT_FALSE(QFile::exists(aside + "-shm"));
                EXPECT_NE(readFileBytes(path + "-shm"), QByteArray("its index"));
            }
            EXPECT_EQ(store.count(), 0);
            EXPECT_EQ(store.add(entryTitled(QStringLiteral("первая"))), std::optional<qint64>(1));
            // Other stores of this copy find the new file as it is.
            const HistoryStore other(path);
            EXPECT_EQ(other.notice(), QString());
            EXPECT_EQ(titlesOf(other.page(QString(), 10)), QStringList({"первая"}));
        }
        EXPECT_EQ(QDir(folder.path()).entryList({"*.damaged-*"}, QDir::Files).size(),
                  test.damaged ? (hadLog ? 2 : 1) : 0);
    }
}

// Folders even root cannot write to: the history is not kept, and nothing fails.
TEST(HistoryFile, WhereNoDatabaseCanBeWrittenNothingIsKeptAndNothingFails)
{
    const NotKeptCase cases[] = {
        {"the data folder is a file",
         [](const QString &folder) {
             const QString blocker = QDir(folder).filePath(QStringLiteral("folder"));
             writeFileBytes(blocker, "not a folder");
             return std::pair(QDir(blocker).filePath(fileName),
                              "История ссылок не ведётся: нет доступа на запись в " +
                                  native(blocker) + ".");
         }},
        {"a newer program's file",
         [](const QString &folder) {
             const QString path = QDir(folder).filePath(fileName);
             runSql(path, {QStringLiteral("CREATE TABLE links(x)"),
                           QStringLiteral("PRAGMA user_version = 4")});
             return std::pair(path, "История ссылок не ведётся: файл " + native(path) +
                                        " записан более новой версией программы.");
         }},
    };
    for (const NotKeptCase &test : cases)
        expectNotKept(test);
}

TEST(HistoryFile, InAReadOnlyFolderNothingIsKeptAndNothingFails)
{
#ifdef _WIN32
    GTEST_SKIP() << "a read-only folder attribute does not stop writes on Windows";
#else
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes to read-only folders";
    const auto readOnly = [](const QString &folder) {
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        return "История ссылок не ведётся: нет доступа на запись в " + native(folder) + ".";
    };
    const NotKeptCase cases[] = {
        {"an empty folder",
         [&](const QString &folder) {
             const QString data = QDir(folder).filePath(QStringLiteral("data"));
             QDir().mkpath(data);
             return std::pair(QDir(data).filePath(fileName), readOnly(data));
         }},
        {"a folder holding a history",
         [&](const QString &folder) {
             const QString data = QDir(folder).filePath(QStringLiteral("data"));
             QDir().mkpath(data);
             const QString path = QDir(data).filePath(fileName);
             HistoryStore(path).add(entryTitled(QStringLiteral("старая")));
             return std::pair(path, readOnly(data));
         }},
        {"a read-only history",
         [](const QString &folder) {
             const QString path = QDir(folder).filePath(fileName);
             HistoryStore(path).add(entryTitled(QStringLiteral("старая")));
             QFile::setPermissions(path, QFile::ReadOwner);
             return std::pair(path, "История ссылок не ведётся: нет доступа на запись в " +
                                        native(path) + ".");
         }},
    };
    for (const NotKeptCase &test : cases)
        expectNotKept(test);
#endif
}
