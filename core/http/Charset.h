#pragma once

#include <QByteArray>
#include <QString>

// Decoding of answer bodies by charset name.
namespace Charset {

// Decodes with the charset registered under this name (any case). Invalid sequences become
// U+FFFD and a byte-order mark is kept as a character. A name that is not known, or an
// empty one, maps each byte to the character with the same code.
QString decode(const QByteArray &bytes, const QString &name);
bool isKnown(const QString &name);

// The charset an XML document declares: its byte-order mark, else the encoding of its XML
// declaration, else "UTF-8".
QString xmlDocumentCharset(const QByteArray &document);

} // namespace Charset
