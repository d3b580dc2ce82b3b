#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Code pages named as charsets ("windows-1251", "koi8-r", "cp866", …) and converted by the
// Windows API. Qt built without ICU, as it is for Windows, knows by name only the UTF
// encodings, Latin-1 and the system code page; Windows itself knows the rest by number.
namespace WindowsCodePage {

// The Windows code page number of a charset name, in any case; nothing for a name that
// has none.
std::optional<unsigned> numberOf(const QByteArray &name);

#ifdef _WIN32
// Whether this Windows installs a converter for the code page.
bool isAvailable(unsigned codePage);

// Every byte sequence decodes; what the code page does not define becomes its default
// character.
QString decode(unsigned codePage, const QByteArray &bytes);

// The bytes of text when the code page holds every character of it (no best-fit
// substitutes), else nothing.
std::optional<QByteArray> encodeExactly(unsigned codePage, const QString &text);

// The bytes of text, with "?" for each character the code page does not hold.
QByteArray encode(unsigned codePage, const QString &text);
#endif

} // namespace WindowsCodePage
