#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Builds a RapidJSON document from a reader parsing with kParseNumbersAsStringsFlag, turning
// each number's text into a number value itself. The library's own conversion reads out of
// bounds and shifts by negative amounts on some exponents; this one cannot.
//
// The library's reader also refuses two things JSON allows: a number beyond the range of a
// double, and a lone surrogate escape. Neither may fail a text whose value holding it is never
// read, so the reader is given a prepared text instead (see prepare()).
class JsonDocumentBuilder
{
public:
    using Ch = char;
    using SizeType = rapidjson::SizeType;

    // A JSON text as the library's reader takes it: every number is "0", its own text kept
    // in numbers in the order of the text, and every lone surrogate escape, high or low, is
    // "\uFFFD". Everything else, malformed numbers and escapes included, is left as it was.
    struct Input
    {
        std::string text;
        std::vector<std::string_view> numbers; // views into the text given to prepare()
    };
    static Input prepare(std::string_view json);

    // Parses one JSON text (UTF-8, an optional byte-order mark, white space around the value)
    // into document; false when the text is not exactly one JSON value.
    static bool parseText(std::string_view utf8, rapidjson::Document &document);

    // numbers: those of the prepared input, which must outlive the builder.
    JsonDocumentBuilder(rapidjson::Document &document, const std::vector<std::string_view> &numbers)
        : m_document(document), m_numbers(numbers)
    {}

    bool Null() { return m_document.Null(); }
    bool Bool(bool value) { return m_document.Bool(value); }
    bool Int(int value) { return m_document.Int(value); }
    bool Uint(unsigned value) { return m_document.Uint(value); }
    bool Int64(int64_t value) { return m_document.Int64(value); }
    bool Uint64(uint64_t value) { return m_document.Uint64(value); }
    bool Double(double value) { return m_document.Double(value); }
    bool RawNumber(const Ch *text, SizeType length, bool copy);
    bool String(const Ch *text, SizeType length, bool copy)
    {
        return m_document.String(text, length, copy);
    }
    bool StartObject() { return m_document.StartObject(); }
    bool Key(const Ch *text, SizeType length, bool copy)
    {
        return m_document.Key(text, length, copy);
    }
    bool EndObject(SizeType memberCount) { return m_document.EndObject(memberCount); }
    bool StartArray() { return m_document.StartArray(); }
    bool EndArray(SizeType elementCount) { return m_document.EndArray(elementCount); }

private:
    static std::size_t copyString(std::string_view json, std::size_t start, std::string &out);
    bool numberValue(std::string_view number);

    rapidjson::Document &m_document;
    const std::vector<std::string_view> &m_numbers;
    std::size_t m_nextNumber = 0;
};
