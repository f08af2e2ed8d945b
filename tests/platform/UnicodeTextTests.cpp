#include "platform/text/UnicodeText.hpp"

#include <gtest/gtest.h>

#include <memory>

#include <unicode/brkiter.h>
#include <unicode/uchar.h>
#include <unicode/utext.h>

#include "tests/support/GraphemeTable.hpp"

namespace quorvel::text {
namespace {

const std::string thumbsUpMediumSkin = "\xF0\x9F\x91\x8D\xF0\x9F\x8F\xBD";  // U+1F44D U+1F3FD
const std::string flagFrance = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";          // regional indicators F R
const std::string flagJapan = "\xF0\x9F\x87\xAF\xF0\x9F\x87\xB5";
const std::string eAcute = "e\xCC\x81";                                     // e + U+0301
const std::string family = "\xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x91\xA7";  // ZWJ sequence

TEST(UnicodeText, PrefixCutsBetweenGraphemeClusters) {
    struct Case {
        std::string text;
        std::size_t count;
        std::string expected;
    };
    const Case cases[] = {
        {"hello", 3, "hel"},
        {"hello", 0, ""},
        {"hello", 10, "hello"},
        {thumbsUpMediumSkin + "ok", 1, thumbsUpMediumSkin},
        {flagFrance + flagJapan, 1, flagFrance},
        {eAcute + "x", 1, eAcute},
        {"a\r\nb", 2, "a\r\n"},
        {family + "!", 1, family},
        {"", 3, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(prefixCharacters(c.text, c.count), c.expected);
    }
}

TEST(UnicodeText, PrefixWithinBytesKeepsWholeCharactersThenWholeCodePoints) {
    EXPECT_EQ(prefixCharacters("hello", 10, 3), "hel");
    EXPECT_EQ(prefixCharacters("hello", 2, 30), "he");
    // The family (18 bytes) doesn't fit beside the first one in 30: it is left out whole.
    EXPECT_EQ(prefixCharacters(family + family, 5, 30), family);
    EXPECT_EQ(prefixCharacters(eAcute + family, 5, 20), eAcute);
    // A first character larger than the bound keeps the code points that fit, never a piece of one.
    EXPECT_EQ(prefixCharacters(family, 5, 9), "\xF0\x9F\x91\xA8\xE2\x80\x8D");
    EXPECT_EQ(prefixCharacters("\xF0\x9F\x91\xA8", 1, 3), "");
    EXPECT_EQ(prefixCharacters("abc", 3, 0), "");
}

TEST(UnicodeText, CountsGraphemeClusters) {
    EXPECT_EQ(characterCount(thumbsUpMediumSkin + flagFrance + eAcute + "\r\n" + family), 5u);
    EXPECT_EQ(characterCount(""), 0u);
    EXPECT_EQ(characterCount("\xFF\xFE"), 2u);  // each broken byte reads as one U+FFFD
}

// Where ICU's character iterator puts the cluster ends of `text` (byte offsets).
std::vector<std::size_t> icuClusterEnds(const std::string& text) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    UText* utext = utext_openUTF8(nullptr, text.data(), static_cast<int64_t>(text.size()), &status);
    breaks->setText(utext, status);
    std::vector<std::size_t> ends;
    for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE; end = breaks->next())
        ends.push_back(static_cast<std::size_t>(end));
    breaks.reset();
    utext_close(utext);
    EXPECT_TRUE(U_SUCCESS(status));
    return ends;
}

TEST(UnicodeText, CutsTheSharedTableWhereItsClustersEndAsIcuDoes) {
    for (const testing::GraphemeRow& row : testing::graphemeTable()) {
        SCOPED_TRACE(row.name);
        const std::string text = row.text();
        EXPECT_EQ(characterCount(text), row.clusters.size());
        std::string expected;
        std::vector<std::size_t> ends;
        for (std::size_t count = 1; count <= row.clusters.size(); ++count) {
            expected += row.clusters[count - 1];
            ends.push_back(expected.size());
            EXPECT_EQ(prefixCharacters(text, count), expected);
        }
        EXPECT_EQ(icuClusterEnds(text), ends);
    }
}

TEST(UnicodeText, WhiteSpaceIsUnicodesForEveryCodePoint) {
    for (char32_t point = 0; point <= 0x10FFFF; ++point) {
        if (isWhitespace(point) != static_cast<bool>(u_isUWhiteSpace(static_cast<UChar32>(point)))) {
            ADD_FAILURE() << "U+" << std::hex << static_cast<unsigned>(point);
        }
    }
    EXPECT_FALSE(isWhitespace(0x110000));
}

TEST(UnicodeText, PrefixOfInvalidUtf8IsValid) {
    const std::string prefix = prefixCharacters("a\xFF" "bc", 2);
    EXPECT_EQ(prefix, "a\xEF\xBF\xBD");
    EXPECT_TRUE(isValidUtf8(prefix));
}

TEST(UnicodeText, TrimsUnicodeWhitespaceAndLineBreaks) {
    const std::string nbsp = "\xC2\xA0";
    const std::string nextLine = "\xC2\x85";
    const std::string lineSeparator = "\xE2\x80\xA8";
    const std::string ideographicSpace = "\xE3\x80\x80";
    const std::string zeroWidthSpace = "\xE2\x80\x8B";  // not white space
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \t" + nbsp + lineSeparator + "a b" + nextLine + "\r\n" + ideographicSpace),
              "a b");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(zeroWidthSpace + "a"), zeroWidthSpace + "a");
    EXPECT_EQ(trimmingWhitespaceAndNewlines(" \n\t "), "");
    EXPECT_EQ(trimmingWhitespace(nbsp + "\n a \n" + nbsp), "\n a \n");
    EXPECT_EQ(trimmingWhitespace(lineSeparator + " a"), lineSeparator + " a");
}

TEST(UnicodeText, LineBreakSetAndSplitting) {
    for (char32_t c : {U'\n', U'\v', U'\f', U'\r', U'\u0085', U'\u2028', U'\u2029'}) EXPECT_TRUE(isLineBreak(c));
    for (char32_t c : {U' ', U'\t', U'\u00A0', U'a'}) EXPECT_FALSE(isLineBreak(c));
    EXPECT_TRUE(isWhitespace(U'\u00A0'));
    EXPECT_TRUE(isWhitespace(U'\u2028'));
    EXPECT_FALSE(isWhitespace(U'\u200B'));

    using Lines = std::vector<std::string>;
    EXPECT_EQ(splitLines("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(splitLines("a\n\nb\n"), (Lines{"a", "", "b", ""}));
    EXPECT_EQ(splitLines("a\xE2\x80\xA8" "b\xC2\x85" "c"), (Lines{"a", "b", "c"}));
    EXPECT_EQ(splitLines("\n\r"), (Lines{"", "", ""}));
    EXPECT_EQ(splitLines(""), (Lines{""}));
}

TEST(UnicodeText, FullCaseMapping) {
    EXPECT_EQ(uppercased("stra\xC3\x9F" "e"), "STRASSE");
    EXPECT_EQ(uppercased("\xEF\xAC\x81"), "FI");  // the ligature fi
    EXPECT_EQ(uppercased("istanbul", "tr"), "\xC4\xB0STANBUL");
    EXPECT_EQ(lowercased("\xC4\xB0", "tr"), "i");
    EXPECT_EQ(lowercased("ABC"), "abc");
    EXPECT_EQ(uppercased("a\xFF"), "A\xEF\xBF\xBD");
}

TEST(UnicodeText, Utf8ValidationAndRepair) {
    struct Case {
        std::string input;
        std::string repaired;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"caf\xC3\xA9", "caf\xC3\xA9"},
        {"\xF0\x9F\x98\x80", "\xF0\x9F\x98\x80"},
        {"a\x80" "b", "a\xEF\xBF\xBD" "b"},
        {"\xC3", "\xEF\xBF\xBD"},                            // truncated
        {"\xE2\x82", "\xEF\xBF\xBD"},                        // truncated, one maximal part
        {"\xC0\xAF", "\xEF\xBF\xBD\xEF\xBF\xBD"},            // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // a surrogate
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},  // above U+10FFFF
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(repairedUtf8(c.input), c.repaired);
        EXPECT_EQ(isValidUtf8(c.input), c.input == c.repaired);
        EXPECT_TRUE(isValidUtf8(repairedUtf8(c.input)));
    }
}

TEST(UnicodeText, CodePointsRoundTrip) {
    const std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(codePoints(text), (std::u32string{U'a', U'\u00E9', U'\u20AC', U'\U0001F600'}));
    EXPECT_EQ(utf8(codePoints(text)), text);
    EXPECT_EQ(utf8(std::u32string{0xD800, 0x110000}), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace quorvel::text
