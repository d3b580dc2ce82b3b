#include "links/ShortLinkResolver.h"

#include "links/LogLines.h"
#include "links/ProductAddress.h"

#include <QSet>
#include <QUrl>
#include <QUrlQuery>

namespace {

const QString ResolvedLine = QStringLiteral("Ссылка %1 ведёт на %2");
const QString FailedLine = QStringLiteral("Не удалось раскрыть ссылку %1: %2");
const QString NoRedirectLine = QStringLiteral("Ссылка %1 никуда не перенаправляет");
const QString NotHttpLine = QStringLiteral("Переход не по HTTP отклонён: %1");
const QString LoopLine = QStringLiteral("Ссылки ведут по кругу: %1");
const QString TooManyLine = QStringLiteral("Больше %1 переходов, ссылка %2 не раскрыта");

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https");
}

} // namespace

std::optional<QString> ShortLinkResolver::productId(const QString &address)
{
    QSet<QString> seen{address};
    QString current = address;
    for (int hop = 0; hop < MaxHops; ++hop) {
        const auto next = nextAddress(current);
        if (!next)
            return std::nullopt;
        m_view.AddLog(ResolvedLine.arg(current, *next));
        if (!isWebAddress(QUrl(*next))) {
            m_view.AddLog(NotHttpLine.arg(*next));
            return std::nullopt;
        }
        if (const auto id = ProductAddress::productId(*next))
            return id;
        if (seen.contains(*next)) {
            m_view.AddLog(LoopLine.arg(*next));
            return std::nullopt;
        }
        seen.insert(*next);
        current = *next;
    }
    m_view.AddLog(TooManyLine.arg(MaxHops).arg(address));
    return std::nullopt;
}

std::optional<QString> ShortLinkResolver::nextAddress(const QString &address)
{
    const QUrl url(address);
    const QString landing =
        QUrlQuery(url).queryItemValue(QStringLiteral("redirectUrl"), QUrl::FullyDecoded);
    if (!landing.isEmpty())
        return landing;
    try {
        m_http.Get(address);
    } catch (const HttpStatusError &error) {
        if (error.code() / 100 == 3 && !error.location().isEmpty())
            // Encoded, so that the next request line holds ASCII only.
            return url.resolved(QUrl(error.location())).toString(QUrl::FullyEncoded);
        m_view.AddLog(FailedLine.arg(address, error.message()));
        return std::nullopt;
    } catch (const std::exception &error) {
        m_view.AddLog(FailedLine.arg(address, LogLines::messageOf(error)));
        return std::nullopt;
    }
    m_view.AddLog(NoRedirectLine.arg(address));
    return std::nullopt;
}
