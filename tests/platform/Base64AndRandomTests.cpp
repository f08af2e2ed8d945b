#include <regex>
#include <set>

#include <gtest/gtest.h>

#include "platform/SecureRandom.hpp"
#include "platform/text/Base64.hpp"

namespace quorvel {
namespace {

TEST(Base64, Rfc4648Vectors) {
    const std::pair<const char*, const char*> vectors[] = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
    };
    for (const auto& [plain, encoded] : vectors) {
        SCOPED_TRACE(plain);
        EXPECT_EQ(base64::encode(plain), encoded);
        EXPECT_EQ(base64::decode(encoded), plain);
        std::string unpadded = encoded;
        std::erase(unpadded, '=');
        EXPECT_EQ(base64::encodeUrlUnpadded(plain), unpadded);
        EXPECT_EQ(base64::decodeUrl(unpadded), plain);
        EXPECT_EQ(base64::decodeUrl(encoded), plain);
    }
}

TEST(Base64, AlphabetsDiffer) {
    const std::string bytes("\xFB\xFF\xBF", 3);
    EXPECT_EQ(base64::encode(bytes), "+/+/");
    EXPECT_EQ(base64::encodeUrlUnpadded(bytes), "-_-_");
    EXPECT_EQ(base64::decode("+/+/"), bytes);
    EXPECT_EQ(base64::decodeUrl("-_-_"), bytes);
    EXPECT_EQ(base64::decode("-_-_"), std::nullopt);
    EXPECT_EQ(base64::decodeUrl("+/+/"), std::nullopt);
}

TEST(Base64, RefusesMalformedText) {
    for (const char* bad : {"Zg", "Zg=", "Z===", "Zm9v!", "Zm 9v", "Z", "=Zg=", "Zg==Zg=="}) {
        SCOPED_TRACE(bad);
        EXPECT_EQ(base64::decode(bad), std::nullopt);
    }
    EXPECT_EQ(base64::decodeUrl("Z"), std::nullopt);
    EXPECT_EQ(base64::decodeUrl("Zg="), std::nullopt);
    EXPECT_TRUE(base64::isUrlAlphabet("abcXYZ019-_"));
    EXPECT_FALSE(base64::isUrlAlphabet("ab+"));
    EXPECT_FALSE(base64::isUrlAlphabet("ab="));
    EXPECT_FALSE(base64::isUrlAlphabet("ab c"));
}

TEST(SecureRandom, GivesTheCountAskedForAndDiffers) {
    const auto first = random::secureRandomBytes(32);
    const auto second = random::secureRandomBytes(32);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->size(), 32u);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(random::secureRandomBytes(0)->size(), 0u);
    EXPECT_EQ(random::secureRandomBytes(100000)->size(), 100000u);
}

TEST(SecureRandom, UuidsAreUpperCaseVersion4) {
    const std::regex form("[0-9A-F]{8}-[0-9A-F]{4}-4[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}");
    std::set<std::string> seen;
    for (int i = 0; i < 200; ++i) {
        const std::string uuid = random::makeUuidString();
        EXPECT_TRUE(std::regex_match(uuid, form)) << uuid;
        seen.insert(uuid);
    }
    EXPECT_EQ(seen.size(), 200u);
}

}  // namespace
}  // namespace quorvel
