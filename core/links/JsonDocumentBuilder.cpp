#include "links/JsonDocumentBuilder.h"

#include <charconv>
#include <limits>
#include <string_view>

namespace {

bool isIntegerText(std::string_view text)
{
    return text.find_first_of(".eE") == std::string_view::npos;
}

// For a number too large or too small for a double: whether it is too small, judged by the
// position of its first significant digit. Its syntax was checked by the reader.
bool isTiny(std::string_view text)
{
    std::size_t i = text.starts_with('-') ? 1 : 0;
    long long magnitude = 0;
    while (i < text.size() && text[i] == '0')
        ++i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        ++magnitude;
    if (magnitude == 0 && i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && text[i] == '0'; ++i)
            --magnitude;
    }
    const std::size_t exponent = text.find_first_of("eE");
    if (exponent == std::string_view::npos)
        return magnitude <= 0;
    std::string_view digits = text.substr(exponent + 1);
    const bool negative = digits.starts_with('-');
    if (negative || digits.starts_with('+'))
        digits.remove_prefix(1);
    long long value = 0;
    for (char c : digits)
        value = std::min(value * 10 + (c - '0'), 1LL << 40); // large enough to decide
    return magnitude + (negative ? -value : value) <= 0;
}

double doubleOf(std::string_view text)
{
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        const double huge = std::numeric_limits<double>::infinity();
        const double sign = text.starts_with('-') ? -1 : 1;
        return isTiny(text) ? 0.0 : sign * huge;
    }
    return value;
}

} // namespace

bool JsonDocumentBuilder::RawNumber(const Ch *text, SizeType length, bool)
{
    const std::string_view number(text, length);
    const char *end = number.data() + number.size();
    if (isIntegerText(number)) {
        if (number.starts_with('-')) {
            int64_t value = 0;
            if (std::from_chars(number.data(), end, value).ec == std::errc())
                return m_document.Int64(value);
        } else {
            uint64_t value = 0;
            if (std::from_chars(number.data(), end, value).ec == std::errc())
                return m_document.Uint64(value);
        }
    }
    return m_document.Double(doubleOf(number));
}
