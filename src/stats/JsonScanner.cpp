#include "stats/JsonScanner.h"

#include "platform/HexNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vireon {
namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void appendUtf8(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    }
}

// Length of the well-formed UTF-8 sequence at p (RFC 3629: no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when there is none.
int utf8SequenceLength(const unsigned char* p, const unsigned char* end)
{
    const unsigned char lead = p[0];
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (end - p < length)
        return 0;
    if (p[1] < low || p[1] > high)
        return 0;
    for (int i = 2; i < length; ++i) {
        if (p[i] < 0x80 || p[i] > 0xBF)
            return 0;
    }
    return length;
}

} // namespace

JsonScanner::JsonScanner(QByteArrayView text) : m_pos(text.data()), m_end(text.data() + text.size())
{
    if (!m_pos)
        m_pos = m_end = "";
}

bool JsonScanner::fail()
{
    m_failed = true;
    return false;
}

void JsonScanner::skipWhitespace()
{
    while (m_pos < m_end && (*m_pos == ' ' || *m_pos == '\n' || *m_pos == '\r' || *m_pos == '\t'))
        ++m_pos;
}

JsonScanner::Kind JsonScanner::peek()
{
    skipWhitespace();
    if (m_failed || m_pos == m_end)
        return Kind::invalid;
    switch (*m_pos) {
    case '{':
        return Kind::object;
    case '[':
        return Kind::array;
    case '"':
        return Kind::string;
    case 't':
    case 'f':
    case 'n':
        return Kind::literal;
    default:
        return (*m_pos == '-' || isDigit(*m_pos)) ? Kind::number : Kind::invalid;
    }
}

bool JsonScanner::peekNull()
{
    return peek() == Kind::literal && m_end - m_pos >= 4 && std::memcmp(m_pos, "null", 4) == 0;
}

bool JsonScanner::pushFrame(bool isObject)
{
    if (m_frames.size() >= std::size_t(maxDepth))
        return fail();
    m_frames.push_back({isObject, true});
    return true;
}

// Only one value may stand at the top level; this marks it taken.
bool JsonScanner::beginValue()
{
    skipWhitespace();
    if (m_failed || m_pos == m_end)
        return fail();
    if (m_frames.empty()) {
        if (m_started)
            return fail();
        m_started = true;
    }
    return true;
}

bool JsonScanner::enterObject()
{
    if (!beginValue())
        return false;
    if (*m_pos != '{')
        return fail();
    ++m_pos;
    return pushFrame(true);
}

bool JsonScanner::enterArray()
{
    if (!beginValue())
        return false;
    if (*m_pos != '[')
        return fail();
    ++m_pos;
    return pushFrame(false);
}

// Moves past the separator before the next member or element of the innermost container, or past
// its closing character (then atEnd is set and the container is left).
bool JsonScanner::beginNext(char close, bool& atEnd)
{
    skipWhitespace();
    if (m_pos == m_end)
        return fail();
    Frame& frame = m_frames.back();
    if (*m_pos == close) {
        ++m_pos;
        m_frames.pop_back();
        atEnd = true;
        return true;
    }
    if (!frame.first) {
        if (*m_pos != ',')
            return fail();
        ++m_pos;
    }
    frame.first = false;
    atEnd = false;
    return true;
}

// A member's key and the colon after it, from just before the key's opening quote.
inline bool JsonScanner::scanKey(std::string_view& key)
{
    skipWhitespace();
    if (m_pos == m_end || *m_pos != '"')
        return fail();
    ++m_pos;
    const char* start = m_pos;
    while (m_pos < m_end && *m_pos != '"' && *m_pos != '\\' && static_cast<unsigned char>(*m_pos) >= 0x20 &&
           static_cast<unsigned char>(*m_pos) < 0x80)
        ++m_pos;
    if (m_pos < m_end && *m_pos == '"') {
        key = std::string_view(start, std::size_t(m_pos - start));
        ++m_pos;
    } else {
        // Escapes or non-ASCII: decoded the long way, from the start of the key.
        m_pos = start;
        m_key.clear();
        if (!scanString(&m_key))
            return false;
        key = m_key;
    }
    skipWhitespace();
    if (m_pos == m_end || *m_pos != ':')
        return fail();
    ++m_pos;
    return true;
}

// One scalar, or the opening of a container.
inline bool JsonScanner::skipToken()
{
    skipWhitespace();
    if (m_pos == m_end)
        return fail();
    switch (*m_pos) {
    case '{':
        ++m_pos;
        return pushFrame(true);
    case '[':
        ++m_pos;
        return pushFrame(false);
    case '"':
        ++m_pos;
        return scanString(nullptr);
    case 't':
    case 'f':
    case 'n':
        return scanLiteral();
    default:
        return scanNumber(nullptr);
    }
}

bool JsonScanner::nextMember(std::string_view& key)
{
    if (m_failed || m_frames.empty() || !m_frames.back().isObject)
        return fail();
    bool atEnd = false;
    if (!beginNext('}', atEnd) || atEnd)
        return false;
    return scanKey(key);
}

int JsonScanner::seekMember(std::initializer_list<std::string_view> keys)
{
    if (m_failed || m_frames.empty() || !m_frames.back().isObject) {
        fail();
        return -1;
    }
    const std::size_t depth = m_frames.size();
    std::string_view key;
    for (;;) {
        bool atEnd = false;
        if (!beginNext('}', atEnd) || atEnd || !scanKey(key))
            return -1;
        int index = 0;
        for (const std::string_view wanted : keys) {
            if (key == wanted)
                return index;
            ++index;
        }
        // Not wanted: its value goes by, nested containers and all.
        if (!skipToken() || (m_frames.size() > depth && !skipUntil(depth, false)))
            return -1;
    }
}

bool JsonScanner::nextElement()
{
    if (m_failed || m_frames.empty() || m_frames.back().isObject)
        return fail();
    bool atEnd = false;
    return beginNext(']', atEnd) && !atEnd;
}

std::optional<JsonScanner::Number> JsonScanner::readNumber()
{
    if (!beginValue())
        return std::nullopt;
    Number number;
    if (!scanNumber(&number))
        return std::nullopt;
    return number;
}

std::optional<std::string_view> JsonScanner::readString()
{
    if (!beginValue())
        return std::nullopt;
    if (*m_pos != '"') {
        fail();
        return std::nullopt;
    }
    ++m_pos;
    const char* start = m_pos;
    while (m_pos < m_end && *m_pos != '"' && *m_pos != '\\' && static_cast<unsigned char>(*m_pos) >= 0x20 &&
           static_cast<unsigned char>(*m_pos) < 0x80)
        ++m_pos;
    if (m_pos < m_end && *m_pos == '"') {
        ++m_pos;
        return std::string_view(start, std::size_t(m_pos - 1 - start));
    }
    m_pos = start;
    m_key.clear();
    if (!scanString(&m_key))
        return std::nullopt;
    return std::string_view(m_key);
}

// Iterative rather than recursive, so a hostile nesting depth cannot exhaust the stack before the
// depth limit is reached.
bool JsonScanner::skipValue()
{
    if (!beginValue())
        return false;
    return skipUntil(m_frames.size(), true);
}

bool JsonScanner::skipRest()
{
    if (m_failed || m_frames.empty())
        return fail();
    return skipUntil(m_frames.size() - 1, false);
}

// Scans (a value first, when asked) until the frames are back to `base` deep.
bool JsonScanner::skipUntil(std::size_t base, bool valueFirst)
{
    for (bool scanValue = valueFirst;; scanValue = true) {
        if (scanValue && !skipToken())
            return false;

        // Find the next value to scan, leaving every container that closes on the way.
        for (;;) {
            if (m_frames.size() == base)
                return true;
            const bool inObject = m_frames.back().isObject;
            bool atEnd = false;
            if (!beginNext(inObject ? '}' : ']', atEnd))
                return false;
            if (atEnd)
                continue;
            if (inObject) {
                skipWhitespace();
                if (m_pos == m_end || *m_pos != '"')
                    return fail();
                ++m_pos;
                if (!scanString(nullptr))
                    return false;
                skipWhitespace();
                if (m_pos == m_end || *m_pos != ':')
                    return fail();
                ++m_pos;
            }
            break;
        }
    }
}

bool JsonScanner::finish()
{
    if (m_failed || !m_frames.empty() || !m_started)
        return false;
    skipWhitespace();
    return m_pos == m_end || fail();
}

// Called just after the opening quote; leaves the position after the closing one.
bool JsonScanner::scanString(std::string* out)
{
    while (m_pos < m_end) {
        const char* run = m_pos;
        while (m_pos < m_end) {
            const auto c = static_cast<unsigned char>(*m_pos);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\')
                break;
            ++m_pos;
        }
        if (out)
            out->append(run, std::size_t(m_pos - run));
        if (m_pos == m_end)
            break;
        const auto c = static_cast<unsigned char>(*m_pos);
        if (c == '"') {
            ++m_pos;
            return true;
        }
        if (c < 0x20)
            return fail();
        if (c >= 0x80) {
            const int length = utf8SequenceLength(reinterpret_cast<const unsigned char*>(m_pos),
                                                  reinterpret_cast<const unsigned char*>(m_end));
            if (length == 0)
                return fail();
            if (out)
                out->append(m_pos, std::size_t(length));
            m_pos += length;
            continue;
        }
        // A backslash escape.
        ++m_pos;
        if (m_pos == m_end)
            return fail();
        const char escape = *m_pos++;
        char simple = 0;
        switch (escape) {
        case '"':
        case '\\':
        case '/':
            simple = escape;
            break;
        case 'b':
            simple = '\b';
            break;
        case 'f':
            simple = '\f';
            break;
        case 'n':
            simple = '\n';
            break;
        case 'r':
            simple = '\r';
            break;
        case 't':
            simple = '\t';
            break;
        case 'u':
            break;
        default:
            return fail();
        }
        if (simple) {
            if (out)
                out->push_back(simple);
            continue;
        }
        auto readUnit = [this](char32_t& unit) {
            if (m_end - m_pos < 4)
                return false;
            const auto value = parseHexNumber(std::string_view(m_pos, 4));
            if (!value)
                return false;
            unit = char32_t(*value);
            m_pos += 4;
            return true;
        };
        char32_t unit = 0;
        if (!readUnit(unit))
            return fail();
        char32_t codePoint = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF && m_end - m_pos >= 6 && m_pos[0] == '\\' && m_pos[1] == 'u') {
            const char* mark = m_pos;
            m_pos += 2;
            char32_t second = 0;
            if (!readUnit(second))
                return fail();
            if (second >= 0xDC00 && second <= 0xDFFF) {
                codePoint = 0x10000 + ((unit - 0xD800) << 10) + (second - 0xDC00);
            } else {
                m_pos = mark; // not a pair: the next escape stands on its own
            }
        }
        // A surrogate escape that pairs with nothing is legal JSON but no character.
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            codePoint = 0xFFFD;
        if (out)
            appendUtf8(*out, codePoint);
    }
    return fail();
}

bool JsonScanner::scanNumber(Number* out)
{
    const char* start = m_pos;
    bool integer = true;
    if (m_pos < m_end && *m_pos == '-')
        ++m_pos;
    if (m_pos == m_end)
        return fail();
    if (*m_pos == '0') {
        ++m_pos;
    } else if (*m_pos >= '1' && *m_pos <= '9') {
        while (m_pos < m_end && isDigit(*m_pos))
            ++m_pos;
    } else {
        return fail();
    }
    if (m_pos < m_end && *m_pos == '.') {
        integer = false;
        ++m_pos;
        if (m_pos == m_end || !isDigit(*m_pos))
            return fail();
        while (m_pos < m_end && isDigit(*m_pos))
            ++m_pos;
    }
    if (m_pos < m_end && (*m_pos == 'e' || *m_pos == 'E')) {
        integer = false;
        ++m_pos;
        if (m_pos < m_end && (*m_pos == '+' || *m_pos == '-'))
            ++m_pos;
        if (m_pos == m_end || !isDigit(*m_pos))
            return fail();
        while (m_pos < m_end && isDigit(*m_pos))
            ++m_pos;
    }
    if (out)
        *out = Number{QByteArrayView(start, m_pos - start), integer};
    return true;
}

bool JsonScanner::scanLiteral()
{
    for (const char* word : {"true", "false", "null"}) {
        const auto length = std::ptrdiff_t(std::strlen(word));
        if (m_end - m_pos >= length && std::memcmp(m_pos, word, std::size_t(length)) == 0) {
            m_pos += length;
            return true;
        }
    }
    return fail();
}

std::optional<double> JsonScanner::toDouble(const Number& number)
{
    double value = 0;
    const char* end = number.text.data() + number.text.size();
    const auto [ptr, ec] = std::from_chars(number.text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint64> JsonScanner::toInteger(const Number& number)
{
    if (number.isIntegerLiteral) {
        long long value = 0;
        const char* end = number.text.data() + number.text.size();
        const auto [ptr, ec] = std::from_chars(number.text.data(), end, value);
        if (ec != std::errc() || ptr != end)
            return std::nullopt;
        return qint64(value);
    }
    const std::optional<double> value = toDouble(number);
    // 2^63 is exactly representable, so the half-open range check leaves no value whose conversion
    // would overflow.
    if (!value || std::trunc(*value) != *value || *value < -9223372036854775808.0 ||
        *value >= 9223372036854775808.0)
        return std::nullopt;
    return qint64(*value);
}

} // namespace vireon
