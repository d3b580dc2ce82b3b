#pragma once

#include <QByteArray>

struct HistoryEntry;

// The history as a CSV file (RFC 4180): UTF-8 with a byte-order mark, so that spreadsheet
// programs read Cyrillic right; commas between fields, CR LF after every row; a field holding
// a comma, a quote or a line break in quotes, its quotes doubled. The first row names the
// columns in Russian. Times are UTC as "yyyy-MM-dd HH:mm:ss"; numbers are plain decimals with
// a dot and as many digits as they need, an unknown one an empty field. A text that a
// spreadsheet would take for a formula (it begins with =, +, -, @, a tab or a CR) gets a
// leading apostrophe, so that opening the file runs nothing a product's title holds.
namespace HistoryCsv {

// The byte-order mark and the header row.
QByteArray start();
QByteArray row(const HistoryEntry &entry);

} // namespace HistoryCsv
