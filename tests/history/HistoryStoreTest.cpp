#include "history/HistoryStore.h"
#include "HistoryTestSupport.h"
#include "TemporaryDataDirectory.h"

#include <QDir>
#include <QSet>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <thread>

namespace {

class History : public ::testing::Test
{
protected:
    // Adds the entries one by one, oldest first.
    void addAll(const QList<HistoryEntry> &entries)
    {
        for (const HistoryEntry &entry : entries)
            ASSERT_TRUE(m_store.add(entry).has_value()) << entry.title.toStdString();
    }

    TemporaryDataDirectory m_dir;
    HistoryStore m_store;
};

HistoryEntry withLinks(HistoryEntry entry, const QString &trackingId, const QString &address,
                       const QString &partnerLink, const QString &shortLink)
{
    entry.trackingId = trackingId;
    entry.address = address;
    entry.partnerLink = partnerLink;
    entry.shortLink = shortLink;
    return entry;
}

} // namespace

TEST_F(History, LivesBesideTheSettingsFile)
{
    EXPECT_EQ(m_store.path(), QDir::toNativeSeparators(m_dir.path()) + QDir::separator() +
                                  QStringLiteral("history.sqlite"));
    EXPECT_TRUE(m_store.isKept());
    EXPECT_EQ(m_store.notice(), QString());
    EXPECT_TRUE(QFile::exists(m_dir.filePath(QStringLiteral("history.sqlite"))));
}

TEST_F(History, EntriesComeBackAsStoredNewestFirst)
{
    HistoryEntry plain = entryTitled(QStringLiteral("Наушники"));
    HistoryEntry unknowns = entryTitled(QStringLiteral("Без цены"));
    unknowns.price.reset();
    unknowns.commissionRate.reset();
    unknowns.currency = QString();
    unknowns.shortLink = QString(); // a null text is stored as an empty one
    HistoryEntry odd = entryTitled(QStringLiteral("Кавычки \" и запятые, \r\n строки\t🎧"));
    odd.price = 0.1;
    odd.commissionRate = 0.0;
    odd.madeAt = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc());
    const QList<HistoryEntry> added = {plain, unknowns, odd};

    QList<qint64> ids;
    for (const HistoryEntry &entry : added)
        ids << m_store.add(entry).value_or(-1);
    ASSERT_EQ(ids, (QList<qint64>{1, 2, 3}));

    const QList<HistoryEntry> read = m_store.page(QString(), 10).entries;
    ASSERT_EQ(read.size(), 3);
    for (int i = 0; i < 3; ++i) {
        HistoryEntry expected = added.at(2 - i);
        expected.id = ids.at(2 - i);
        if (expected.shortLink.isNull())
            expected.shortLink = QStringLiteral("");
        if (expected.currency.isNull())
            expected.currency = QStringLiteral("");
        EXPECT_EQ(read.at(i), expected) << "row " << i;
    }
    EXPECT_EQ(m_store.count(), 3);
}

TEST_F(History, AnEntryWithoutATimeTakesTheTimeItIsAdded)
{
    HistoryEntry entry = entryTitled(QStringLiteral("now"));
    entry.madeAt = QDateTime();
    const QDateTime before = QDateTime::currentDateTimeUtc().addMSecs(-1);
    ASSERT_TRUE(m_store.add(entry));
    const QDateTime after = QDateTime::currentDateTimeUtc().addMSecs(1);
    const QDateTime stored = m_store.page(QString(), 1).entries.value(0).madeAt;
    EXPECT_EQ(stored.timeSpec(), Qt::UTC);
    EXPECT_TRUE(before <= stored && stored <= after) << stored.toString().toStdString();
}

TEST_F(History, FilterFindsTextInAnySearchedColumnInAnyCase)
{
    addAll({withLinks(entryTitled(QStringLiteral("Беспроводные НАУШНИКИ")), "blog",
                      "https://aliexpress.ru/item/1.html", "https://s.click.aliexpress.com/e/_AAA",
                      "https://clck.ru/3Abc"),
            withLinks(entryTitled(QStringLiteral("Ёлочная гирлянда")), "Канал-Телеграм",
                      "https://aliexpress.com/item/2.html?x=[1]",
                      "https://s.click.aliexpress.com/e/_BBB", ""),
            withLinks(entryTitled(QStringLiteral("Case *Glob? \"quoted\" 100%_done")), "site",
                      "https://m.aliexpress.com/item/3.html", "https://s.click.aliexpress.com/e/_C",
                      "https://clck.ru/X"),
            withLinks(entryTitled(QStringLiteral("смарт-часы Ж")), "blog",
                      "https://aliexpress.ru/item/4.html", "https://s.click.aliexpress.com/e/_DDD",
                      "https://clck.ru/3Def")});
    const QString first = QStringLiteral("Беспроводные НАУШНИКИ");
    const QString second = QStringLiteral("Ёлочная гирлянда");
    const QString third = QStringLiteral("Case *Glob? \"quoted\" 100%_done");
    const QString fourth = QStringLiteral("смарт-часы Ж");

    const struct
    {
        QString filter;
        QStringList titles; // newest first
    } cases[] = {
        {QString(), {fourth, third, second, first}},
        {QStringLiteral("   "), {fourth, third, second, first}},
        {QStringLiteral("наушники"), {first}},
        {QStringLiteral("нАуШн"), {first}},
        {QStringLiteral("ЁЛОЧНАЯ"), {second}},
        {QStringLiteral("ё"), {second}},          // one letter: matched without the index
        {QStringLiteral("ж"), {fourth}},          // upper case stored, lower case asked
        {QStringLiteral("ЧА"), {fourth}},         // two letters
        {QStringLiteral("case *glob?"), {third}}, // Latin case, wildcards taken as they stand
        {QStringLiteral("*"), {third}},
        {QStringLiteral("?"), {third, second}},
        {QStringLiteral("["), {second}},
        {QStringLiteral("%"), {third}},
        {QStringLiteral("0%_"), {third}},
        {QStringLiteral("\"quoted\""), {third}},
        {QStringLiteral("  канал-телеграм "), {second}}, // tracking ID; blanks around dropped
        {QStringLiteral("BLOG"), {fourth, first}},
        {QStringLiteral("item/2.html?x=[1]"), {second}}, // the address
        {QStringLiteral("E/_BBB"), {second}},            // the partner link
        {QStringLiteral("clck.ru/3"), {fourth, first}},  // the short link
        {QStringLiteral("1005003091506814"), {}},        // the product ID is not searched
        {QStringLiteral("RUB"), {}},
        {QStringLiteral("нет такого"), {}},
    };
    for (const auto &test : cases) {
        EXPECT_EQ(titlesOf(m_store.page(test.filter, 10)), test.titles)
            << test.filter.toStdString();
        EXPECT_EQ(m_store.count(test.filter), test.titles.size()) << test.filter.toStdString();
    }
}

TEST_F(History, PagesFollowOneAnotherToTheOldestEntry)
{
    // More rows than one call reads for a filter matched row by row.
    const int rows = int(HistoryStore::ScanIds) + 904;
    QList<HistoryEntry> entries;
    for (int i = 1; i <= rows; ++i)
        entries << entryTitled(QStringLiteral("%1 %2").arg(i % 2 ? "нечётный" : "чётный").arg(i));
    ASSERT_EQ(m_store.addAll(entries).size(), rows);

    const struct
    {
        QString filter;
        int limit;
        QList<int> pageSizes; // empty: not looked at
    } cases[] = {{QString(), 2000, {2000, 2000, 1000}},
                 {QStringLiteral("ё"), 2000, {2000, 2000, 1000}},
                 {QStringLiteral("ъ"), 10, {0, 0}}, // a row-by-row search stops at each part
                 {QStringLiteral("77"), 50, {}},
                 {QStringLiteral("НЕЧЁТНЫЙ 49"), 20, {}}};
    for (const auto &test : cases) {
        QList<int> sizes;
        QStringList titles;
        HistoryPage page = m_store.page(test.filter, test.limit);
        for (;;) {
            sizes << int(page.entries.size());
            titles << titlesOf(page);
            if (page.nextBefore == 0)
                break;
            page = m_store.page(test.filter, test.limit, page.nextBefore);
        }
        if (!test.pageSizes.isEmpty()) {
            EXPECT_EQ(sizes, test.pageSizes) << test.filter.toStdString();
        }
        EXPECT_LE(*std::max_element(sizes.cbegin(), sizes.cend()), test.limit);
        QStringList expected;
        for (auto entry = entries.crbegin(); entry != entries.crend(); ++entry) {
            if (entry->title.contains(test.filter, Qt::CaseInsensitive))
                expected << entry->title;
        }
        EXPECT_EQ(titles, expected) << test.filter.toStdString();
    }
}

TEST_F(History, DeletedRowsAreGoneFromPagesCountsAndSearches)
{
    addAll({entryTitled(QStringLiteral("один")), entryTitled(QStringLiteral("два")),
            entryTitled(QStringLiteral("три")), entryTitled(QStringLiteral("четыре"))});
    const struct
    {
        QList<qint64> ids;
        int removed;
        QStringList left;
    } cases[] = {{{}, 0, {"четыре", "три", "два", "один"}},
                 {{2}, 1, {"четыре", "три", "один"}},
                 {{2, 99}, 0, {"четыре", "три", "один"}},
                 {{4, 1, 4}, 2, {"три"}},
                 {{3}, 1, {}}};
    for (const auto &test : cases) {
        EXPECT_EQ(m_store.remove(test.ids), test.removed);
        EXPECT_EQ(titlesOf(m_store.page(QString(), 10)), test.left);
        EXPECT_EQ(m_store.count(), test.left.size());
        for (const QString title : {"один", "два", "три", "четыре"})
            EXPECT_EQ(m_store.count(title), test.left.contains(title) ? 1 : 0)
                << title.toStdString();
    }
    // The ids of deleted rows are not given again.
    EXPECT_EQ(m_store.add(entryTitled(QStringLiteral("пять"))), std::optional<qint64>(5));
}

TEST_F(History, StoresOnTwoThreadsBothWriteAndEachSeesTheOthersRows)
{
    constexpr int perThread = 150;
    QList<qint64> ids[2];
    const auto writer = [&ids](int which) {
        HistoryStore store; // a store is used only on the thread that made it
        for (int i = 0; i < perThread; ++i) {
            HistoryEntry entry =
                entryTitled(QStringLiteral("поток %1 ссылка %2").arg(which).arg(i));
            if (const std::optional<qint64> id = store.add(entry))
                ids[which] << *id;
            if (i % 10 == 0)
                store.page(QString(), 20);
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    EXPECT_EQ(ids[0].size(), perThread);
    EXPECT_EQ(ids[1].size(), perThread);
    const QList<qint64> all = ids[0] + ids[1];
    EXPECT_EQ(QSet<qint64>(all.cbegin(), all.cend()).size(), 2 * perThread);
    EXPECT_EQ(m_store.count(), 2 * perThread);
    EXPECT_EQ(m_store.count(QStringLiteral("поток 1 ")), perThread);
}
