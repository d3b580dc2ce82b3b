#pragma once

#include <QString>
#include <QStringList>

// Lines joined into one comma-separated text: a line holding a blank, a control character,
// a comma or a double quote is enclosed in double quotes with its inner quotes doubled, and a
// single empty line gives two double quotes.
QString CommaText(const QStringList &lines);
