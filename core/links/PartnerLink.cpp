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
    QString partnerLink;

    const LinkRun run{request, view, http, services};
    const bool linkRead = TrimText(request.params.app_secret).isEmpty()
                              ? RequestPortalsOpenLink(run, partnerLink)
                              : RequestOpenPlatformLink(run, partnerLink);
    if (linkRead)
        RequestShortLink(view, http, partnerLink, services);
}

void RequestShortLink(PartnerLinkView &view, HttpClient &http, const QString &partnerLink,
                      const LinkServices &services)
{
    const QStringList form{QStringLiteral("url=") + partnerLink};
    QString shortLink;
    try {
        shortLink = http.Post(services.shortener + ShortenerPath, form);
    } catch (const std::exception &) {
        view.AddLog(ShortFailedLine);
        return;
    }
    // The answer goes to a field and the clipboard: only an address will do.
    shortLink = RemoteText::cleaned(shortLink);
    if (!RemoteLink::fault(shortLink).isEmpty()) {
        view.AddLog(ShortFailedLine);
        return;
    }
    view.setShortLink(shortLink);
    view.AddLog(ShortLinkLine + shortLink);
    view.AddLog(QString());
}
