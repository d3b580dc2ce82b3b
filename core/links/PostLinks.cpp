#include "links/PostLinks.h"

#include "TrimText.h"
#include "links/PostAddresses.h"
#include "links/PostConversion.h"

#include <QUrl>

#include <algorithm>

namespace PostLinks {

QList<PostRow> addressesIn(const QString &text)
{
    return addressesIn(text, QUrl(LinkServices::fromBuild().openPlatform).host());
}

QList<PostRow> addressesIn(const QString &text, const QString &serviceHost)
{
    return PostAddresses::find(text, serviceHost);
}

bool Convert(const PostRequest &request, PostView &view, HttpClient &http,
             const LinkServices &services)
{
    if (TrimText(request.params.api_key).isEmpty() || TrimText(request.params.app_secret).isEmpty())
        return false;
    PostConversion(request, view, http, services).run();
    return true;
}

QString replaced(const QString &text, const QList<PostRow> &rows, bool shortLinks)
{
    QList<const PostRow *> ordered;
    for (const PostRow &row : rows)
        ordered.append(&row);
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const PostRow *a, const PostRow *b) { return a->start < b->start; });
    QString result;
    qsizetype done = 0;
    for (const PostRow *row : ordered) {
        const QString &link =
            shortLinks && !row->shortLink.isEmpty() ? row->shortLink : row->partnerLink;
        // Rows of another text, or overlapping ones, never cut into the text.
        const bool standsThere = row->start >= done && !row->address.isEmpty() &&
                                 text.mid(row->start, row->address.size()) == row->address;
        if (link.isEmpty() || !standsThere)
            continue;
        result += QStringView(text).sliced(done, row->start - done);
        result += link;
        done = row->start + row->address.size();
    }
    result += QStringView(text).sliced(done);
    return result;
}

} // namespace PostLinks
