#include <gtest/gtest.h>

#include <string>

#include "kit/hooks/JSONValue.hpp"

namespace quorvel {
namespace {

JSONValue parsed(std::string_view text) {
    auto result = JSONValue::parse(text);
    EXPECT_TRUE(result.hasValue()) << text << ": " << (result ? "" : result.error().description());
    return result ? *result : JSONValue::null();
}

std::string rewritten(std::string_view text) { return parsed(text).formatted("  "); }

struct ErrorCase {
    std::string input;
    std::string description;
};

class JSONParseErrorTest : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(JSONParseErrorTest, ReportsMessageAndPosition) {
    const auto result = JSONValue::parse(GetParam().input);
    ASSERT_FALSE(result.hasValue()) << GetParam().input;
    EXPECT_EQ(result.error().description(), GetParam().description);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, JSONParseErrorTest,
    ::testing::Values(
        ErrorCase{"", "Unexpected end of file (line 1, column 1)"},
        ErrorCase{" \n\t", "Unexpected end of file (line 2, column 2)"},
        ErrorCase{"\xEF\xBB\xBF", "Unexpected end of file (line 1, column 1)"},
        ErrorCase{"\xEF\xBB\xBF x", "Unexpected character (line 1, column 2)"},
        ErrorCase{"[1,]", "Trailing comma before ] (line 1, column 4)"},
        ErrorCase{"{\"a\": 1,\n  }", "Trailing comma before } (line 2, column 3)"},
        ErrorCase{"// note\n{}", "Comments aren't allowed in JSON (line 1, column 1)"},
        ErrorCase{"[1 /* x */]", "Comments aren't allowed in JSON (line 1, column 4)"},
        ErrorCase{"{\"a\": 1 // x\n}", "Comments aren't allowed in JSON (line 1, column 9)"},
        ErrorCase{"{/* x */}", "Comments aren't allowed in JSON (line 1, column 2)"},
        ErrorCase{"tru", "Expected \"true\" (line 1, column 4)"},
        ErrorCase{"nul!", "Expected \"null\" (line 1, column 4)"},
        ErrorCase{"fals", "Expected \"false\" (line 1, column 5)"},
        ErrorCase{"truex", "Unexpected text after the end of the JSON (line 1, column 5)"},
        ErrorCase{"01", "Unexpected text after the end of the JSON (line 1, column 2)"},
        ErrorCase{"-", "Invalid number (line 1, column 2)"},
        ErrorCase{"-a", "Invalid number (line 1, column 2)"},
        ErrorCase{"1.", "Invalid number (line 1, column 3)"},
        ErrorCase{"1e", "Invalid number (line 1, column 3)"},
        ErrorCase{"1e+", "Invalid number (line 1, column 4)"},
        ErrorCase{"+1", "Unexpected character (line 1, column 1)"},
        ErrorCase{".5", "Unexpected character (line 1, column 1)"},
        ErrorCase{"\"a\nb\"", "Control character in string (line 2, column 1)"},
        ErrorCase{"\"abc", "Unterminated string (line 1, column 5)"},
        ErrorCase{"\"abc\\", "Unterminated string (line 1, column 6)"},
        ErrorCase{"\"\\x\"", "Invalid escape in string (line 1, column 4)"},
        ErrorCase{"\"\\u12\"", "Invalid \\u escape (line 1, column 4)"},
        ErrorCase{"\"\\u12xy\"", "Invalid \\u escape (line 1, column 6)"},
        ErrorCase{"\"\\u12", "Invalid \\u escape (line 1, column 4)"},
        ErrorCase{"\"\\udc00\"", "Unpaired surrogate in string (line 1, column 8)"},
        ErrorCase{"\"\\ud800\"", "Unpaired surrogate in string (line 1, column 8)"},
        ErrorCase{"\"\\ud800", "Unpaired surrogate in string (line 1, column 8)"},
        ErrorCase{"\"\\ud800\\u0041\"", "Unpaired surrogate in string (line 1, column 14)"},
        ErrorCase{"\"\\ud800\\u00\"", "Invalid \\u escape (line 1, column 10)"},
        ErrorCase{"[1 2]", "Expected , or ] (line 1, column 4)"},
        ErrorCase{"[1", "Expected , or ] (line 1, column 3)"},
        ErrorCase{"[1,", "Unexpected end of file (line 1, column 4)"},
        ErrorCase{"{", "Expected a quoted key (line 1, column 2)"},
        ErrorCase{"{a:1}", "Expected a quoted key (line 1, column 2)"},
        ErrorCase{"{\"a\" 1}", "Expected \":\" (line 1, column 6)"},
        ErrorCase{"{\"a\"", "Expected \":\" (line 1, column 5)"},
        ErrorCase{"{\"a\":1 \"b\":2}", "Expected , or } (line 1, column 8)"},
        ErrorCase{"{\"a\":1", "Expected , or } (line 1, column 7)"},
        ErrorCase{"{\"a\":1,", "Expected a quoted key (line 1, column 8)"},
        ErrorCase{"[]]", "Unexpected text after the end of the JSON (line 1, column 3)"},
        ErrorCase{"\r\n\xC3\xA9", "Unexpected character (line 2, column 1)"},
        ErrorCase{"\"\xC3\xA9\" x", "Unexpected text after the end of the JSON (line 1, column 6)"}));

TEST(JSONValueTest, DepthLimitCountsValuesNotBrackets) {
    const auto nested = [](int arrays, std::string_view inner) {
        return std::string(static_cast<std::size_t>(arrays), '[') + std::string(inner) +
               std::string(static_cast<std::size_t>(arrays), ']');
    };
    EXPECT_TRUE(JSONValue::parse(nested(511, "1")).hasValue());
    EXPECT_TRUE(JSONValue::parse(nested(512, "")).hasValue());

    const auto tooDeep = JSONValue::parse(nested(512, "1"));
    ASSERT_FALSE(tooDeep.hasValue());
    EXPECT_EQ(tooDeep.error(), (JSONParseError{"JSON is nested too deeply", 1, 513}));
    const auto tooDeepEmpty = JSONValue::parse(nested(513, ""));
    ASSERT_FALSE(tooDeepEmpty.hasValue());
    EXPECT_EQ(tooDeepEmpty.error().message, "JSON is nested too deeply");
    // The depth check comes before the end-of-input check.
    const auto unfinished = JSONValue::parse(std::string(600, '['));
    ASSERT_FALSE(unfinished.hasValue());
    EXPECT_EQ(unfinished.error().message, "JSON is nested too deeply");
}

TEST(JSONValueTest, WritesTheFixedLayout) {
    const auto tree = JSONValue::object({
        {"a", JSONValue::number("1")},
        {"b", JSONValue::array({JSONValue::boolean(true), JSONValue::object()})},
    });
    EXPECT_EQ(tree.formatted("  "), "{\n  \"a\": 1,\n  \"b\": [\n    true,\n    {}\n  ]\n}");
    EXPECT_EQ(JSONValue::array().formatted("  "), "[]");
    EXPECT_EQ(JSONValue::null().formatted("\t"), "null");
    EXPECT_EQ(JSONValue::array({JSONValue::null()}).formatted("\t"), "[\n\tnull\n]");
}

TEST(JSONValueTest, FileInTheLayoutComesBackByteForByte) {
    const std::string file =
        "{\n  \"env\": {\n    \"A\": \"x\\/y\"\n  },\n  \"n\": [\n    1.50,\n    -0,\n    1E+3,\n"
        "    null,\n    false\n  ],\n  \"\\u0041\": \"\\u00e9\",\n  \"e\": {},\n  \"l\": []\n}";
    EXPECT_EQ(rewritten(file), file);
}

TEST(JSONValueTest, OtherLayoutsKeepOrderNumbersAndUnusualForms) {
    EXPECT_EQ(rewritten("{\"z\":1.0,\"a\":[-0,1E5],\"z\":\"\\/\"}"),
              "{\n  \"z\": 1.0,\n  \"a\": [\n    -0,\n    1E5\n  ],\n  \"z\": \"\\/\"\n}");
}

TEST(JSONValueTest, StringCasesFollowTheWrittenForm) {
    struct Case {
        std::string source;
        JSONValue::Kind kind;
        std::string decoded;
    };
    const Case cases[] = {
        {"\"\\u00e9\"", JSONValue::Kind::verbatimString, "\xC3\xA9"},
        {"\"\xC3\xA9\"", JSONValue::Kind::string, "\xC3\xA9"},
        {"\"a\\/b\"", JSONValue::Kind::verbatimString, "a/b"},
        {"\"\\u001F\"", JSONValue::Kind::verbatimString, "\x1F"},
        {"\"\\u001f\"", JSONValue::Kind::string, "\x1F"},
        {"\"\\n\\t\\\"\\\\\"", JSONValue::Kind::string, "\n\t\"\\"},
        {"\"\\u000a\"", JSONValue::Kind::verbatimString, "\n"},
        {"\"\\ud83d\\ude00\"", JSONValue::Kind::verbatimString, "\xF0\x9F\x98\x80"},
        {"\"\\u0000\"", JSONValue::Kind::string, std::string(1, '\0')},
        {"\"\x7F/\"", JSONValue::Kind::string, "\x7F/"},
        {"\"a\xFF" "b\"", JSONValue::Kind::string, "a\xEF\xBF\xBD" "b"},
    };
    for (const auto& testCase : cases) {
        const JSONValue value = parsed(testCase.source);
        EXPECT_EQ(value.kind(), testCase.kind) << testCase.source;
        EXPECT_EQ(value.stringValue(), testCase.decoded) << testCase.source;
        const std::string expectedOutput =
            testCase.source == "\"a\xFF" "b\"" ? "\"a\xEF\xBF\xBD" "b\"" : testCase.source;
        EXPECT_EQ(value.formatted("  "), expectedOutput) << testCase.source;
    }
}

TEST(JSONValueTest, EqualityComparesDecodedTextsAndNumberTexts) {
    EXPECT_EQ(parsed("\"\\u00e9\""), parsed("\"\xC3\xA9\""));
    EXPECT_NE(parsed("1.0"), parsed("1"));
    EXPECT_NE(parsed("[1]"), parsed("[1, 1]"));
    EXPECT_NE(parsed("{\"a\": 1}"), parsed("{\"b\": 1}"));
    EXPECT_NE(parsed("null"), parsed("false"));
    EXPECT_NE(parsed("\"1\""), parsed("1"));
    EXPECT_EQ(parsed("{\"\\u0061\": [true]}"), parsed("{\"a\":[true]}"));
}

TEST(JSONValueTest, DuplicateKeysSurviveAndLookupTakesTheFirst) {
    const JSONValue value = parsed("{\"a\": 1, \"a\": 2}");
    EXPECT_EQ(value.formatted("  "), "{\n  \"a\": 1,\n  \"a\": 2\n}");
    ASSERT_NE(value.member("a"), nullptr);
    EXPECT_EQ(*value.member("a"), JSONValue::number("1"));
    EXPECT_EQ(value.member("b"), nullptr);
    EXPECT_EQ(parsed("[1]").member("a"), nullptr);
}

TEST(JSONValueTest, EscapedKeyKeepsItsFormAndIsFoundByItsText) {
    const JSONValue value = parsed("{\"\\u0068ooks\": true}");
    ASSERT_NE(value.member("hooks"), nullptr);
    EXPECT_EQ(value.members()->front().rawKey, "\"\\u0068ooks\"");
    EXPECT_EQ(value.formatted("  "), "{\n  \"\\u0068ooks\": true\n}");
    EXPECT_FALSE(parsed("{\"hooks\": 1}").members()->front().rawKey.has_value());
}

TEST(JSONValueTest, WritingAndParsingAgainGivesAnEqualTree) {
    const char* inputs[] = {
        "{\"a\":[1,2,{\"b\":null}],\"c\":\"\\u00e9\\/\",\"d\":-1.5e-3,\"\\t\":{}}",
        "[\"\\u0001\", \"\\u0000\", \"\\b\\f\", \"\xF0\x9F\x98\x80\", \"\xE2\x82\"]",
        "  \"top\"  ",
    };
    for (const char* input : inputs) {
        const JSONValue first = parsed(input);
        const std::string written = first.formatted("  ");
        const JSONValue second = parsed(written);
        EXPECT_EQ(second, first) << input;
        EXPECT_EQ(second.formatted("  "), written) << input;
    }
}

TEST(JSONValueTest, CanonicalFormEscapesOnlyWhatJSONRequires) {
    EXPECT_EQ(canonicalJSONString(std::string("\x1B\x00\x7F/\"\\\r", 7)), "\"\\u001b\\u0000\x7F/\\\"\\\\\\r\"");
    EXPECT_EQ(canonicalJSONString("\xC0"), "\"\xEF\xBF\xBD\"");
}

TEST(JSONValueTest, ParseErrorDescription) {
    EXPECT_EQ((JSONParseError{"Trailing comma before }", 12, 3}).description(),
              "Trailing comma before } (line 12, column 3)");
}

}  // namespace
}  // namespace quorvel
