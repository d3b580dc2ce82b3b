#pragma once

#include <QString>

// A tooltip for text that came from a service (a seller's title, an address): shown as the
// plain text it is, never as markup that a tooltip would guess and render (pictures, tables,
// local files), and cut to a sane length. Empty for empty text.
QString PlainToolTip(const QString &text);
