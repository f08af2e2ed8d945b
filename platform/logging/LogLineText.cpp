#include "platform/logging/LogLineText.hpp"

#include <cstdint>

namespace quorvel {
namespace {

constexpr char hexDigits[] = "0123456789abcdef";

void appendByteEscape(std::string& out, unsigned char byte) {
    out += "\\x";
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0xF];
}

void appendCodePointEscape(std::string& out, char32_t codePoint) {
    out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) out += hexDigits[(codePoint >> shift) & 0xF];
}

/// The length of the well-formed UTF-8 sequence at `text[at]` (a lead byte of 0x80 or more),
/// 0 when it is ill-formed; its code point in `codePoint`.
std::size_t sequenceLength(std::string_view text, std::size_t at, char32_t& codePoint) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length;
    char32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, minimum = 0x80, codePoint = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, minimum = 0x800, codePoint = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, minimum = 0x10000, codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() - at < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
    if (codePoint < minimum || (codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) return 0;
    return length;
}

bool needsEscape(char32_t codePoint) {
    return (codePoint >= 0x80 && codePoint <= 0x9F) || codePoint == 0x2028 || codePoint == 0x2029;
}

}  // namespace

std::string escapedForLogLine(std::string_view message) {
    std::string out;
    out.reserve(message.size());
    for (std::size_t at = 0; at < message.size();) {
        const auto byte = static_cast<unsigned char>(message[at]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += static_cast<char>(byte);
            ++at;
            continue;
        }
        if (byte < 0x80) {
            switch (byte) {
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default: appendByteEscape(out, byte); break;
            }
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        const std::size_t length = sequenceLength(message, at, codePoint);
        if (length == 0) {
            appendByteEscape(out, byte);
            ++at;
        } else if (needsEscape(codePoint)) {
            appendCodePointEscape(out, codePoint);
            at += length;
        } else {
            out.append(message.substr(at, length));
            at += length;
        }
    }
    return out;
}

}  // namespace quorvel
