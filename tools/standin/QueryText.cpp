#include "QueryText.h"

namespace QueryText {
namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

} // namespace

std::string_view queryOf(std::string_view target)
{
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos)
        return {};
    std::string_view query = target.substr(question + 1);
    return query.substr(0, query.find('#'));
}

std::string decode(std::string_view text, bool plusIsSpace)
{
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '+' && plusIsSpace) {
            bytes += ' ';
        } else if (c == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            bytes += char(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            bytes += c;
        }
    }
    return bytes;
}

Pairs parse(std::string_view query)
{
    Pairs pairs;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view part = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        if (part.empty())
            continue;
        const std::size_t equals = part.find('=');
        if (equals == std::string_view::npos)
            pairs.emplace_back(decode(part), std::string());
        else
            pairs.emplace_back(decode(part.substr(0, equals)), decode(part.substr(equals + 1)));
    }
    return pairs;
}

std::vector<std::string> splitAtCommas(const std::string &text)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

} // namespace QueryText
