#pragma once
// Texts whose characters (extended grapheme clusters) are known, one cluster per element: the
// one table the app's text layer, ICU's character iterator and the built hook helper are all
// checked against, so the app and the helper agree where a prompt line is cut.
#include <string>
#include <vector>

namespace quorvel::testing {

struct GraphemeRow {
    const char* name;
    std::vector<std::string> clusters;

    std::string text() const {
        std::string joined;
        for (const std::string& cluster : clusters) joined += cluster;
        return joined;
    }
};

/// No line breaks and no white space at either end, so every row is a prompt line as it is.
inline const std::vector<GraphemeRow>& graphemeTable() {
    static const std::vector<GraphemeRow> rows = {
        {"ascii", {"a", "b", "c"}},
        {"combining acute", {"e\xCC\x81", "x"}},                                   // e U+0301
        {"stacked marks", {"a\xCC\x88\xCC\xA3", "o\xCC\x82\xCC\x81", "z"}},       // a U+0308 U+0323, o U+0302 U+0301
        {"mark after emoji", {"\xE2\x98\xBA\xEF\xB8\x8F", "!"}},                 // U+263A U+FE0F
        {"keycap", {"1\xEF\xB8\x8F\xE2\x83\xA3", "2"}},                           // 1 U+FE0F U+20E3
        {"skin tone", {"\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD", "\xF0\x9F\x91\x8D"}},  // U+1F44D U+1F3FD, U+1F44D
        {"family zwj",
         {"\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7",  // man ZWJ woman ZWJ girl
          "\xF0\x9F\x91\xA7"}},
        {"technologist zwj",
         {"\xF0\x9F\x91\xA9\xF0\x9F\x8F\xBD\xE2\x80\x8D\xF0\x9F\x92\xBB", "o", "k"}},  // woman, tone, ZWJ, laptop
        {"rainbow flag zwj", {"\xF0\x9F\x8F\xB3\xEF\xB8\x8F\xE2\x80\x8D\xF0\x9F\x8C\x88", "\xF0\x9F\x8F\xB3"}},
        {"heart on fire zwj", {"\xE2\x9D\xA4\xEF\xB8\x8F\xE2\x80\x8D\xF0\x9F\x94\xA5", "\xE2\x9D\xA4"}},
        {"flags", {"\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", "\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5"}},  // FR, JP
        {"odd regional indicator",
         {"\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7", "\xF0\x9F\x87\xAF", "a"}},  // FR, then a lone J
        {"tag flag",
         {"\xF0\x9F\x8F\xB4\xF3\xA0\x81\xA7\xF3\xA0\x81\xA2\xF3\xA0\x81\xA5\xF3\xA0\x81\xAE\xF3\xA0\x81\xA7"
          "\xF3\xA0\x81\xBF",
          "\xF0\x9F\x8F\xB4"}},  // England: black flag, tags g b e n g, cancel tag
        {"hangul syllables", {"\xED\x95\x9C", "\xEA\xB8\x80"}},                                 // U+D55C U+AE00
        {"hangul jamo", {"\xE1\x84\x92\xE1\x85\xA1\xE1\x86\xAB", "\xE1\x84\x80\xE1\x85\xB3"}},  // L V T, L V
        {"hangul lv plus t", {"\xED\x95\x98\xE1\x86\xAB", "\xED\x95\x98"}},                     // U+D558 U+11AB
        {"zwj after letter", {"a\xE2\x80\x8D", "b"}},
    };
    return rows;
}

}  // namespace quorvel::testing
