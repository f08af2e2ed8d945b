#include "platform/logging/LogLineText.hpp"

#include <gtest/gtest.h>


namespace quorvel {
namespace {

TEST(LogLineText, ControlCharactersAreEscapedAndEverythingElseKept) {
    struct Case {
        std::string in;
        std::string out;
    };
    const std::vector<Case> cases = {
        {"plain text, a \\ and \"quotes\"", "plain text, a \\ and \"quotes\""},
        {"a\nb\rc\td", "a\\nb\\rc\\td"},
        {std::string("nul\0here", 8), "nul\\x00here"},
        {"\x1b[31mred\x7f", "\\x1b[31mred\\x7f"},
        // Letters outside ASCII stay; the C1 controls and the line and paragraph separators go.
        {"caf\u00e9 \u00e5 \U0001F600", "caf\u00e9 \u00e5 \U0001F600"},
        {"a\u0085b\u009bc", "a\\u0085b\\u009bc"},
        {"a\u2028b\u2029c", "a\\u2028b\\u2029c"},
        // Bytes that are not UTF-8: a lone continuation, a cut sequence, an overlong form, a
        // surrogate.
        {"x\x80y", "x\\x80y"},
        {"cut \xe2\x82", "cut \\xe2\\x82"},
        {"over\xc0\xafy", "over\\xc0\\xafy"},
        {"sur\xed\xa0\x80", "sur\\xed\\xa0\\x80"},
    };
    for (const Case& c : cases) EXPECT_EQ(escapedForLogLine(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace quorvel
