#include "links/PostShortener.h"

#include "RemoteText.h"
#include "links/LogLines.h"
#include "links/RemoteLink.h"

#include <QStringList>

#include <exception>

namespace PostShortener {
namespace {

const QString ShortenerPath = QStringLiteral("/--");
const QString UnusableAnswer = QStringLiteral("ответ сервиса непригоден: ");

} // namespace

ShortLink shorten(HttpClient &http, const LinkServices &services, const QString &partnerLink)
{
    QString answer;
    try {
        answer = http.PostKeepAlive(services.shortener + ShortenerPath,
                                    {QStringLiteral("url=") + partnerLink});
    } catch (const std::exception &error) {
        return {QString(), LogLines::messageOf(error).simplified()};
    }
    // The answer goes into the post and onto the clipboard: only an address will do.
    const QString link = RemoteText::cleaned(answer);
    if (const QString fault = RemoteLink::fault(link); !fault.isEmpty())
        return {QString(), UnusableAnswer + fault};
    return {link, QString()};
}

} // namespace PostShortener
