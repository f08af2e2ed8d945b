#include "platform/text/UnicodeText.hpp"

#include <utf8proc.h>

#include "platform/text/IndicConjunctBreak.hpp"

namespace quorvel::text {
namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Decodes one code point at `index` and advances past it. An ill-formed sequence gives U+FFFD
// and is skipped by its maximal well-formed prefix (at least one byte), the way ICU and the
// web read it, so each broken sequence costs one replacement character.
char32_t decodeNext(std::string_view text, std::size_t& index, bool& wellFormed) {
    const auto byteAt = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byteAt(index);
    wellFormed = true;
    if (lead < 0x80) {
        ++index;
        return lead;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    char32_t point = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        point = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        point = lead & 0x0F;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        point = lead & 0x07;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        ++index;
        wellFormed = false;
        return replacementCharacter;
    }
    std::size_t at = index + 1;
    for (std::size_t n = 1; n < length; ++n, ++at) {
        const unsigned char lowest = n == 1 ? low : 0x80;
        const unsigned char highest = n == 1 ? high : 0xBF;
        if (at >= text.size() || byteAt(at) < lowest || byteAt(at) > highest) {
            index = at;
            wellFormed = false;
            return replacementCharacter;
        }
        point = (point << 6) | (byteAt(at) & 0x3F);
    }
    index = at;
    return point;
}

char32_t nextCodePoint(std::string_view text, std::size_t& index) {
    bool wellFormed = true;
    return decodeNext(text, index, wellFormed);
}

void appendUtf8(std::string& out, char32_t codePoint) {
    if (codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) codePoint = replacementCharacter;
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// Calls `visit(endOffset)` with the byte offset after each grapheme cluster of the valid
// UTF-8 `text` until it returns false. Extended grapheme clusters as Unicode's text
// segmentation defines them (emoji sequences, regional-indicator pairs, Hangul syllables,
// combining marks, CR LF), from utf8proc's tables: the helper links nothing bigger for this.
// Indic conjuncts, which those tables predate, come from IndicConjunctBreak.
template <typename Visit>
void forEachCharacterEnd(std::string_view text, Visit visit) {
    utf8proc_int32_t state = 0;
    ConjunctTracker conjunct;
    char32_t previous = 0;
    for (std::size_t index = 0; index < text.size();) {
        const std::size_t start = index;
        const char32_t point = nextCodePoint(text, index);
        // utf8proc keeps its own state whatever the answer, so it is always asked.
        const bool breaks = start > 0 && utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(previous),
                                                                           static_cast<utf8proc_int32_t>(point), &state);
        if (breaks && !conjunct.joins(point) && !visit(start)) return;
        conjunct.advance(point);
        previous = point;
    }
    if (!text.empty()) visit(text.size());
}

template <typename Keep>
std::string trimming(std::string_view text, Keep isTrimmed) {
    const std::u32string points = codePoints(text);
    std::size_t first = 0;
    std::size_t last = points.size();
    while (first < last && isTrimmed(points[first])) ++first;
    while (last > first && isTrimmed(points[last - 1])) --last;
    return utf8(std::u32string_view(points).substr(first, last - first));
}

}  // namespace

std::string prefixCharacters(std::string_view text, std::size_t count) {
    const std::string valid = repairedUtf8(text);
    if (count == 0) return {};
    std::size_t taken = 0;
    std::size_t end = 0;
    forEachCharacterEnd(valid, [&](std::size_t characterEnd) {
        end = characterEnd;
        return ++taken < count;
    });
    return valid.substr(0, end);
}

std::string prefixCharacters(std::string_view text, std::size_t count, std::size_t maxBytes) {
    const std::string valid = repairedUtf8(text);
    if (count == 0 || maxBytes == 0) return {};
    std::size_t taken = 0;
    std::size_t end = 0;
    forEachCharacterEnd(valid, [&](std::size_t characterEnd) {
        if (characterEnd > maxBytes) return false;
        end = characterEnd;
        return ++taken < count;
    });
    if (end == 0 && !valid.empty()) {
        for (std::size_t index = 0; index < valid.size();) {
            std::size_t next = index;
            nextCodePoint(valid, next);
            if (next > maxBytes) break;
            end = index = next;
        }
    }
    return valid.substr(0, end);
}

std::size_t characterCount(std::string_view text) {
    const std::string valid = repairedUtf8(text);
    std::size_t count = 0;
    forEachCharacterEnd(valid, [&](std::size_t) {
        ++count;
        return true;
    });
    return count;
}

std::string trimmingWhitespaceAndNewlines(std::string_view text) {
    return trimming(text, [](char32_t c) { return isWhitespace(c); });
}

std::string trimmingWhitespace(std::string_view text) {
    return trimming(text, [](char32_t c) { return isWhitespace(c) && !isLineBreak(c); });
}

bool isLineBreak(char32_t codePoint) {
    return (codePoint >= 0x0A && codePoint <= 0x0D) || codePoint == 0x85 || codePoint == 0x2028 ||
           codePoint == 0x2029;
}

bool isWhitespace(char32_t codePoint) {
    // White_Space is the line breaks, the tab and the space separators (category Zs).
    if (codePoint == U'\t' || isLineBreak(codePoint)) return true;
    return codePoint <= 0x10FFFF && utf8proc_category(static_cast<utf8proc_int32_t>(codePoint)) == UTF8PROC_CATEGORY_ZS;
}

std::vector<std::string> splitLines(std::string_view text) {
    const std::u32string points = codePoints(text);
    std::vector<std::string> lines;
    std::u32string current;
    for (std::size_t index = 0; index < points.size(); ++index) {
        const char32_t point = points[index];
        if (!isLineBreak(point)) {
            current += point;
            continue;
        }
        lines.push_back(utf8(current));
        current.clear();
        if (point == U'\r' && index + 1 < points.size() && points[index + 1] == U'\n') ++index;
    }
    lines.push_back(utf8(current));
    return lines;
}

bool isValidUtf8(std::string_view text) {
    for (std::size_t index = 0; index < text.size();) {
        bool wellFormed = true;
        decodeNext(text, index, wellFormed);
        if (!wellFormed) return false;
    }
    return true;
}

std::string repairedUtf8(std::string_view text) {
    std::size_t index = 0;
    // Most text is ASCII: copy it as it is.
    while (index < text.size() && static_cast<unsigned char>(text[index]) < 0x80) ++index;
    if (index == text.size()) return std::string(text);
    std::string result(text.substr(0, index));
    result.reserve(text.size() + 8);
    while (index < text.size()) {
        const std::size_t start = index;
        bool wellFormed = true;
        decodeNext(text, index, wellFormed);
        if (wellFormed) {
            result.append(text.substr(start, index - start));
        } else {
            result += "\xEF\xBF\xBD";
        }
    }
    return result;
}

std::u32string codePoints(std::string_view text) {
    std::u32string points;
    points.reserve(text.size());
    for (std::size_t index = 0; index < text.size();) points += nextCodePoint(text, index);
    return points;
}

std::string utf8(std::u32string_view codePoints) {
    std::string result;
    result.reserve(codePoints.size());
    for (char32_t point : codePoints) appendUtf8(result, point);
    return result;
}

}  // namespace quorvel::text
