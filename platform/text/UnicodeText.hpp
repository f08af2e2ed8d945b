#pragma once
// Text as the user sees it: characters are grapheme clusters, white space is Unicode's, and
// line breaks are U+000A to U+000D, U+0085, U+2028 and U+2029 (CR LF counts as one break).
// All strings are UTF-8; invalid sequences are read as U+FFFD and never throw.
//
// Segmentation and white space come from utf8proc, the same tables in the app and the hook
// helper, so both cut a prompt line at the same place. The case mappings need ICU's locale
// rules and are built apart (UnicodeCaseMapping.cpp), so a program that maps no case links no
// ICU.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::text {

/// The first `count` characters (grapheme clusters) of `text`.
std::string prefixCharacters(std::string_view text, std::size_t count);

/// The first `count` characters of `text` that fit in `maxBytes` bytes. A character can be
/// any number of code points (a letter under a thousand combining marks), so a count alone
/// bounds no size: when not even the first character fits, whole code points of it are kept.
std::string prefixCharacters(std::string_view text, std::size_t count, std::size_t maxBytes);

/// The number of characters (grapheme clusters) in `text`.
std::size_t characterCount(std::string_view text);

/// `text` without leading and trailing white space and line breaks.
std::string trimmingWhitespaceAndNewlines(std::string_view text);

/// `text` without leading and trailing white space (line breaks other than white space stay).
std::string trimmingWhitespace(std::string_view text);

/// True for U+000A...U+000D, U+0085, U+2028, U+2029.
bool isLineBreak(char32_t codePoint);

/// True for Unicode white space (the White_Space property), line breaks included.
bool isWhitespace(char32_t codePoint);

/// Lines split at every line break (CR LF is one break); keeps empty lines.
std::vector<std::string> splitLines(std::string_view text);

/// Full upper-case mapping ("ß" becomes "SS") in the given locale ("" is the root locale).
std::string uppercased(std::string_view text, const char* locale = "");

/// Full lower-case mapping in the given locale ("" is the root locale).
std::string lowercased(std::string_view text, const char* locale = "");

/// True when `text` is well-formed UTF-8.
bool isValidUtf8(std::string_view text);

/// `text` with every ill-formed UTF-8 sequence replaced by U+FFFD.
std::string repairedUtf8(std::string_view text);

/// The code points of `text` (ill-formed sequences become U+FFFD).
std::u32string codePoints(std::string_view text);

/// UTF-8 for the code points.
std::string utf8(std::u32string_view codePoints);

}  // namespace quorvel::text
