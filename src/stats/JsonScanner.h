#pragma once

#include <QByteArrayView>
#include <QtGlobal>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vireon {

// A strict pull reader over one JSON text (RFC 8259, UTF-8 only). The decoder's aircraft file holds
// thousands of entries of which we only count the elements, so building a document tree for it
// would spend most of a poll on values nobody reads; this walks the text once, validating
// everything, and hands out only what the caller asks for.
//
// Usage: enterObject()/nextMember() and enterArray()/nextElement() walk containers; after each
// member or element the caller consumes exactly one value with readNumber() or skipValue() (or
// enters it). Any syntax error makes the scanner fail for good; finish() says whether the whole
// text was one well-formed value.
class JsonScanner {
public:
    enum class Kind { object, array, string, number, literal, invalid };

    // The text of a number as it stands in the document, already checked against the grammar.
    struct Number {
        QByteArrayView text;
        bool isIntegerLiteral = false; // no fraction and no exponent
    };

    explicit JsonScanner(QByteArrayView text);

    // Kind of the next value without consuming it; Invalid at the end or on a syntax error.
    Kind peek();
    bool peekNull();

    bool enterObject();
    // The next member's key (escapes decoded to UTF-8); false at the closing brace or on error.
    // No copy where the key has no escapes (every key the decoder writes): the view points into the
    // text, or into the scanner, and lasts until the next call.
    bool nextMember(std::string_view& key);

    bool enterArray();
    // True when another element follows; false at the closing bracket or on error.
    bool nextElement();

    std::optional<Number> readNumber();
    // Skips the members or elements left in the container being walked, and leaves it.
    bool skipRest();
    // Skips to the next member of the object being walked whose key is one of `keys` and returns
    // its index there; the caller then consumes its value. -1 at the end of the object (which is
    // then left) or on error. For picking a few members out of many without copying a key.
    int seekMember(std::initializer_list<std::string_view> keys);
    // A string value, escapes decoded to UTF-8; fails the scanner on anything else. The view points
    // into the text (or into the scanner, for a string with escapes) until the next call.
    std::optional<std::string_view> readString();
    bool skipValue();

    // True when the text held exactly one complete value and nothing but whitespace after it.
    bool finish();
    bool failed() const { return m_failed; }

    // Conversions of a number's text. Out of range (either way) counts as not representable.
    static std::optional<double> toDouble(const Number& number);
    // A whole number within 64 bits; 1200.0 and 1.2e3 are whole, 1200.5 is not.
    static std::optional<qint64> toInteger(const Number& number);

    static constexpr int maxDepth = 256;

private:
    bool fail();
    bool beginValue();
    bool skipUntil(std::size_t base, bool valueFirst);
    bool skipToken();
    bool scanKey(std::string_view& key);
    void skipWhitespace();
    bool scanString(std::string* out);
    bool scanNumber(Number* out);
    bool scanLiteral();
    bool beginNext(char close, bool& atEnd);
    bool pushFrame(bool isObject);

    const char* m_pos;
    const char* m_end;
    bool m_failed = false;
    bool m_started = false;

    struct Frame {
        bool isObject;
        bool first;
    };
    std::vector<Frame> m_frames;
    std::string m_key;
};

} // namespace vireon
