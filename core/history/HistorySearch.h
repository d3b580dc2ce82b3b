#pragma once

#include <QString>
#include <QVariantList>

// How a filter text selects rows of the history: those whose title, address, tracking ID,
// partner link or short link holds the text, in any case, Cyrillic as well as Latin. A text of
// three characters or more is looked up in the search index; a shorter one, which a trigram
// index cannot look up, is matched against every row as a pattern in which each letter stands
// for all its cases (SQLite's LIKE folds ASCII letters only).
struct HistorySearch
{
    // The FROM and WHERE clauses of a query over the table links as "l", the expression of a
    // row's id, and the values WHERE binds, in order.
    QString from;
    QString where;
    QString id;
    QVariantList values;

    // Blanks around the text do not count; an empty text selects every row.
    static HistorySearch of(const QString &filter);
};
