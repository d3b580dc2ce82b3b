#pragma once

#include "http/HttpClient.h"
#include "links/LinkServices.h"

#include <QString>

// The shortener as a post run calls it: one form POST a partner link, all over one kept-alive
// connection (HttpClient::PostKeepAlive), so that a post of many links pays for one connection.
namespace PostShortener {

struct ShortLink
{
    QString link;    // empty after a failure
    QString failure; // why, on one line
};

// The short link for a partner link: the shortener's answer, cleaned, when it is an http or
// https address. Never throws a failure of its own (what the client's wait hook throws to stop
// the run goes through).
ShortLink shorten(HttpClient &http, const LinkServices &services, const QString &partnerLink);

} // namespace PostShortener
