#include "widgets/PlainToolTip.h"

namespace {
constexpr qsizetype MaxLength = 300;
} // namespace

QString PlainToolTip(const QString &text)
{
    if (text.isEmpty())
        return QString();
    const QString shown = text.size() > MaxLength ? text.left(MaxLength - 1) + u'…' : text;
    // An explicit rich-text document of escaped text: Qt renders it as written.
    return QStringLiteral("<qt>%1</qt>").arg(shown.toHtmlEscaped());
}
