#pragma once

#include <QByteArray>
#include <QString>

// Conversions between the text of the program and the ASCII lines of the HTTP head.
namespace WireText {

bool isAscii(const QString &text);

// Control characters, spaces and non-ASCII units become percent-escapes of their UTF-8
// bytes; every other ASCII character, "%" included, goes out unchanged.
QString escapeRequestTarget(const QString &target);
// Like escapeRequestTarget, but a space stays: header values may hold spaces, never a
// line break, another control character or a non-ASCII unit.
QString escapeHeaderValue(const QString &value);

// One byte per UTF-16 unit: ASCII as itself, any other unit as "?".
QByteArray toWireBytes(const QString &text);
// One character per byte: ASCII as itself, 0x80 and above as U+FFFD.
QString fromWireBytes(const QByteArray &bytes);
// An address from a header, as a browser takes it: control bytes and bytes from 0x80 up
// become percent-escapes (UTF-8 or not), every other byte stays as it came.
QString fromWireAddress(const QByteArray &bytes);

} // namespace WireText
