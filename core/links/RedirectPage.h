#pragma once

#include <QString>

// A redirector page: one that answers 200 and sends its visitor on by itself rather than by an
// HTTP redirect, as short-link services do for browsers.
namespace RedirectPage {

// Where the page sends its visitor: the dl_target_url parameter it names (decoded), else the
// address of its meta refresh, else an address its script assigns to location, with HTML or
// script escapes resolved. Possibly relative; empty when the page names none.
QString targetOf(const QString &html);

} // namespace RedirectPage
