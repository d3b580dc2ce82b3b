#pragma once

#include <QByteArray>
#include <QString>

// What the meta elements of an HTML document declare about its charset, found by a
// tolerant scan of its bytes up to the end of its head. The scan copies nothing but the
// values it returns, so a document of hundreds of thousands of meta elements reads in one
// quick pass.
struct HtmlMeta
{
    // The content of the last <meta http-equiv="Content-Type" content="...">, trimmed; null
    // when there is none. Other http-equiv names play no part in choosing a charset.
    QString contentType;
    // The last <meta charset="..."> value; null when there is none.
    QString charset;

    static HtmlMeta scan(const QByteArray &document);
};
