#include "links/PartnerLink.h"

#include "RemoteText.h"
#include "TrimText.h"
#include "links/LinkRun.h"
#include "links/OpenPlatformLink.h"
#include "links/PortalsOpenLink.h"
#include "links/RemoteLink.h"

#include <QStringList>

#include <exception>

namespace {

const QString ShortenerPath = QStringLiteral("/--");
const QString ShortFailedLine = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString ShortLinkLine = QStringLiteral("Короткая партнёрская от Яндекса: ");

} // namespace

void GeneratePartnerLink(const LinkRequest &request, PartnerLinkView &view, HttpClient &http,
                         const LinkServices &services)
{
    view.clearLog();
    view.setPartnerLink(QString());
    // No short link may outlive the run that made it.
    view.setShortLink(QString());
    view.setPartnerLinkToolTip(QString());
    MadeLink made;
    made.trackingId = request.trackingId;
    made.address = request.pageUrl;

    const LinkRun run{request, view, http, services};
    const bool linkRead = TrimText(request.params.app_secret).isEmpty()
                              ? RequestPortalsOpenLink(run, made.partnerLink)
                              : RequestOpenPlatformLink(run, made);
    if (!linkRead)
        return;
    made.shortLink = RequestShortLink(view, http, made.partnerLink, services);
    if (!made.partnerLink.isEmpty())
        view.linkMade(made);
}

QString RequestShortLink(PartnerLinkView &view, HttpClient &http, const QString &partnerLink,
                         const LinkServices &services)
{
    const QStringList form{QStringLiteral("url=") + partnerLink};
    QString shortLink;
    try {
        shortLink = http.Post(services.shortener + ShortenerPath, form);
    } catch (const std::exception &) {
        view.AddLog(ShortFailedLine);
        return QString();
    }
    // The answer goes to a field and the clipboard: only an address will do.
    shortLink = RemoteText::cleaned(shortLink);
    if (!RemoteLink::fault(shortLink).isEmpty()) {
        view.AddLog(ShortFailedLine);
        return QString();
    }
    view.setShortLink(shortLink);
    view.AddLog(ShortLinkLine + shortLink);
    view.AddLog(QString());
    return shortLink;
}
