#pragma once

#include <QString>

// The text without its leading and trailing characters of codes 0 to 32 (blanks and control
// characters, wider than the Unicode white space that QString::trimmed removes).
QString TrimText(const QString &text);
