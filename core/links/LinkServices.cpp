#include "links/LinkServices.h"

#include "BuildConfig.h"

LinkServices LinkServices::fromBuild()
{
    return {QStringLiteral(LUMETTA_API_GATEWAY), QStringLiteral(LUMETTA_SHORTENER),
            QStringLiteral(LUMETTA_OPEN_PLATFORM)};
}
