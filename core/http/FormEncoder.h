#pragma once

#include <QString>
#include <QStringList>

// The body of an "application/x-www-form-urlencoded" POST, built from "name=value" lines.
namespace FormEncoder {

// One text: a space becomes "+", letters, digits and "*-._" stay, every other character
// becomes "%" and two upper-case hex digits per UTF-8 byte; an unpaired surrogate, which
// has no UTF-8 form, becomes "&#" + its code in decimal + ";".
QString encodeText(const QString &text);
// A line with "=" has its name and value encoded apart; a line without is a bare value.
QString encodeLine(const QString &line);
// The encoded lines joined with "&", blanks trimmed from the ends of the whole.
QString joinLines(const QStringList &encodedLines);
// encodeLine on each line, then joinLines.
QString encodeForm(const QStringList &lines);

} // namespace FormEncoder
