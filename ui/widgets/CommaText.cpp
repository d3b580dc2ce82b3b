#include "widgets/CommaText.h"

namespace {

bool needsQuotes(const QString &line)
{
    for (const QChar c : line) {
        if (c.unicode() <= 32 || c == QLatin1Char(',') || c == QLatin1Char('"'))
            return true;
    }
    return false;
}

} // namespace

QString CommaText(const QStringList &lines)
{
    if (lines.size() == 1 && lines.first().isEmpty())
        return QStringLiteral("\"\"");
    QStringList fields;
    for (const QString &line : lines) {
        if (needsQuotes(line)) {
            QString quoted = line;
            quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
            fields << QLatin1Char('"') + quoted + QLatin1Char('"');
        } else {
            fields << line;
        }
    }
    return fields.join(QLatin1Char(','));
}
