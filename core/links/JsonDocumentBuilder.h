#pragma once

#include <rapidjson/document.h>

#include <cstddef>
#include <string>
#include <string_view>

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
    // The memory of a document, in RapidJSON's allocator terms: blocks of 64 KiB and more
    // (the pool's chunks, the value stack of a large array) come straight from the system's
    // pages and go back to it when freed. Through the heap, the many chunks of a large answer
    // stayed behind in its free lists long after the document was gone.
    class PageAllocator
    {
    public:
        static const bool kNeedFree = true;
        void *Malloc(std::size_t size);
        void *Realloc(void *original, std::size_t originalSize, std::size_t newSize);
        static void Free(void *block);
    };
    using Document =
        rapidjson::GenericDocument<rapidjson::UTF8<>, rapidjson::MemoryPoolAllocator<PageAllocator>,
                                   PageAllocator>;
    using Value = Document::ValueType;

    using Ch = char;
    using SizeType = rapidjson::SizeType;

    // A JSON text as the library's reader takes it, of the same length as json: every number
    // is "0" padded with spaces to its length, and every lone surrogate escape, high or low,
    // is "\uFFFD". Everything else, malformed numbers and escapes included, is left as it was.
    // Nothing is kept aside: each number's text is found again in json when the reader gets
    // to it, so that a text of many numbers costs no more than its copy.
    static std::string prepare(std::string_view json);

    // Parses one JSON text (UTF-8, an optional byte-order mark, white space around the value)
    // into document; false when the text is not exactly one JSON value.
    static bool parseText(std::string_view utf8, Document &document);

    // json: the text prepare() was given, which must outlive the builder.
    JsonDocumentBuilder(Document &document, std::string_view json)
        : m_document(document), m_json(json)
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
    bool numberValue(std::string_view number);

    Document &m_document;
    std::string_view m_json;
    // Where the search for the next number in m_json goes on.
    std::size_t m_scanAt = 0;
    bool m_scanInString = false;
};
