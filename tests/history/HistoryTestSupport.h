#pragma once

#include "history/HistoryEntry.h"
#include "history/HistoryPage.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <ostream>

// What the history tests share: readable failures, entries, and files made with SQL of the
// test's own, as another copy or an older program would have left them.

inline void PrintTo(const QString &text, std::ostream *out)
{
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QByteArray &bytes, std::ostream *out)
{
    *out << '"' << bytes.toStdString() << '"';
}

inline void PrintTo(const QStringList &list, std::ostream *out)
{
    *out << '{' << list.join(QStringLiteral(" | ")).toStdString() << '}';
}

// An entry with this title and the rest filled in, made at a fixed time.
HistoryEntry entryTitled(const QString &title);

QStringList titlesOf(const QList<HistoryEntry> &entries);
QStringList titlesOf(const HistoryPage &page);

void writeFileBytes(const QString &path, const QByteArray &bytes);
QByteArray readFileBytes(const QString &path);

// Runs the statements on the database file at path through a connection of the test's own;
// false (and the error on stderr) when one fails.
bool runSql(const QString &path, const QStringList &statements);
// The file's PRAGMA user_version, or -1.
int userVersionOf(const QString &path);
