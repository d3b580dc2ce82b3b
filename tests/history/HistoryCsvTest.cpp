#include "history/HistoryCsv.h"
#include "HistoryTestSupport.h"
#include "LumettaError.h"
#include "history/HistoryStore.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <functional>

namespace {

const QByteArray header = "\xEF\xBB\xBF"
                          "Когда (UTC),Tracking ID,Адрес,ID товара,Название,Цена,Валюта,"
                          "\"Комиссия, %\",Партнёрская ссылка,Короткая ссылка\r\n";

// The fields of entryTitled() around the title, the price and the commission.
QByteArray rowOf(const QByteArray &title, const QByteArray &price, const QByteArray &commission)
{
    return "2026-03-14 09:26:53,blog,https://aliexpress.ru/item/1005003091506814.html,"
           "1005003091506814," +
           title + ',' + price + ",RUB," + commission +
           ",https://s.click.aliexpress.com/e/_DdXyZ1,https://clck.ru/3Ab9z\r\n";
}

} // namespace

TEST(HistoryCsv, RowsQuoteWhatNeedsQuotingAndWriteNumbersPlainly)
{
    const struct
    {
        const char *name;
        std::function<void(HistoryEntry &)> change;
        QByteArray row;
    } cases[] = {
        {"plain", [](HistoryEntry &) {}, rowOf("Наушники", "1299.5", "7.5")},
        {"comma, quotes and a line break",
         [](HistoryEntry &entry) { entry.title = "Кабель \"USB-C\", 2 м\r\nчёрный"; },
         rowOf("\"Кабель \"\"USB-C\"\", 2 м\r\nчёрный\"", "1299.5", "7.5")},
        {"unknown numbers",
         [](HistoryEntry &entry) {
             entry.price.reset();
             entry.commissionRate.reset();
         },
         rowOf("Наушники", "", "")},
        {"numbers large, small and long",
         [](HistoryEntry &entry) {
             entry.price = 12345678.25;
             entry.commissionRate = 0.0000001;
         },
         rowOf("Наушники", "12345678.25", "0.0000001")},
        {"formulas are not run",
         [](HistoryEntry &entry) { entry.title = "=HYPERLINK(\"http://x\",\"y\")"; },
         rowOf("\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\"", "1299.5", "7.5")},
        {"a leading minus, plus or at sign",
         [](HistoryEntry &entry) {
             entry.title = "-30% скидка";
             entry.trackingId = "@me";
             entry.currency = "+7";
         },
         QByteArray(rowOf("'-30% скидка", "1299.5", "7.5"))
             .replace(",blog,", ",'@me,")
             .replace(",RUB,", ",'+7,")},
        {"a time with an offset is written in UTC",
         [](HistoryEntry &entry) {
             entry.madeAt =
                 QDateTime(QDate(2026, 3, 14), QTime(12, 26, 53, 999), QTimeZone(3 * 3600));
         },
         rowOf("Наушники", "1299.5", "7.5")},
    };
    for (const auto &test : cases) {
        HistoryEntry entry = entryTitled(QStringLiteral("Наушники"));
        test.change(entry);
        EXPECT_EQ(HistoryCsv::row(entry), test.row) << test.name;
    }
}

TEST(HistoryCsv, ExportWritesTheMatchingRowsNewestFirst)
{
    const QTemporaryDir folder;
    HistoryStore store(folder.filePath(QStringLiteral("history.sqlite")));
    HistoryEntry older = entryTitled(QStringLiteral("Лампа"));
    older.price.reset();
    HistoryEntry newer = entryTitled(QStringLiteral("Лампа настольная, \"LED\""));
    newer.madeAt = newer.madeAt.addSecs(60);
    newer.shortLink.clear();
    store.add(older);
    store.add(newer);
    store.add(entryTitled(QStringLiteral("Чайник")));

    const QString path = folder.filePath(QStringLiteral("экспорт.csv"));
    EXPECT_EQ(HistoryCsv::start(), header);
    store.exportCsv(path, QStringLiteral("ЛАМПА"));
    EXPECT_EQ(readFileBytes(path),
              header + "2026-03-14 09:27:53,blog,https://aliexpress.ru/item/1005003091506814.html,"
                       "1005003091506814,\"Лампа настольная, \"\"LED\"\"\",1299.5,RUB,7.5,"
                       "https://s.click.aliexpress.com/e/_DdXyZ1,\r\n"
                       "2026-03-14 09:26:53,blog,https://aliexpress.ru/item/1005003091506814.html,"
                       "1005003091506814,Лампа,,RUB,7.5,https://s.click.aliexpress.com/e/_DdXyZ1,"
                       "https://clck.ru/3Ab9z\r\n");

    store.exportCsv(path);
    EXPECT_EQ(readFileBytes(path).count("\r\n"), 4);

    const QString unwritable = folder.filePath(QStringLiteral("нет/такой/папки.csv"));
    try {
        store.exportCsv(unwritable);
        ADD_FAILURE() << "no error";
    } catch (const LumettaError &error) {
        EXPECT_TRUE(error.message().startsWith("Не удалось записать файл " + unwritable + ": "))
            << error.what();
    }
}
