#include "links/WebPages.h"

#include "BuildConfig.h"

namespace {
QString portal(const char *path)
{
    return QStringLiteral("http://" LUMETTA_PORTAL_HOST) + QLatin1String(path);
}
} // namespace

namespace WebPages {
QString help()
{
    return QStringLiteral(LUMETTA_MAKER_SITE "/soft/lumetta");
}

QString donate()
{
    return help() + QStringLiteral("#donate");
}

QString portalHome()
{
    return portal("/");
}

QString portalApiSettings()
{
    return portal("/adcenter/api_setting.htm");
}

QString portalTrackingIds()
{
    return portal("/track_id_manage.htm");
}

QString openPlatformConsole()
{
    // An affiliate's apps, each with its App Key and App Secret, are listed after signing in.
    return QStringLiteral("https://openservice.aliexpress.com/");
}

QString defaultPageAddress()
{
    return QStringLiteral("http://" LUMETTA_MARKET_HOST "/");
}
} // namespace WebPages
