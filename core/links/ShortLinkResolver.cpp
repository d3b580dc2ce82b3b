#include "links/ShortLinkResolver.h"

#include "RemoteText.h"
#include "links/LogLines.h"
#include "links/ProductAddress.h"
#include "links/RedirectPage.h"
#include "links/ServiceErrorMeanings.h"

#include <QSet>
#include <QUrl>

namespace {

const QString ResolvedLine = QStringLiteral("Ссылка %1 ведёт на %2");
const QString FailedLine = QStringLiteral("Не удалось раскрыть ссылку %1: %2");
const QString NoRedirectLine = QStringLiteral("Ссылка %1 никуда не перенаправляет");
const QString NotFollowedLine =
    QStringLiteral("Ссылка %1 не раскрыта: её сайт не из тех, что дают короткие ссылки");
const QString NotHttpLine = QStringLiteral("Переход не по HTTP отклонён: %1");
const QString LoopLine = QStringLiteral("Ссылки ведут по кругу: %1");
const QString TooManyLine = QStringLiteral("Больше %1 переходов, ссылка %2 не раскрыта");

bool isWebAddress(const QUrl &url)
{
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https");
}

// Addresses on the way come from the services: shown without what could forge a log line.
QString shown(const QString &address)
{
    return RemoteText::cleaned(address);
}

// Encoded, so that the next request line holds ASCII only.
QString resolved(const QString &base, const QString &reference)
{
    return QUrl(base).resolved(QUrl(reference)).toString(QUrl::FullyEncoded);
}

} // namespace

std::optional<QString> ShortLinkResolver::productId(const QString &address)
{
    const std::optional<QString> page = productPage(address);
    return page ? ProductAddress::productId(*page) : std::nullopt;
}

std::optional<QString> ShortLinkResolver::productPage(const QString &address)
{
    QSet<QString> seen{address};
    QString current = address;
    for (int hop = 0; hop < MaxHops; ++hop) {
        const auto next = nextAddress(current);
        if (!next)
            return std::nullopt;
        m_view.AddLog(ResolvedLine.arg(shown(current), shown(*next)));
        if (!isWebAddress(QUrl(*next))) {
            m_view.AddLog(NotHttpLine.arg(shown(*next)));
            return std::nullopt;
        }
        if (ProductAddress::productId(*next))
            return next;
        if (seen.contains(*next)) {
            m_view.AddLog(LoopLine.arg(shown(*next)));
            return std::nullopt;
        }
        seen.insert(*next);
        current = *next;
    }
    m_view.AddLog(TooManyLine.arg(MaxHops).arg(shown(address)));
    return std::nullopt;
}

std::optional<QString> ShortLinkResolver::nextAddress(const QString &address)
{
    const QString target = ProductAddress::targetOf(address);
    if (!target.isEmpty())
        return target;
    if (!ProductAddress::isFollowedHost(QUrl(address).host(), m_serviceHost)) {
        m_view.AddLog(NotFollowedLine.arg(shown(address)));
        return std::nullopt;
    }
    return redirectOf(address);
}

void ShortLinkResolver::logFailure(const QString &address, const QString &message)
{
    m_view.AddLog(FailedLine.arg(shown(address), message));
    if (const QString meaning = ServiceErrorMeanings::ofTransportFailure(message);
        !meaning.isEmpty())
        m_view.AddLog(meaning);
}

std::optional<QString> ShortLinkResolver::redirectOf(const QString &address)
{
    QString page;
    try {
        page = m_http.Get(address);
    } catch (const HttpStatusError &error) {
        if (error.code() / 100 == 3 && !error.location().isEmpty())
            return resolved(address, error.location());
        logFailure(address, error.message());
        return std::nullopt;
    } catch (const std::exception &error) {
        logFailure(address, LogLines::messageOf(error));
        return std::nullopt;
    }
    // Some short-link services answer browsers with a page that sends them on.
    const QString target = RedirectPage::targetOf(page);
    if (!target.isEmpty())
        return resolved(address, target);
    m_view.AddLog(NoRedirectLine.arg(shown(address)));
    return std::nullopt;
}
