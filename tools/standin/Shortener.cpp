#include "Shortener.h"

#include "ShortCode.h"

#include <httplib.h>

Shortener::Shortener(std::string baseAddress) : m_baseAddress(std::move(baseAddress)) {}

Shortener::Answer Shortener::shorten(const std::optional<std::string> &url)
{
    if (!url || !(url->starts_with("http://") || url->starts_with("https://")))
        return {400, "Bad Request: the form field url must hold an http or https address\n"};
    if (url->find("/e/_failshort") != std::string::npos)
        return {503, "Service Unavailable: this link cannot be shortened\n"};
    const std::string code = shortCode(*url, 6);
    {
        const std::lock_guard lock(m_mutex);
        m_targets[code] = *url;
    }
    return {200, m_baseAddress + "/" + code};
}

std::optional<std::string> Shortener::target(const std::string &code) const
{
    const std::lock_guard lock(m_mutex);
    const auto found = m_targets.find(code);
    if (found == m_targets.end())
        return std::nullopt;
    return found->second;
}

void Shortener::install(httplib::Server &server)
{
    server.Post("/--", [this](const httplib::Request &in, httplib::Response &out) {
        const auto url =
            in.has_param("url") ? std::optional(in.get_param_value("url")) : std::nullopt;
        const Answer answer = shorten(url);
        out.status = answer.httpStatus;
        out.set_content(answer.body, "text/plain; charset=utf-8");
    });
    server.Get("/([0-9A-Za-z]+)", [this](const httplib::Request &in, httplib::Response &out) {
        if (const auto url = target(in.matches[1]))
            out.set_redirect(*url);
        else
            out.status = 404;
    });
}
