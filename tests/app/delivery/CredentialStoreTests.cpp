#include <gtest/gtest.h>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "platform/services/InMemorySecretStore.hpp"
#include "tests/kit/push/FakeApns.hpp"

namespace quorvel {
namespace {

using APNsKeyStore::KeychainError;

class CredentialStoreTest : public ::testing::Test {
protected:
    void SetUp() override { pem_ = testing::makePrivateKeyPem(folder_, "key.p8"); }

    RelayKeyStore::Credentials relay(const std::string& url, const std::string& key) {
        return RelayKeyStore::Credentials{WebUrl::parse(url).value(), key};
    }

    testing::TemporaryFolder folder_;
    std::string pem_;
    InMemorySecretStore store_;
};

TEST_F(CredentialStoreTest, ItemsAreFoundByServiceAndAccountWithTheirLabels) {
    EXPECT_EQ(APNsKeyStore::service(), "com.tessaloom.quorvel.mac.apns-key");
    EXPECT_EQ(RelayKeyStore::service(), "com.tessaloom.quorvel.mac.relay-key");

    auto nothing = APNsKeyStore::load(store_);
    ASSERT_TRUE(nothing);
    EXPECT_FALSE(nothing.value());
    ASSERT_TRUE(RelayKeyStore::load(store_));
    EXPECT_FALSE(RelayKeyStore::load(store_).value());

    const APNsKeyStore::Credentials key{"ABC123", "TEAM9", pem_};
    ASSERT_TRUE(APNsKeyStore::save(store_, key));
    ASSERT_TRUE(RelayKeyStore::save(store_, relay("https://relay.example/push", "k1")));

    const auto apnsItem = store_.item("com.tessaloom.quorvel.mac.apns-key", "default");
    ASSERT_TRUE(apnsItem);
    EXPECT_EQ(apnsItem->label, "Quorvel APNs key ABC123");
    EXPECT_EQ(json::parse(apnsItem->value), key.encode());
    const auto relayItem = store_.item("com.tessaloom.quorvel.mac.relay-key", "default");
    ASSERT_TRUE(relayItem);
    EXPECT_EQ(relayItem->label, "Quorvel relay key");
    EXPECT_EQ(relayItem->value, R"({"url":"https://relay.example/push","key":"k1"})");

    EXPECT_EQ(APNsKeyStore::load(store_).value(), key);
    EXPECT_EQ(RelayKeyStore::load(store_).value(), relay("https://relay.example/push", "k1"));
}

TEST_F(CredentialStoreTest, SavingReplacesInOneStepAndKeepsTheOldItemWhenTheKeyringRefuses) {
    ASSERT_TRUE(APNsKeyStore::save(store_, {"OLD", "TEAM", pem_}));
    ASSERT_TRUE(RelayKeyStore::save(store_, relay("https://old.example", "old")));
    ASSERT_TRUE(APNsKeyStore::save(store_, {"NEW", "TEAM", pem_}));
    ASSERT_TRUE(RelayKeyStore::save(store_, relay("https://new.example", "new")));
    EXPECT_EQ(store_.itemCount(), 2u);
    EXPECT_EQ(APNsKeyStore::load(store_).value()->keyID, "NEW");
    EXPECT_EQ(RelayKeyStore::load(store_).value()->key, "new");
    EXPECT_EQ(store_.removeCalls(), 0);  // never delete-then-add

    store_.setFailure(SecretStoreError{SecretStoreError::Code::failed, "disk full"});
    auto refused = APNsKeyStore::save(store_, {"NEWER", "TEAM", pem_});
    ASSERT_FALSE(refused);
    EXPECT_EQ(APNsKeyStore::describe(refused.error()), "Keyring: disk full");
    EXPECT_FALSE(RelayKeyStore::save(store_, relay("https://newer.example", "newer")));
    store_.setFailure(std::nullopt);
    EXPECT_EQ(APNsKeyStore::load(store_).value()->keyID, "NEW");
    EXPECT_EQ(RelayKeyStore::load(store_).value()->key, "new");
}

TEST_F(CredentialStoreTest, InvalidInputIsRefusedWithoutTouchingTheKeyring) {
    ASSERT_TRUE(APNsKeyStore::save(store_, {"GOOD", "TEAM", pem_}));
    const std::string p384 = testing::makePrivateKeyPem(folder_, "p384.p8", "P-384");
    for (const std::string& pem : {std::string("not a key"), p384}) {
        auto refused = APNsKeyStore::save(store_, {"BAD", "TEAM", pem});
        ASSERT_FALSE(refused);
        EXPECT_TRUE(std::holds_alternative<SigningKeyError>(refused.error()));
    }
    EXPECT_EQ(APNsKeyStore::load(store_).value()->keyID, "GOOD");

    // Each refusal says what to mend: the keyring was never asked, so it is not named.
    const std::string notHttps = "The relay address must start with https://.";
    const std::string notOneLine = "The relay key must be one line.";
    const std::pair<RelayKeyStore::Credentials, std::string> refusedRelays[] = {
        {relay("http://relay.example", "k"), notHttps},
        {relay("HTTPS://relay.example", "k"), notHttps},
        {relay("ftp://relay.example", "k"), notHttps},
        {relay("https://relay.example", ""), "The relay key is empty."},
        {relay("https://relay.example", "k\r\nx: y"), notOneLine},
        {relay("https://relay.example", "k\nx"), notOneLine},
        {relay("http://relay.example", "k\nx"), notHttps + " " + notOneLine},
    };
    for (const auto& [credentials, text] : refusedRelays) {
        auto refused = RelayKeyStore::save(store_, credentials);
        ASSERT_FALSE(refused) << credentials.url.absoluteString();
        EXPECT_EQ(refused.error().status, -50);
        EXPECT_EQ(refused.error().description(), text);
    }
    EXPECT_FALSE(RelayKeyStore::load(store_).value());
}

TEST_F(CredentialStoreTest, DeletingSucceedsAlsoWhenNothingIsStored) {
    EXPECT_TRUE(APNsKeyStore::remove(store_));
    EXPECT_TRUE(RelayKeyStore::remove(store_));
    ASSERT_TRUE(RelayKeyStore::save(store_, relay("https://relay.example", "k")));
    EXPECT_TRUE(RelayKeyStore::remove(store_));
    EXPECT_FALSE(RelayKeyStore::load(store_).value());

    store_.setFailure(SecretStoreError{SecretStoreError::Code::unavailable, "no bus"});
    auto failed = APNsKeyStore::remove(store_);
    ASSERT_FALSE(failed);
    EXPECT_EQ(failed.error().status, KeychainError::notAvailable);
}

TEST_F(CredentialStoreTest, StoredValuesThatAreNotTheRecordMakeLoadFail) {
    for (const std::string& value : {std::string("not json"), std::string(R"({"keyID":"K","teamID":"T"})"),
                                     std::string(R"({"keyID":1,"teamID":"T","pem":"P"})")}) {
        ASSERT_TRUE(store_.replace(APNsKeyStore::service(), "default", "x", value));
        auto loaded = APNsKeyStore::load(store_);
        ASSERT_FALSE(loaded) << value;
        EXPECT_TRUE(std::holds_alternative<APNsKeyStore::DecodingError>(loaded.error()));
    }
    ASSERT_TRUE(store_.replace(RelayKeyStore::service(), "default", "x", R"({"url":"no url here","key":"k"})"));
    EXPECT_FALSE(RelayKeyStore::load(store_));
}

TEST(KeychainErrorText, StatusesWithAndWithoutAMessage) {
    EXPECT_EQ((KeychainError{-50, std::nullopt, std::nullopt}.description()),
              "Keyring: One or more parameters passed to a function were not valid.");
    EXPECT_EQ((KeychainError{-12345, std::nullopt, std::nullopt}.description()), "Keyring: status -12345");
    EXPECT_EQ(KeychainError::from(SecretStoreError{SecretStoreError::Code::denied, "locked"}).status, -25308);
    EXPECT_EQ(KeychainError::from(SecretStoreError{SecretStoreError::Code::unavailable, "x"}).description(),
              "Keyring: No keyring is available. Start the desktop's keyring service (such as GNOME Keyring).");
}

}  // namespace
}  // namespace quorvel
