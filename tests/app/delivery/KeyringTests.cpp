// The credential stores against a real keyring. They run only where QUORVEL_KEYRING_TEST is
// set (the CTest entry that starts a private session bus with GNOME Keyring), so a developer's
// own keyring is never written, and they skip when no secret service answers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "platform/services/LibsecretStore.hpp"
#include "tests/kit/push/FakeApns.hpp"

namespace quorvel {
namespace {

class KeyringTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* enabled = std::getenv("QUORVEL_KEYRING_TEST");
        if (enabled == nullptr || std::string(enabled) != "1") {
            GTEST_SKIP() << "runs only on the keyring test's private session bus";
        }
        auto probe = store_.find("com.tessaloom.quorvel.mac.probe", "default");
        if (!probe && probe.error().code == SecretStoreError::Code::unavailable) {
            GTEST_SKIP() << "no secret service answers: " << probe.error().message;
        }
        ASSERT_TRUE(probe) << probe.error().message;
        ASSERT_TRUE(APNsKeyStore::remove(store_));
        ASSERT_TRUE(RelayKeyStore::remove(store_));
    }

    testing::TemporaryFolder folder_;
    LibsecretStore store_;
};

TEST_F(KeyringTest, ApnsKeyRoundTripsAndIsReplacedInPlace) {
    auto nothing = APNsKeyStore::load(store_);
    ASSERT_TRUE(nothing) << APNsKeyStore::describe(nothing.error());
    EXPECT_FALSE(nothing.value());

    const APNsKeyStore::Credentials first{"KEY0000001", "TEAM", testing::makePrivateKeyPem(folder_, "a.p8")};
    const APNsKeyStore::Credentials second{"KEY0000002", "TEAM", testing::makePrivateKeyPem(folder_, "b.p8")};
    auto saved = APNsKeyStore::save(store_, first);
    ASSERT_TRUE(saved) << APNsKeyStore::describe(saved.error());
    EXPECT_EQ(APNsKeyStore::load(store_).value(), first);
    ASSERT_TRUE(APNsKeyStore::save(store_, second));
    EXPECT_EQ(APNsKeyStore::load(store_).value(), second);

    // Exactly one item: after removing it, nothing is left under the service.
    ASSERT_TRUE(APNsKeyStore::remove(store_));
    EXPECT_FALSE(APNsKeyStore::load(store_).value());
    EXPECT_TRUE(APNsKeyStore::remove(store_));
}

TEST_F(KeyringTest, RelayRoundTripsBesideTheApnsKey) {
    const RelayKeyStore::Credentials relay{WebUrl::parse("https://relay.example/push").value(), "secret-key"};
    ASSERT_TRUE(RelayKeyStore::save(store_, relay));
    ASSERT_TRUE(APNsKeyStore::save(store_, {"KEY0000003", "TEAM", testing::makePrivateKeyPem(folder_, "c.p8")}));
    EXPECT_EQ(RelayKeyStore::load(store_).value(), relay);
    ASSERT_TRUE(RelayKeyStore::remove(store_));
    EXPECT_FALSE(RelayKeyStore::load(store_).value());
    EXPECT_TRUE(APNsKeyStore::load(store_).value());
    ASSERT_TRUE(APNsKeyStore::remove(store_));
}

}  // namespace
}  // namespace quorvel
