#include "platform/json/JsonCoding.hpp"
#include "platform/json/BoundedJson.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include <chrono>

namespace quorvel::json {
namespace {

struct Sample {
    std::string name;
    std::int64_t count = 0;
    std::optional<std::string> note;
    std::optional<double> ratio;

    static Sample decode(const Json& value) {
        requireObject(value, "sample");
        return Sample{requireString(value, "name"), requireInt(value, "count"), optionalString(value, "note"),
                      optionalDouble(value, "ratio")};
    }
    Json encode() const {
        Json object = Json::object();
        object["name"] = string(name);
        object["count"] = count;
        putOptional(object, "note", note);
        putOptional(object, "ratio", ratio);
        return object;
    }
    bool operator==(const Sample&) const = default;
};

TEST(JsonCoding, IntegerFieldsAreStrict) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> expected;
    };
    const Case cases[] = {
        {"3", 3},
        {"-7", -7},
        {"3.0", 3},  // a whole number written with a fraction
        {"3e2", 300},
        {"9223372036854775807", std::numeric_limits<std::int64_t>::max()},
        {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
        {"1.5", std::nullopt},
        {"-0.25", std::nullopt},
        {"9223372036854775808", std::nullopt},  // 2^63
        {"18446744073709551615", std::nullopt},
        {"1e19", std::nullopt},
        {"-1e19", std::nullopt},
        {"1e400", std::nullopt},
        {"\"3\"", std::nullopt},
        {"true", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string document = std::string(R"({"n":)") + c.text + "}";
        if (c.expected) {
            EXPECT_EQ(requireInt(parse(document), "n"), *c.expected);
        } else {
            EXPECT_THROW(requireInt(parse(document), "n"), JsonDecodeError);
        }
    }
}

TEST(JsonCoding, OtherTypesAreStrict) {
    const Json object = parse(R"({"s":"x","n":1,"f":1.5,"b":false,"o":{},"a":[]})");
    EXPECT_THROW(requireString(object, "n"), JsonDecodeError);
    EXPECT_THROW(requireBool(object, "n"), JsonDecodeError);
    EXPECT_THROW(requireDouble(object, "b"), JsonDecodeError);
    EXPECT_THROW(requireDouble(object, "s"), JsonDecodeError);
    EXPECT_THROW(requireArray(object, "o"), JsonDecodeError);
    EXPECT_DOUBLE_EQ(requireDouble(object, "n"), 1.0);
    EXPECT_DOUBLE_EQ(requireDouble(object, "f"), 1.5);
    EXPECT_FALSE(requireBool(object, "b"));
    EXPECT_THROW(requireObject(parse("[]")), JsonDecodeError);
    EXPECT_THROW(requireString(parse("[]"), "s"), JsonDecodeError);
}

TEST(JsonCoding, MissingNullAndWrongTypedOptionals) {
    const Json object = parse(R"({"present":"yes","nothing":null,"wrong":5})");
    EXPECT_EQ(optionalString(object, "present"), "yes");
    EXPECT_EQ(optionalString(object, "absent"), std::nullopt);
    EXPECT_EQ(optionalString(object, "nothing"), std::nullopt);
    EXPECT_THROW(optionalString(object, "wrong"), JsonDecodeError);
    EXPECT_THROW(requireString(object, "absent"), JsonDecodeError);
    EXPECT_THROW(requireString(object, "nothing"), JsonDecodeError);
    EXPECT_EQ(optionalInt(object, "nothing"), std::nullopt);
    EXPECT_EQ(optionalBool(object, "absent"), std::nullopt);
    EXPECT_EQ(optionalReferenceDate(object, "nothing"), std::nullopt);
}

TEST(JsonCoding, TypedBoundaryDecodesAndRefuses) {
    const auto decoded = decodeJson<Sample>(R"({"count":2,"name":"a","extra":[1,2],"note":null})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, (Sample{"a", 2, std::nullopt, std::nullopt}));

    for (const char* bad : {R"({"name":"a"})", R"({"name":"a","count":"2"})", R"({"name":"a","count":2.5})",
                            R"({"name":"a","count":2,"ratio":"x"})", R"({"name":"a","count":2,})",
                            R"({"name":"a","count":2} // note)", "[1]", ""}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(decodeJson<Sample>(bad));
    }
}

TEST(JsonCoding, WritingLeavesAbsentOptionalsOutAndKeepsOrder) {
    EXPECT_EQ(*encodeJson(Sample{"z", 1, std::nullopt, std::nullopt}), R"({"name":"z","count":1})");
    EXPECT_EQ(*encodeJson(Sample{"z", 1, "n", 0.5}), R"({"name":"z","count":1,"note":"n","ratio":0.5})");
}

TEST(JsonCoding, NonFiniteNumbersAreRefused) {
    EXPECT_THROW(number(std::nan("")), JsonEncodeError);
    EXPECT_THROW(number(std::numeric_limits<double>::infinity()), JsonEncodeError);
    EXPECT_FALSE(encodeJson(Sample{"z", 1, std::nullopt, -std::numeric_limits<double>::infinity()}));
    // A NaN put into a tree directly is refused on writing instead of turning into null.
    Json object = Json::object();
    object["x"] = Json::array({1.0, std::nan("")});
    EXPECT_THROW(dump(object), JsonEncodeError);
    // JSON text cannot name infinity, but an exponent beyond double's range would read as one.
    EXPECT_THROW(parse("[1e400]"), JsonDecodeError);
}

TEST(JsonCoding, InvalidUtf8IsRepairedNotThrown) {
    Json object = Json::object();
    object["s"] = string("a\xFF" "b");
    EXPECT_EQ(dump(object), "{\"s\":\"a\xEF\xBF\xBD" "b\"}");
    Json raw = Json::object();
    raw["s"] = std::string("\xC3");
    EXPECT_EQ(dump(raw), "{\"s\":\"\xEF\xBF\xBD\"}");
    EXPECT_THROW(parse("\"\xFF\""), JsonDecodeError);
}

TEST(JsonCoding, DeepNestingIsRefused) {
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    EXPECT_THROW(parse(deep), JsonDecodeError);
    const std::string fine = std::string(100, '[') + std::string(100, ']');
    EXPECT_NO_THROW(parse(fine));
}

TEST(JsonCoding, ABoundedParseRefusesMoreValuesThanItsBound) {
    // Every object, array, string, number and literal counts.
    EXPECT_EQ(parseBounded(R"([{},"a",1,true,null])", 6).size(), 5u);
    EXPECT_THROW(parseBounded(R"([{},"a",1,true,null])", 5), JsonDecodeError);
    EXPECT_EQ(parseBounded(R"({"k":[1]})", 3), parse(R"({"k":[1]})"));
}

TEST(JsonCoding, ManyEmptyObjectsParseInTimeInProportionToTheText) {
    std::string many = "[";
    for (int index = 0; index < 300000; ++index) many += index == 0 ? "{}" : ",{}";
    many += "]";
    // A parser slower than in proportion (as one limiting depth by callback is) takes minutes.
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(parse(many).size(), 300000u);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_THROW(parseBounded(many, 1000), JsonDecodeError);
}

TEST(JsonCoding, PrettyOutputIsIndented) {
    Json object = Json::object();
    object["b"] = 1;
    object["a"] = true;
    EXPECT_EQ(dumpPretty(object), "{\n  \"b\": 1,\n  \"a\": true\n}");
}

}  // namespace
}  // namespace quorvel::json
