#pragma once

#include <QString>

// Text that came from a remote service, made safe to show: a line break or a control
// character in it would forge log lines or reach the clipboard, and a bidirectional override
// would show a link other than the one it is.
namespace RemoteText {

// Whether c is a C0 or C1 control character (DEL included) or a bidirectional embedding,
// override or isolate (U+202A to U+202E, U+2066 to U+2069).
bool isUnsafe(QChar c);
// The text without its unsafe characters; everything else as received.
QString cleaned(const QString &text);

} // namespace RemoteText
