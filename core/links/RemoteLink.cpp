#include "links/RemoteLink.h"

#include "RemoteText.h"

#include <QUrl>

#include <algorithm>

namespace RemoteLink {

QString fault(const QString &link)
{
    if (link.size() > MaxLength)
        return QStringLiteral("длиннее %1 символов").arg(MaxLength);
    if (std::any_of(link.begin(), link.end(), RemoteText::isUnsafe))
        return QStringLiteral("в ней управляющие символы");
    const QUrl url(link, QUrl::StrictMode);
    const bool web = link.startsWith(u"http://", Qt::CaseInsensitive) ||
                     link.startsWith(u"https://", Qt::CaseInsensitive);
    const bool blank = std::any_of(link.begin(), link.end(), [](QChar c) { return c.isSpace(); });
    if (!web || blank || !url.isValid() || url.host().isEmpty())
        return QStringLiteral("это не адрес http или https");
    return QString();
}

} // namespace RemoteLink
