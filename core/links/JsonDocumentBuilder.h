#pragma once

#include <rapidjson/document.h>

// Builds a RapidJSON document from a reader parsing with kParseNumbersAsStringsFlag, turning
// each number's text into a number value itself. The library's own conversion reads out of
// bounds and shifts by negative amounts on some exponents; this one cannot.
class JsonDocumentBuilder
{
public:
    using Ch = char;
    using SizeType = rapidjson::SizeType;

    explicit JsonDocumentBuilder(rapidjson::Document &document) : m_document(document) {}

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
    rapidjson::Document &m_document;
};
