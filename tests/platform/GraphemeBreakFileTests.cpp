// The grapheme clusters of the text layer against Unicode's own test file for the version the
// conjunct rule comes from: every case, the conjunct ones (U+094D and the other linkers) too.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/text/IndicConjunctBreak.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

struct BreakCase {
    std::string line;
    std::vector<std::string> clusters;
};

// "÷ 0915 × 094D × 0915 ÷": code points in hex, ÷ a break and × none between them.
std::vector<BreakCase> readCases(const std::string& path) {
    std::vector<BreakCase> cases;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        BreakCase parsed{line, {}};
        std::istringstream words(line);
        std::string current;
        for (std::string word; words >> word;) {
            if (word == "\xC3\xB7") {  // ÷
                if (!current.empty()) parsed.clusters.push_back(current);
                current.clear();
            } else if (word != "\xC3\x97") {  // ×
                current += text::utf8(std::u32string(1, static_cast<char32_t>(std::stoul(word, nullptr, 16))));
            }
        }
        cases.push_back(std::move(parsed));
    }
    return cases;
}

std::vector<std::string> clustersOf(const std::string& whole) {
    std::vector<std::string> clusters;
    std::string before;
    for (std::size_t count = 1; count <= text::characterCount(whole); ++count) {
        const std::string prefix = text::prefixCharacters(whole, count);
        clusters.push_back(prefix.substr(before.size()));
        before = prefix;
    }
    return clusters;
}

TEST(GraphemeBreakFile, EveryCaseOfUnicodes15_1TestFileIsCutAsItSays) {
    const auto cases = readCases(QUORVEL_SOURCE_DIR "/tests/data/GraphemeBreakTest-15.1.0.txt");
    ASSERT_EQ(cases.size(), 1187u);
    std::size_t conjunctCases = 0;
    for (const BreakCase& c : cases) {
        std::string whole;
        for (const std::string& cluster : c.clusters) whole += cluster;
        EXPECT_EQ(clustersOf(whole), c.clusters) << c.line;
        if (c.line.find("094D") != std::string::npos) ++conjunctCases;
    }
    EXPECT_GT(conjunctCases, 10u);
}

TEST(GraphemeBreakFile, ConjunctsHoldTogetherAndEndWhereTheRuleEnds) {
    const std::string ka = "\xE0\xA4\x95";      // U+0915
    const std::string ssa = "\xE0\xA4\xB7";     // U+0937
    const std::string virama = "\xE0\xA5\x8D";  // U+094D
    const std::string nukta = "\xE0\xA4\xBC";   // U+093C
    const std::string zwj = "\xE2\x80\x8D";
    EXPECT_EQ(text::characterCount(ka + virama + ssa), 1u);
    EXPECT_EQ(text::characterCount(ka + nukta + virama + zwj + ssa + virama + ka), 1u);
    EXPECT_EQ(text::characterCount(ka + virama + "a"), 2u);
    EXPECT_EQ(text::characterCount("a" + virama + ka), 2u) << "a linker after no consonant joins nothing";
    EXPECT_EQ(text::characterCount(ka + ka), 2u);
    // The 200-character prompt line never ends in a dangling virama.
    const std::string line = std::string(199, 'x') + ka + virama + ssa + "y";
    EXPECT_EQ(text::prefixCharacters(line, 200), std::string(199, 'x') + ka + virama + ssa);

    EXPECT_EQ(text::indicConjunctBreak(0x094D), text::IndicConjunctBreak::linker);
    EXPECT_EQ(text::indicConjunctBreak(0x0915), text::IndicConjunctBreak::consonant);
    EXPECT_EQ(text::indicConjunctBreak(0x0300), text::IndicConjunctBreak::extend);
    EXPECT_EQ(text::indicConjunctBreak(0x200D), text::IndicConjunctBreak::extend);
    EXPECT_EQ(text::indicConjunctBreak('k'), text::IndicConjunctBreak::none);
    EXPECT_EQ(text::indicConjunctBreak(0x10FFFF), text::IndicConjunctBreak::none);
}

}  // namespace
}  // namespace quorvel
