#include "TrimText.h"

namespace {
bool isTrimmedAway(QChar c)
{
    return c.unicode() <= 32;
}
} // namespace

QString TrimText(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmedAway(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmedAway(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}
