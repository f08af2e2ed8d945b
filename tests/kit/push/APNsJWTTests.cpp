#include <gtest/gtest.h>

#include "kit/push/APNsJWTCache.hpp"
#include "kit/push/APNsJWTSigner.hpp"
#include "platform/text/Base64.hpp"
#include "tests/kit/push/FakeApns.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

std::vector<std::string> split(const std::string& token) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = token.find('.', start);
        parts.push_back(token.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

std::array<std::uint8_t, 64> signatureOf(const std::string& part) {
    const std::string raw = base64::decodeUrl(part).value_or("");
    std::array<std::uint8_t, 64> signature{};
    if (raw.size() == 64) std::copy(raw.begin(), raw.end(), signature.begin());
    return signature;
}

class APNsJWTTest : public ::testing::Test {
protected:
    void SetUp() override {
        pem_ = testing::makePrivateKeyPem(folder_, "AuthKey_ABC123DEFG.p8");
        auto signer = APNsJWTSigner::make(pem_, "ABC123DEFG", "TEAM123456");
        ASSERT_TRUE(signer);
        signer_.emplace(std::move(signer.value()));
    }

    TemporaryFolder folder_;
    std::string pem_;
    std::optional<APNsJWTSigner> signer_;
};

TEST_F(APNsJWTTest, TokenHasTheExactHeaderAndClaimsAndVerifiesAgainstThePublicHalf) {
    auto token = signer_->sign(Instant::fromUnixSeconds(1700000000.9));
    ASSERT_TRUE(token);
    const auto parts = split(token.value());
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(base64::decodeUrl(parts[0]).value_or(""), R"({"alg":"ES256","kid":"ABC123DEFG"})");
    EXPECT_EQ(base64::decodeUrl(parts[1]).value_or(""), R"({"iss":"TEAM123456","iat":1700000000})");
    EXPECT_EQ(token.value().find_first_of("=+/"), std::string::npos);
    ASSERT_EQ(base64::decodeUrl(parts[2]).value_or("").size(), 64u);

    // Checked against the public key as the openssl tool derives it from the .p8 file, not
    // only against our own reading of it.
    auto opensslPublic = P256PublicKey::fromPem(testing::publicKeyPemOf(folder_, "AuthKey_ABC123DEFG.p8"));
    ASSERT_TRUE(opensslPublic);
    EXPECT_EQ(opensslPublic.value(), signer_->publicKey());
    const std::string signingInput = parts[0] + "." + parts[1];
    EXPECT_TRUE(opensslPublic->isValidSignature(signatureOf(parts[2]), signingInput));
    EXPECT_FALSE(opensslPublic->isValidSignature(signatureOf(parts[2]), signingInput + "x"));
}

TEST_F(APNsJWTTest, EverySignatureVerifiesIncludingHalvesWithLeadingZeroBytes) {
    // About one signature in 128 has an r or s below 2^248, whose DER form is shorter than
    // 32 bytes; 3000 signatures meet some of them (all but certainly).
    const P256PublicKey publicKey = signer_->publicKey();
    auto key = P256SigningKey::fromPem(pem_);
    ASSERT_TRUE(key);
    int shortHalves = 0;
    for (int i = 0; i < 3000; ++i) {
        const std::string message = "message " + std::to_string(i);
        auto signature = key->sign(message);
        ASSERT_TRUE(signature);
        if (signature.value()[0] == 0 || signature.value()[32] == 0) ++shortHalves;
        ASSERT_TRUE(publicKey.isValidSignature(signature.value(), message)) << i;
    }
    EXPECT_GT(shortHalves, 0);
}

TEST_F(APNsJWTTest, KeysThatAreNotUnencryptedP256AreRefused) {
    using Code = SigningKeyError::Code;
    const std::string p384 = testing::makePrivateKeyPem(folder_, "p384.p8", "P-384");
    ASSERT_TRUE(testing::runQuietly({"openssl", "pkey", "-in", folder_ / "AuthKey_ABC123DEFG.p8", "-aes256",
                                     "-passout", "pass:secret", "-out", folder_ / "encrypted.pem"}));
    ASSERT_TRUE(testing::runQuietly({"openssl", "ec", "-in", folder_ / "AuthKey_ABC123DEFG.p8", "-out",
                                     folder_ / "sec1.pem"}));
    struct Case {
        std::string name;
        std::string pem;
        std::optional<Code> error;
    };
    const Case cases[] = {
        {"pkcs8 P-256", pem_, std::nullopt},
        {"SEC1 P-256", testing::readWholeFile(folder_ / "sec1.pem"), std::nullopt},
        {"P-384", p384, Code::wrongKeyType},
        {"encrypted", testing::readWholeFile(folder_ / "encrypted.pem"), Code::encrypted},
        {"not PEM", "hello", Code::notPem},
        {"empty", "", Code::notPem},
        {"public key only", testing::publicKeyPemOf(folder_, "AuthKey_ABC123DEFG.p8"), Code::notPem},
    };
    for (const Case& c : cases) {
        auto signer = APNsJWTSigner::make(c.pem, "K", "T");
        if (c.error) {
            ASSERT_FALSE(signer) << c.name;
            EXPECT_EQ(signer.error().code, *c.error) << c.name;
            EXPECT_FALSE(signer.error().description().empty());
        } else {
            EXPECT_TRUE(signer) << c.name;
        }
    }
}

TEST_F(APNsJWTTest, CacheReusesTokensYoungerThan3000Seconds) {
    APNsJWTCache cache;
    const Instant start = Instant::fromUnixSeconds(1700000000);
    const std::string first = cache.token(*signer_, start).value();
    EXPECT_EQ(cache.token(*signer_, start.adding(2999)).value(), first);
    const std::string renewed = cache.token(*signer_, start.adding(3000)).value();
    EXPECT_NE(renewed, first);
    EXPECT_EQ(base64::decodeUrl(split(renewed)[1]).value_or(""), R"({"iss":"TEAM123456","iat":1700003000})");
    ASSERT_TRUE(cache.current);
    EXPECT_EQ(cache.current->issuedAt, start.adding(3000));
}

TEST_F(APNsJWTTest, RefreshIsRefusedForTokensYoungerThan1200Seconds) {
    APNsJWTCache cache;
    const Instant start = Instant::fromUnixSeconds(1700000000);
    EXPECT_TRUE(cache.refreshIfNeeded(*signer_, start).value());
    const std::string first = cache.current->token;
    EXPECT_FALSE(cache.refreshIfNeeded(*signer_, start.adding(1199)).value());
    EXPECT_EQ(cache.current->token, first);
    EXPECT_TRUE(cache.refreshIfNeeded(*signer_, start.adding(1200)).value());
    EXPECT_NE(cache.current->token, first);
}

TEST_F(APNsJWTTest, TokenIssuedAfterNowCountsAsExpired) {
    // The clock moved back an hour: the cached token's real age is unknown, so it is replaced
    // rather than used for up to 3000 more seconds.
    APNsJWTCache cache;
    const Instant start = Instant::fromUnixSeconds(1700003600);
    const std::string first = cache.token(*signer_, start).value();
    const Instant earlier = start.adding(-3600);
    const std::string second = cache.token(*signer_, earlier).value();
    EXPECT_NE(second, first);
    EXPECT_EQ(cache.current->issuedAt, earlier);

    cache.current->issuedAt = earlier.adding(10);
    EXPECT_TRUE(cache.refreshIfNeeded(*signer_, earlier).value());
}

}  // namespace
}  // namespace quorvel
