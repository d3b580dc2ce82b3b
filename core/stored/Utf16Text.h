#pragma once

#include <QByteArray>
#include <QString>
#include <QSysInfo>

#include <optional>

// UTF-16 text files, code unit by code unit: nothing is validated or replaced, so whatever
// a file holds comes back byte for byte.
namespace Utf16Text {

// The byte order a UTF-16 byte-order mark at the start of bytes gives, if there is one.
std::optional<QSysInfo::Endian> byteOrderOf(const QByteArray &bytes);
// Every two bytes become one character; an odd last byte is ignored.
QString decode(const QByteArray &bytes, QSysInfo::Endian order);
QByteArray encodeWithMark(const QString &text, QSysInfo::Endian order);

} // namespace Utf16Text
