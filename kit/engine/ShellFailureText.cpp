#include "kit/engine/ShellFailureText.hpp"

#include <charconv>
#include <string_view>
#include <vector>

#include <unicode/uchar.h>

#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::string_view exitCodePrefix = "Exit code ";

bool startsWithNumber(std::string_view character) {
    const std::u32string points = text::codePoints(character);
    return !points.empty() &&
           u_getIntPropertyValue(static_cast<UChar32>(points.front()), UCHAR_NUMERIC_TYPE) != U_NT_NONE;
}

}  // namespace

std::optional<std::int64_t> parseExitCode(const std::optional<std::string>& error) {
    if (!error || !error->starts_with(exitCodePrefix)) return std::nullopt;
    // The run of numeric characters or "-" is taken whole and then parsed, so "1-2" or a
    // non-ASCII digit in it gives nothing rather than a prefix of it.
    const std::string rest = text::repairedUtf8(std::string_view(*error).substr(exitCodePrefix.size()));
    std::string run;
    std::string_view remaining = rest;
    while (!remaining.empty()) {
        const std::string character = text::prefixCharacters(remaining, 1);
        if (character.empty()) break;
        if (character != "-" && !startsWithNumber(character)) break;
        run += character;
        remaining.remove_prefix(character.size());
    }
    if (run.empty()) return std::nullopt;
    std::int64_t value = 0;
    const char* first = run.data();
    const char* last = run.data() + run.size();
    if (*first == '+') ++first;  // cannot occur in the run, but the parse accepts it
    if (first == last) return std::nullopt;
    const auto [end, failure] = std::from_chars(first, last, value, 10);
    if (failure != std::errc() || end != last) return std::nullopt;
    return value;
}

std::optional<std::string> summariseFailureLog(const std::optional<std::string>& error) {
    if (!error) return std::nullopt;
    std::vector<std::string_view> lines;
    std::string_view remaining = *error;
    while (true) {
        const std::size_t newline = remaining.find('\n');
        lines.push_back(remaining.substr(0, newline));
        if (newline == std::string_view::npos) break;
        remaining.remove_prefix(newline + 1);
    }
    std::size_t first = lines.front().starts_with("Exit code") ? 1 : 0;
    std::string joinedLines;
    for (std::size_t index = first; index < lines.size(); ++index) {
        if (index > first) joinedLines += '\n';
        joinedLines += lines[index];
    }
    const std::string trimmed = text::trimmingWhitespaceAndNewlines(joinedLines);
    if (trimmed.empty()) return std::nullopt;
    return text::prefixCharacters(trimmed, failureLogLimit);
}

}  // namespace quorvel
