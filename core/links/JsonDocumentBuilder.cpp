#include "links/JsonDocumentBuilder.h"

#include <rapidjson/reader.h>

#include <charconv>
#include <limits>
#include <string_view>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isNumberCharacter(char c)
{
    return isDigit(c) || c == '-' || c == '+' || c == '.' || c == 'e' || c == 'E';
}

// Whether text is exactly one number of the JSON grammar:
// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool isJsonNumber(std::string_view text)
{
    std::size_t i = 0;
    const auto skipDigits = [&] {
        const std::size_t start = i;
        while (i < text.size() && isDigit(text[i]))
            ++i;
        return i > start;
    };
    const auto take = [&](std::string_view any) {
        const bool taken = i < text.size() && any.find(text[i]) != std::string_view::npos;
        i += taken ? 1 : 0;
        return taken;
    };
    take("-");
    if (!take("0") && !skipDigits())
        return false;
    if (take(".") && !skipDigits())
        return false;
    if (take("eE")) {
        take("+-");
        if (!skipDigits())
            return false;
    }
    return i == text.size();
}

// The code unit of the four hexadecimal digits at position at, or -1.
int hexUnit(std::string_view json, std::size_t at)
{
    if (at > json.size() || json.size() - at < 4)
        return -1;
    int unit = 0;
    for (const char c : json.substr(at, 4)) {
        const int digit = isDigit(c)               ? c - '0'
                          : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                          : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                                                   : -1;
        if (digit < 0)
            return -1;
        unit = unit * 16 + digit;
    }
    return unit;
}

bool isHighSurrogate(int unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(int unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

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

JsonDocumentBuilder::Input JsonDocumentBuilder::prepare(std::string_view json)
{
    Input input;
    input.text.reserve(json.size());
    std::size_t i = 0;
    while (i < json.size()) {
        const char c = json[i];
        if (c == '"') {
            i = copyString(json, i, input.text);
        } else if (c == '-' || isDigit(c)) {
            std::size_t end = i;
            while (end < json.size() && isNumberCharacter(json[end]))
                ++end;
            const std::string_view token = json.substr(i, end - i);
            if (isJsonNumber(token)) {
                input.text += '0';
                input.numbers.push_back(token);
            } else {
                input.text += token; // for the reader to refuse
            }
            i = end;
        } else {
            input.text += c;
            ++i;
        }
    }
    return input;
}

// Copies the string that starts with the quote at start, up to its closing quote, and gives
// the position after it.
std::size_t JsonDocumentBuilder::copyString(std::string_view json, std::size_t start,
                                            std::string &out)
{
    out += '"';
    std::size_t i = start + 1;
    while (i < json.size()) {
        const char c = json[i];
        if (c == '"') {
            out += c;
            return i + 1;
        }
        if (c != '\\' || i + 1 == json.size() || json[i + 1] != 'u') {
            // An escape other than \u is copied whole, so that an escaped quote stays inside.
            const std::size_t length = c == '\\' && i + 1 < json.size() ? 2 : 1;
            out += json.substr(i, length);
            i += length;
            continue;
        }
        const int unit = hexUnit(json, i + 2);
        const bool pair = isHighSurrogate(unit) && json.substr(i + 6).starts_with("\\u") &&
                          isLowSurrogate(hexUnit(json, i + 8));
        if (pair) {
            out += json.substr(i, 12);
            i += 12;
        } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
            out += "\\uFFFD";
            i += 6;
        } else {
            out += "\\u"; // the digits follow as they are
            i += 2;
        }
    }
    return i;
}

bool JsonDocumentBuilder::RawNumber(const Ch *text, SizeType length, bool)
{
    // Each number of the prepared text stands for the next one kept aside.
    if (m_nextNumber < m_numbers.size())
        return numberValue(m_numbers[m_nextNumber++]);
    return numberValue(std::string_view(text, length));
}

bool JsonDocumentBuilder::numberValue(std::string_view number)
{
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

bool JsonDocumentBuilder::parseText(std::string_view utf8, rapidjson::Document &document)
{
    // Iterative parsing keeps deep nesting off the call stack; the parse stops after the one
    // value so that what follows it can be checked here. Numbers come as their text.
    constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag |
                               rapidjson::kParseNumbersAsStringsFlag;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
        utf8.remove_prefix(3);
    const Input input = prepare(utf8);
    // The text ends in a NUL, where the stream stops; a NUL inside it ends the value early and
    // is caught by the check of what follows.
    rapidjson::StringStream stream(input.text.c_str());
    bool parsed = false;
    auto parse = [&](rapidjson::Document &target) {
        JsonDocumentBuilder builder(target, input.numbers);
        parsed = !rapidjson::Reader().Parse<flags>(stream, builder).IsError();
        return parsed;
    };
    document.Populate(parse);
    const std::string_view rest = std::string_view(input.text).substr(stream.Tell());
    return parsed && rest.find_first_not_of(" \t\r\n") == std::string_view::npos;
}
