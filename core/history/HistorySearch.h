#pragma once

#include <QString>
#include <QVariantList>

struct HistoryEntry;

// How a filter text selects rows of the history: those whose title, address, tracking ID,
// partner link or short link holds the text, in any case, Cyrillic as well as Latin (SQLite's
// own LIKE folds ASCII letters only). Each row keeps those texts case-folded in one column; a
// folded filter of three characters or more is looked up in its trigram index. A shorter one
// is narrowed down by the index's terms that start with it (see anyOf()), or, when too many
// do, sought in every row.
struct HistorySearch
{
    // The FROM and WHERE clauses of a query over the table links as "l", the expression of a
    // row's id, and the values WHERE binds, in order.
    QString from;
    QString where;
    QString id;
    QVariantList values;
    bool readsEveryRow = false; // no index helps

    // Blanks around the text do not count; an empty text selects every row.
    static HistorySearch of(const QString &filter);
    // The rows whose folded text holds any of these index terms; none when there are none. The
    // folded text ends with two line breaks, so that every place of a text of one or two
    // characters begins a term: the terms that start with it find exactly its rows.
    static HistorySearch anyOf(const QStringList &terms);
    // What the column "folded" holds for a row.
    static QString foldedText(const QString &title, const QString &address,
                              const QString &trackingId, const QString &partnerLink,
                              const QString &shortLink);
    static QString foldedText(const HistoryEntry &entry);
};
