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
    TemporaryDataDirectory m_dir;
    HistoryStore m_store;
};

HistoryEntry withTexts(const QString &title, const QString &trackingId, const QString &address,
                       const QString &shortLink)
{
    HistoryEntry entry = entryTitled(title);
    entry.trackingId = trackingId;
    entry.address = address;
    entry.partnerLink = "https://s.click.aliexpress.com/e/_" + address.right(6);
    entry.shortLink = shortLink;
    return entry;
}

} // namespace

TEST_F(History, EntriesComeBackAsStoredNewestFirst)
{
    EXPECT_EQ(m_store.path(), QDir::toNativeSeparators(m_dir.filePath("history.sqlite")));
    EXPECT_TRUE(m_store.isKept());
    EXPECT_EQ(m_store.notice(), QString());

    HistoryEntry unknowns = entryTitled(QStringLiteral("Без цены"));
    unknowns.price.reset();
    unknowns.commissionRate.reset();
    unknowns.madeAt = QDateTime(); // takes the time it is added
    HistoryEntry odd = entryTitled(QStringLiteral("Кавычки \" и запятые, \r\n строки\t🎧"));
    odd.price = 0.1;
    odd.commissionRate = 0.0;
    odd.madeAt = QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59, 999), QTimeZone(3 * 3600));
    odd.shortLink = QString(); // a null text comes back empty
    const QList<HistoryEntry> added = {entryTitled(QStringLiteral("Наушники")), unknowns, odd};

    const QDateTime before = QDateTime::currentDateTimeUtc();
    QList<qint64> ids;
    for (const HistoryEntry &entry : added)
        ids << m_store.add(entry).value_or(-1);
    const QDateTime after = QDateTime::currentDateTimeUtc();
    ASSERT_EQ(ids, (QList<qint64>{1, 2, 3}));

    const QList<HistoryEntry> read = m_store.page(QString(), 10).entries;
    ASSERT_EQ(read.size(), 3);
    const QDateTime stamped = read.at(1).madeAt;
    EXPECT_TRUE(stamped.timeSpec() == Qt::UTC && before <= stamped && stamped <= after)
        << stamped.toString(Qt::ISODateWithMs).toStdString();
    for (int i = 0; i < 3; ++i) {
        HistoryEntry expected = added.at(2 - i);
        expected.id = ids.at(2 - i);
        expected.shortLink = expected.shortLink.isNull() ? QStringLiteral("") : expected.shortLink;
        if (!expected.madeAt.isValid())
            expected.madeAt = stamped;
        EXPECT_EQ(read.at(i), expected) << "row " << i;
    }
    EXPECT_EQ(m_store.count(), 3);
}

TEST_F(History, FilterFindsTextInAnySearchedColumnInAnyCase)
{
    const QString first = QStringLiteral("Беспроводные НАУШНИКИ");
    const QString second = QStringLiteral("Ёлочная гирлянда");
    const QString third = QStringLiteral("Case *Glob? \"quoted\" 100%_done");
    const QString fourth = QStringLiteral("смарт-часы Ж");
    for (const HistoryEntry &entry :
         {withTexts(first, "blog", "https://aliexpress.ru/item/1.html", "https://clck.ru/3Abc"),
          withTexts(second, "Канал-Телеграм", "https://aliexpress.com/item/2.html?x=[1]", ""),
          withTexts(third, "site", "https://m.aliexpress.com/item/3.html", "https://clck.ru/Z"),
          withTexts(fourth, "blog", "https://aliexpress.ru/item/4.html", "https://clck.ru/3Def")})
        ASSERT_TRUE(m_store.add(entry));

    const struct
    {
        QString filter;
        QStringList titles; // newest first
    } cases[] = {
        {QStringLiteral("   "), {fourth, third, second, first}},
        {QStringLiteral("нАуШн"), {first}},
        {QStringLiteral("ЁЛОЧНАЯ"), {second}},
        {QStringLiteral("ё"), {second}}, // one or two letters: through the index's terms
        {QStringLiteral("ж"), {fourth}},
        {QStringLiteral("ЧА"), {fourth}},
        {QStringLiteral("eF"), {fourth}}, // the last characters of all
        {QStringLiteral("z"), {third}},
        {QStringLiteral("ъ"), {}},
        {QStringLiteral("case *glob?"), {third}}, // wildcards of SQL stand for themselves
        {QStringLiteral("%"), {third}},
        {QStringLiteral("?"), {third, second}},
        {QStringLiteral("\"quoted\""), {third}},
        {QStringLiteral("  канал-телеграм "), {second}}, // the tracking ID
        {QStringLiteral("x=[1]"), {second}},             // the address
        {QStringLiteral("E/_4.HTML"), {fourth}},         // the partner link
        {QStringLiteral("clck.ru/3"), {fourth, first}},  // the short link
        {QStringLiteral("1005003091506814"), {}},        // the product ID is not searched
        {QStringLiteral("RUB"), {}},
    };
    for (const auto &test : cases) {
        EXPECT_EQ(titlesOf(m_store.page(test.filter, 10)), test.titles)
            << test.filter.toStdString();
        EXPECT_EQ(m_store.count(test.filter), test.titles.size()) << test.filter.toStdString();
    }
}

TEST_F(History, PagesFollowOneAnotherToTheOldestEntry)
{
    // More rows than one call reads for a filter sought row by row.
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
                 {QStringLiteral("ъ"), 10, {0}},
                 {QStringLiteral("7"), 10, {}}, // starts too many terms: sought row by row
                 {QStringLiteral("77"), 50, {}},
                 {QStringLiteral("НЕЧЁТНЫЙ 49"), 20, {}}};
    for (const auto &test : cases) {
        QList<int> sizes;
        QStringList titles;
        for (HistoryPage page = m_store.page(test.filter, test.limit);;
             page = m_store.page(test.filter, test.limit, page.nextBefore)) {
            sizes << int(page.entries.size());
            titles << titlesOf(page);
            if (page.nextBefore == 0)
                break;
        }
        EXPECT_TRUE(test.pageSizes.isEmpty() || sizes == test.pageSizes)
            << test.filter.toStdString();
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
    for (const char *title : {"один", "два", "три", "четыре"})
        ASSERT_TRUE(m_store.add(entryTitled(title)));
    const struct
    {
        QList<qint64> ids;
        int removed;
        QStringList left;
    } cases[] = {{{}, 0, {"четыре", "три", "два", "один"}},
                 {{2, 99}, 1, {"четыре", "три", "один"}},
                 {{4, 1, 4}, 2, {"три"}}};
    for (const auto &test : cases) {
        EXPECT_EQ(m_store.remove(test.ids), test.removed);
        EXPECT_EQ(titlesOf(m_store.page(QString(), 10)), test.left);
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
            if (const auto id =
                    store.add(entryTitled(QStringLiteral("поток %1 ссылка %2").arg(which).arg(i))))
                ids[which] << *id;
            if (i % 10 == 0)
                store.page(QString(), 20);
        }
    };
    std::thread first(writer, 0);
    std::thread second(writer, 1);
    first.join();
    second.join();

    const QList<qint64> all = ids[0] + ids[1];
    EXPECT_EQ(QSet<qint64>(all.cbegin(), all.cend()).size(), 2 * perThread);
    EXPECT_EQ(m_store.count(), 2 * perThread);
    EXPECT_EQ(m_store.count(QStringLiteral("поток 1 ")), perThread);
}
