#include "history/HistorySearch.h"

#include <QList>

namespace {

constexpr qsizetype IndexedLength = 3; // the trigram index looks up nothing shorter

const QString searchedColumns[] = {
    QStringLiteral("l.title"), QStringLiteral("l.address"), QStringLiteral("l.tracking_id"),
    QStringLiteral("l.partner_link"), QStringLiteral("l.short_link")};

// One phrase of the index's query language: the text as it stands, quotes doubled.
QString indexPhrase(QString text)
{
    return QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
           QLatin1Char('"');
}

// A GLOB pattern matching the text anywhere, each letter in any of its cases. GLOB's own
// special characters go into classes of their own, where they stand for themselves.
QString casePattern(const QList<char32_t> &characters)
{
    QString pattern = QStringLiteral("*");
    for (const char32_t character : characters) {
        QList<char32_t> cases;
        for (const char32_t variant : {character, QChar::toLower(character),
                                       QChar::toUpper(character), QChar::toTitleCase(character)})
            if (!cases.contains(variant))
                cases.append(variant);
        const QString text = QString::fromUcs4(cases.constData(), cases.size());
        const bool special = character == U'*' || character == U'?' || character == U'[';
        pattern += cases.size() > 1 || special ? QLatin1Char('[') + text + QLatin1Char(']') : text;
    }
    return pattern + QLatin1Char('*');
}

} // namespace

HistorySearch HistorySearch::of(const QString &filter)
{
    const QString text = filter.trimmed();
    if (text.isEmpty())
        return {QStringLiteral("links l"), QStringLiteral("1"), QStringLiteral("l.id"), {}};
    QList<char32_t> characters;
    for (const uint character : text.toUcs4())
        characters.append(char32_t(character));
    if (characters.size() >= IndexedLength)
        return {QStringLiteral("links_search s JOIN links l ON l.id = s.rowid"),
                QStringLiteral("links_search MATCH ?"),
                QStringLiteral("s.rowid"),
                {indexPhrase(text)}};

    HistorySearch search{QStringLiteral("links l"), {}, QStringLiteral("l.id"), {}};
    QStringList alternatives;
    for (const QString &column : searchedColumns) {
        alternatives << column + QStringLiteral(" GLOB ?");
        search.values << casePattern(characters);
    }
    search.where = QLatin1Char('(') + alternatives.join(QStringLiteral(" OR ")) + QLatin1Char(')');
    return search;
}
