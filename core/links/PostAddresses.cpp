#include "links/PostAddresses.h"

#include "links/ProductAddress.h"

#include <QRegularExpression>
#include <QUrl>

#include <algorithm>

namespace PostAddresses {
namespace {

constexpr auto Unicode = QRegularExpression::UseUnicodePropertiesOption;

bool isMarketplaceAddress(const QString &address, const QString &serviceHost)
{
    const QUrl url(address);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    if (ProductAddress::isMarketplaceHost(url.host()))
        return true;
    if (ProductAddress::isFollowedHost(url.host(), serviceHost) &&
        ProductAddress::isShortLink(address, serviceHost))
        return true;
    const QUrl target(ProductAddress::targetOf(address));
    return (target.scheme() == u"http" || target.scheme() == u"https") &&
           ProductAddress::isMarketplaceHost(target.host());
}

PostRow rowAt(qsizetype start, const QString &address)
{
    PostRow row;
    row.address = address;
    row.start = start;
    return row;
}

// Addresses with a scheme; the pasted-text reader takes off what ends a sentence.
void addWebAddresses(const QString &text, const QString &serviceHost, QList<PostRow> &rows,
                     QList<std::pair<qsizetype, qsizetype>> &taken)
{
    static const QRegularExpression web(
        QStringLiteral("https?://(?:(?!,https?://)[^\\s<>\"«»“”])+"),
        QRegularExpression::CaseInsensitiveOption | Unicode);
    for (auto it = web.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        taken.append({match.capturedStart(), match.capturedEnd()});
        const QString address = ProductAddress::fromPastedText(match.captured()).address;
        if (isMarketplaceAddress(address, serviceHost))
            rows.append(rowAt(match.capturedStart(), address));
    }
}

bool overlaps(const QList<std::pair<qsizetype, qsizetype>> &taken, qsizetype start, qsizetype end)
{
    return std::any_of(taken.begin(), taken.end(), [&](const auto &range) {
        return start < range.second && range.first < end;
    });
}

// Words that read as host/path; only the marketplace's own hosts are taken.
void addAddressesWithoutScheme(const QString &text,
                               const QList<std::pair<qsizetype, qsizetype>> &taken,
                               QList<PostRow> &rows)
{
    static const QRegularExpression word(QStringLiteral("\\S+"), Unicode);
    for (auto it = word.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (overlaps(taken, match.capturedStart(), match.capturedEnd()))
            continue;
        const ProductAddress::Pasted pasted = ProductAddress::fromPastedText(match.captured());
        const QString written = pasted.address.mid(QStringLiteral("https://").size());
        const qsizetype offset = match.captured().indexOf(written);
        if (!pasted.schemeAdded || offset < 0 || QUrl(pasted.address).path().size() < 2 ||
            !isMarketplaceAddress(pasted.address, QString()))
            continue;
        rows.append(rowAt(match.capturedStart() + offset, written));
    }
}

} // namespace

QList<PostRow> find(const QString &text, const QString &serviceHost)
{
    QList<PostRow> rows;
    QList<std::pair<qsizetype, qsizetype>> taken;
    addWebAddresses(text, serviceHost, rows, taken);
    addAddressesWithoutScheme(text, taken, rows);
    std::sort(rows.begin(), rows.end(),
              [](const PostRow &a, const PostRow &b) { return a.start < b.start; });
    return rows;
}

QString withScheme(const QString &address)
{
    const bool hasScheme = address.startsWith(u"http://", Qt::CaseInsensitive) ||
                           address.startsWith(u"https://", Qt::CaseInsensitive);
    return hasScheme ? address : QStringLiteral("https://") + address;
}

} // namespace PostAddresses
