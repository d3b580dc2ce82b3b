#include "links/JsonDocumentBuilder.h"

#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <string_view>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Before each block: its whole size and where it came from. Sixteen bytes keep the block
// aligned as malloc's are.
struct BlockHeader
{
    std::size_t bytes;
    bool paged;
};
constexpr std::size_t HeaderBytes = 16;
static_assert(sizeof(BlockHeader) <= HeaderBytes);
// From this size on a block is pages of its own, on Linux, whose heap keeps what a thread
// freed; elsewhere it comes from the heap.
constexpr std::size_t PagedFrom = 64 * 1024;

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

// What prepare() replaces, in the order of the text.
struct Token
{
    enum Kind { Number, LoneSurrogate, End };
    Kind kind;
    std::size_t start = 0;
    std::size_t length = 0;
};

// The token of a backslash at position at inside a string, if it is one; moves at past the
// escape. An escape other than \u is passed over whole, so that an escaped quote stays inside.
std::optional<Token> escapeAt(std::string_view json, std::size_t &at)
{
    if (at + 1 >= json.size() || json[at + 1] != 'u') {
        at = std::min(at + 2, json.size());
        return std::nullopt;
    }
    const int unit = hexUnit(json, at + 2);
    const bool pair = isHighSurrogate(unit) && json.substr(at + 6).starts_with("\\u") &&
                      isLowSurrogate(hexUnit(json, at + 8));
    if (pair) {
        at += 12;
    } else if (isHighSurrogate(unit) || isLowSurrogate(unit)) {
        at += 6;
        return Token{Token::LoneSurrogate, at - 6, 6};
    } else {
        at += 2; // the digits follow as they are
    }
    return std::nullopt;
}

// The next token from at, which it moves past the token; inString tells whether at is inside
// a string. Number-like runs that are no JSON number are passed over, for the reader to refuse.
Token nextToken(std::string_view json, std::size_t &at, bool &inString)
{
    while (at < json.size()) {
        const char c = json[at];
        if (inString) {
            if (c == '"') {
                inString = false;
                ++at;
            } else if (c == '\\') {
                if (const std::optional<Token> token = escapeAt(json, at))
                    return *token;
            } else {
                ++at;
            }
        } else if (c == '"') {
            inString = true;
            ++at;
        } else if (c == '-' || isDigit(c)) {
            const std::size_t start = at;
            while (at < json.size() && isNumberCharacter(json[at]))
                ++at;
            if (isJsonNumber(json.substr(start, at - start)))
                return {Token::Number, start, at - start};
        } else {
            ++at;
        }
    }
    return {Token::End};
}

} // namespace

void *JsonDocumentBuilder::PageAllocator::Malloc(std::size_t size)
{
    if (size == 0)
        return nullptr;
    const std::size_t bytes = size + HeaderBytes;
    void *block = nullptr;
    bool paged = false;
#ifdef __linux__
    if (bytes >= PagedFrom) {
        block = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        paged = block != MAP_FAILED;
        if (!paged)
            block = nullptr;
    }
#endif
    if (!block)
        block = std::malloc(bytes);
    if (!block)
        throw std::bad_alloc();
    new (block) BlockHeader{bytes, paged};
    return static_cast<char *>(block) + HeaderBytes;
}

void *JsonDocumentBuilder::PageAllocator::Realloc(void *original, std::size_t originalSize,
                                                  std::size_t newSize)
{
    void *moved = Malloc(newSize);
    if (moved && original)
        std::memcpy(moved, original, std::min(originalSize, newSize));
    Free(original);
    return moved;
}

void JsonDocumentBuilder::PageAllocator::Free(void *block)
{
    if (!block)
        return;
    char *start = static_cast<char *>(block) - HeaderBytes;
#ifdef __linux__
    const BlockHeader header = *reinterpret_cast<const BlockHeader *>(start);
    if (header.paged) {
        ::munmap(start, header.bytes);
        return;
    }
#endif
    std::free(start);
}

std::string JsonDocumentBuilder::prepare(std::string_view json)
{
    std::string text(json);
    std::size_t at = 0;
    bool inString = false;
    for (Token token = nextToken(json, at, inString); token.kind != Token::End;
         token = nextToken(json, at, inString)) {
        if (token.kind == Token::Number) {
            text[token.start] = '0';
            std::fill_n(text.begin() + token.start + 1, token.length - 1, ' ');
        } else {
            text.replace(token.start + 2, 4, "FFFD");
        }
    }
    return text;
}

bool JsonDocumentBuilder::RawNumber(const Ch *text, SizeType length, bool)
{
    // Each number of the prepared text stands for the next one of the text it was made from.
    for (Token token = nextToken(m_json, m_scanAt, m_scanInString); token.kind != Token::End;
         token = nextToken(m_json, m_scanAt, m_scanInString)) {
        if (token.kind == Token::Number)
            return numberValue(m_json.substr(token.start, token.length));
    }
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

bool JsonDocumentBuilder::parseText(std::string_view utf8, Document &document)
{
    // Iterative parsing keeps deep nesting off the call stack; the parse stops after the one
    // value so that what follows it can be checked here. Numbers come as their text.
    constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseStopWhenDoneFlag |
                               rapidjson::kParseNumbersAsStringsFlag;
    if (utf8.substr(0, 3) == "\xEF\xBB\xBF")
        utf8.remove_prefix(3);
    const std::string text = prepare(utf8);
    // The text ends in a NUL, where the stream stops; a NUL inside it ends the value early and
    // is caught by the check of what follows.
    rapidjson::StringStream stream(text.c_str());
    bool parsed = false;
    auto parse = [&](Document &target) {
        JsonDocumentBuilder builder(target, utf8);
        parsed = !rapidjson::Reader().Parse<flags>(stream, builder).IsError();
        return parsed;
    };
    document.Populate(parse);
    const std::string_view rest = std::string_view(text).substr(stream.Tell());
    return parsed && rest.find_first_not_of(" \t\r\n") == std::string_view::npos;
}
