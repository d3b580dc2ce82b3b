#pragma once

#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace httplib {
class Server;
}

// The stand-in for the URL shortener: POST "/--" with the form field `url` answers a short
// link as plain text; a GET of the short link's path redirects to the address it stands for.
class Shortener
{
public:
    struct Answer
    {
        int httpStatus = 200;
        std::string body;
    };

    // baseAddress: scheme, host and port under which this shortener is reached.
    explicit Shortener(std::string baseAddress);

    // The answer to a POST whose form held `url` (nullopt when the field is absent).
    Answer shorten(const std::optional<std::string> &url);
    // The address a short code stands for, when this shortener issued it.
    std::optional<std::string> target(const std::string &code) const;

    void install(httplib::Server &server);

private:
    std::string m_baseAddress;
    mutable std::mutex m_mutex;
    std::map<std::string, std::string> m_targets;
};
