#include "history/HistorySearch.h"

#include "history/HistoryEntry.h"

#include <QStringList>

namespace {

constexpr qsizetype IndexedLength = 3; // the trigram index looks up nothing shorter

// One phrase of the index's query language: the text as it stands, quotes doubled.
QString indexPhrase(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

} // namespace

HistorySearch HistorySearch::of(const QString &filter)
{
    const QString text = filter.trimmed().toCaseFolded();
    if (text.isEmpty())
        return {QStringLiteral("links l"), QStringLiteral("1"), QStringLiteral("l.id"), {}};
    if (text.toUcs4().size() >= IndexedLength)
        return {QStringLiteral("links_search s JOIN links l ON l.id = s.rowid"),
                QStringLiteral("links_search MATCH ?"),
                QStringLiteral("s.rowid"),
                {indexPhrase(text)}};
    return {QStringLiteral("links l"),
            QStringLiteral("instr(l.folded, ?) > 0"),
            QStringLiteral("l.id"),
            {text},
            true};
}

HistorySearch HistorySearch::anyOf(const QStringList &terms)
{
    if (terms.isEmpty())
        return {QStringLiteral("links l"), QStringLiteral("0"), QStringLiteral("l.id"), {}};
    QStringList phrases;
    for (const QString &term : terms)
        phrases << indexPhrase(term);
    return {QStringLiteral("links_search s JOIN links l ON l.id = s.rowid"),
            QStringLiteral("links_search MATCH ?"),
            QStringLiteral("s.rowid"),
            {phrases.join(QStringLiteral(" OR "))}};
}

QString HistorySearch::foldedText(const QString &title, const QString &address,
                                  const QString &trackingId, const QString &partnerLink,
                                  const QString &shortLink)
{
    // A line break between the texts: a filter, typed on one line, matches within one of them.
    // Two at the end: see anyOf().
    return (QStringList{title, address, trackingId, partnerLink, shortLink}.join(
                QLatin1Char('\n')) +
            QStringLiteral("\n\n"))
        .toCaseFolded();
}

QString HistorySearch::foldedText(const HistoryEntry &entry)
{
    return foldedText(entry.title, entry.address, entry.trackingId, entry.partnerLink,
                      entry.shortLink);
}
