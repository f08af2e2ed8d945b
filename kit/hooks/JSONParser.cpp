// The strict parser behind JSONValue::parse: one pass over the bytes with one index, no
// backtracking; recursion is bounded by the depth limit.
#include <algorithm>
#include <cstdint>

#include "kit/hooks/JSONValue.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {

namespace {

constexpr int maximumDepth = 511;

struct ParseFailure {
    const char* message;
    std::size_t index;
};

std::string readAsUtf8(std::string bytes) {
    if (text::isValidUtf8(bytes)) return bytes;
    return text::repairedUtf8(bytes);
}

void appendUtf8(std::string& buffer, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        buffer.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        buffer.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        buffer.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        buffer.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        buffer.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        buffer.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        buffer.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        buffer.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        buffer.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        buffer.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

int hexDigitValue(unsigned char byte) {
    if (byte >= '0' && byte <= '9') return byte - '0';
    if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
    if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
    return -1;
}

bool isDigit(unsigned char byte) { return byte >= '0' && byte <= '9'; }

class Parser {
public:
    explicit Parser(std::string_view input) : input_(input) {}

    JSONValue parseDocument() {
        skipWhitespace();
        JSONValue value = parseValue(0);
        skipWhitespace();
        if (!atEnd()) fail("Unexpected text after the end of the JSON");
        return value;
    }

private:
    struct DecodedString {
        std::string text;
        std::string source;      ///< as written, read as UTF-8
        bool writtenCanonically;
    };

    [[noreturn]] void fail(const char* message) const { throw ParseFailure{message, index_}; }
    [[noreturn]] void failAt(const char* message, std::size_t index) const { throw ParseFailure{message, index}; }

    bool atEnd() const { return index_ >= input_.size(); }
    unsigned char current() const { return static_cast<unsigned char>(input_[index_]); }

    void skipWhitespace() {
        while (!atEnd()) {
            const unsigned char byte = current();
            if (byte != 0x20 && byte != 0x09 && byte != 0x0A && byte != 0x0D) return;
            ++index_;
        }
    }

    JSONValue parseValue(int depth) {
        if (depth > maximumDepth) fail("JSON is nested too deeply");
        if (atEnd()) fail("Unexpected end of file");
        switch (current()) {
            case '"': {
                DecodedString decoded = parseString();
                if (decoded.writtenCanonically) return JSONValue::string(std::move(decoded.text));
                return JSONValue::verbatimString(std::move(decoded.text), std::move(decoded.source));
            }
            case '[': return parseArray(depth);
            case '{': return parseObject(depth);
            case 't': expectLiteral("true", "Expected \"true\""); return JSONValue::boolean(true);
            case 'f': expectLiteral("false", "Expected \"false\""); return JSONValue::boolean(false);
            case 'n': expectLiteral("null", "Expected \"null\""); return JSONValue::null();
            case '/': fail("Comments aren't allowed in JSON");
            default:
                if (current() == '-' || isDigit(current())) return parseNumber();
                fail("Unexpected character");
        }
    }

    /// The literal must follow byte for byte from the index; what comes after it is the
    /// caller's business.
    void expectLiteral(std::string_view literal, const char* message) {
        for (const char expected : literal) {
            if (atEnd() || input_[index_] != expected) fail(message);
            ++index_;
        }
    }

    JSONValue parseNumber() {
        const std::size_t start = index_;
        if (current() == '-') ++index_;
        if (atEnd() || !isDigit(current())) fail("Invalid number");
        if (current() == '0') {
            ++index_;  // a leading zero stands alone; a digit after it is the caller's error
        } else {
            skipDigits();
        }
        if (!atEnd() && current() == '.') {
            ++index_;
            if (atEnd() || !isDigit(current())) fail("Invalid number");
            skipDigits();
        }
        if (!atEnd() && (current() == 'e' || current() == 'E')) {
            ++index_;
            if (!atEnd() && (current() == '+' || current() == '-')) ++index_;
            if (atEnd() || !isDigit(current())) fail("Invalid number");
            skipDigits();
        }
        return JSONValue::number(std::string(input_.substr(start, index_ - start)));
    }

    void skipDigits() {
        while (!atEnd() && isDigit(current())) ++index_;
    }

    DecodedString parseString() {
        const std::size_t start = index_;
        ++index_;  // the opening quotation mark
        std::string buffer;
        while (!atEnd()) {
            const unsigned char byte = current();
            ++index_;
            if (byte == '"') {
                DecodedString decoded;
                decoded.text = readAsUtf8(std::move(buffer));
                decoded.source = readAsUtf8(std::string(input_.substr(start, index_ - start)));
                decoded.writtenCanonically = decoded.source == canonicalJSONString(decoded.text);
                return decoded;
            }
            if (byte == '\\') {
                if (atEnd()) fail("Unterminated string");
                const unsigned char escape = current();
                ++index_;
                switch (escape) {
                    case '"': buffer.push_back('"'); break;
                    case '\\': buffer.push_back('\\'); break;
                    case '/': buffer.push_back('/'); break;
                    case 'b': buffer.push_back('\b'); break;
                    case 'f': buffer.push_back('\f'); break;
                    case 'n': buffer.push_back('\n'); break;
                    case 'r': buffer.push_back('\r'); break;
                    case 't': buffer.push_back('\t'); break;
                    case 'u': appendUtf8(buffer, parseUnicodeEscape()); break;
                    default: fail("Invalid escape in string");
                }
            } else if (byte < 0x20) {
                fail("Control character in string");
            } else {
                buffer.push_back(static_cast<char>(byte));
            }
        }
        fail("Unterminated string");
    }

    /// Four hex digits at the index; the index ends after them.
    std::uint32_t parseHexQuad() {
        if (input_.size() - index_ < 4) fail("Invalid \\u escape");
        std::uint32_t value = 0;
        for (int digit = 0; digit < 4; ++digit) {
            const int digitValue = hexDigitValue(current());
            if (digitValue < 0) fail("Invalid \\u escape");
            value = value * 16 + static_cast<std::uint32_t>(digitValue);
            ++index_;
        }
        return value;
    }

    /// The code point of an escape whose "u" is behind the index; a high surrogate must be
    /// followed at once by the escape of a low one.
    std::uint32_t parseUnicodeEscape() {
        const std::uint32_t first = parseHexQuad();
        if (first >= 0xDC00 && first <= 0xDFFF) fail("Unpaired surrogate in string");
        if (first < 0xD800 || first > 0xDBFF) return first;
        if (input_.size() - index_ < 2 || input_[index_] != '\\' || input_[index_ + 1] != 'u') {
            fail("Unpaired surrogate in string");
        }
        index_ += 2;
        const std::uint32_t second = parseHexQuad();
        if (second < 0xDC00 || second > 0xDFFF) fail("Unpaired surrogate in string");
        return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
    }

    JSONValue parseArray(int depth) {
        ++index_;  // [
        skipWhitespace();
        std::vector<JSONValue> elements;
        if (!atEnd() && current() == ']') {
            ++index_;
            return JSONValue::array(std::move(elements));
        }
        while (true) {
            elements.push_back(parseValue(depth + 1));
            skipWhitespace();
            if (atEnd()) fail("Expected , or ]");
            switch (current()) {
                case ',':
                    ++index_;
                    skipWhitespace();
                    if (!atEnd() && current() == ']') fail("Trailing comma before ]");
                    continue;
                case ']':
                    ++index_;
                    return JSONValue::array(std::move(elements));
                case '/': fail("Comments aren't allowed in JSON");
                default: fail("Expected , or ]");
            }
        }
    }

    JSONValue parseObject(int depth) {
        ++index_;  // {
        skipWhitespace();
        std::vector<JSONMember> members;
        if (!atEnd() && current() == '}') {
            ++index_;
            return JSONValue::object(std::move(members));
        }
        while (true) {
            if (atEnd()) fail("Expected a quoted key");
            if (current() != '"') {
                if (current() == '/') fail("Comments aren't allowed in JSON");
                if (current() == '}') fail("Trailing comma before }");
                fail("Expected a quoted key");
            }
            DecodedString key = parseString();
            skipWhitespace();
            expectLiteral(":", "Expected \":\"");
            skipWhitespace();
            JSONValue value = parseValue(depth + 1);
            std::optional<std::string> rawKey;
            if (!key.writtenCanonically) rawKey = std::move(key.source);
            members.emplace_back(std::move(key.text), std::move(value), std::move(rawKey));
            skipWhitespace();
            if (atEnd()) fail("Expected , or }");
            switch (current()) {
                case ',':
                    ++index_;
                    skipWhitespace();
                    continue;
                case '}':
                    ++index_;
                    return JSONValue::object(std::move(members));
                case '/': fail("Comments aren't allowed in JSON");
                default: fail("Expected , or }");
            }
        }
    }

    std::string_view input_;
    std::size_t index_ = 0;
};

JSONParseError positionedError(std::string_view input, const ParseFailure& failure) {
    const std::size_t position = std::min(failure.index, input.size());
    std::int64_t line = 1;
    std::size_t lineStart = 0;
    for (std::size_t index = 0; index < position; ++index) {
        if (input[index] == '\n') {
            ++line;
            lineStart = index + 1;
        }
    }
    return JSONParseError{failure.message, line, static_cast<std::int64_t>(position - lineStart) + 1};
}

}  // namespace

Expected<JSONValue, JSONParseError> JSONValue::parse(std::string_view bytes) {
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
    try {
        return Parser(bytes).parseDocument();
    } catch (const ParseFailure& failure) {
        return unexpected(positionedError(bytes, failure));
    }
}

}  // namespace quorvel
