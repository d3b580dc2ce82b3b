#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// What the meta elements of an HTML document declare, found by a tolerant scan of its
// bytes up to the end of its head.
struct HtmlMeta
{
    // http-equiv name and content, in document order.
    QList<std::pair<QString, QString>> httpEquiv;
    // The last <meta charset="..."> value; null when there is none.
    QString charset;

    static HtmlMeta scan(const QByteArray &document);
};
