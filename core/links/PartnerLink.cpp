#include "links/PartnerLink.h"

#include "BuildConfig.h"
#include "TrimText.h"
#include "links/OpenPlatformLink.h"
#include "links/PortalsOpenLink.h"
#include "stored/UnParam.h"

#include <QStringList>

#include <exception>

namespace {

const QString ShortenerPath = QStringLiteral("/--");
const QString ShortFailedLine = QStringLiteral("Ошибка получения партнёрской короткой ссылки");
const QString ShortLinkLine = QStringLiteral("Короткая партнёрская от Яндекса: ");

// Counts the runs started in this process, so that a run can tell whether another one
// started while it let pending events run.
quint64 runsStarted = 0;

} // namespace

LinkServices LinkServices::fromBuild()
{
    return {QStringLiteral(LUMETTA_API_GATEWAY), QStringLiteral(LUMETTA_SHORTENER),
            QStringLiteral(LUMETTA_OPEN_PLATFORM)};
}

void GeneratePartnerLink(PartnerLinkView &view, HttpClient &http, const LinkServices &services)
{
    const quint64 run = ++runsStarted;
    view.clearLog();
    view.setPartnerLink(QString());
    // No short link may outlive the run that made it.
    view.setShortLink(QString());
    view.setPartnerLinkToolTip(QString());
    QString partnerLink;

    const bool linkRead = TrimText(AppParams.app_secret).isEmpty()
                              ? RequestPortalsOpenLink(view, http, services, partnerLink)
                              : RequestOpenPlatformLink(view, http, services, partnerLink);
    if (!linkRead)
        return;

    // A run started from here goes to its end first; its pair of links then stands, so this
    // run must not put its own short link beside the other run's partner link.
    view.processPendingEvents();
    if (run != runsStarted)
        return;
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
    view.setShortLink(shortLink);
    view.AddLog(ShortLinkLine + shortLink);
    view.AddLog(QString());
}
