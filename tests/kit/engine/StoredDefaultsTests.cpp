#include "kit/engine/StoredDefaults.hpp"

#include <set>

#include <gtest/gtest.h>

#include "platform/stores/KeyValueStore.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

namespace keys = StoredDefaults;

// The names and types are what users' defaults files already hold: each key must read back
// what an earlier build stored under that name with that type.
TEST(StoredDefaults, EachKeyKeepsTheNameAndTypeStoredFilesUse) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    const json::Json table = json::parse(R"({"s1":{"channelID":"c"}})");
    const Instant when = Instant::fromReferenceSeconds(725760000.5);
    {
        // Written the way stored files were written before the keys had types.
        KeyValueStore earlier(path);
        for (const char* name : {"appSettings", "deviceControls", "liveActivitiesActive", "liveActivitiesEnding",
                                 "liveActivityChannels", "tokenSyncDevices"}) {
            earlier.setJson(name, table);
        }
        earlier.setString("phoneDeviceToken", "a1b2");
        earlier.setString("tokenSyncChangeToken", "dG9rZW4=");
        earlier.setDate("appliedPhonePrefsAt", when);
        for (const char* name : {"phoneDeviceTokenInvalid", "deviceVisible", "stripVisible", "setupShown"}) {
            earlier.setBool(name, true);
        }
    }
    const KeyValueStore store(path);
    for (const auto& key : {keys::appSettings, keys::deviceControls, keys::liveActivitiesActive,
                            keys::liveActivitiesEnding, keys::liveActivityChannels, keys::tokenSyncDevices}) {
        EXPECT_EQ(store.value(key), table) << key.name;
    }
    EXPECT_EQ(store.value(keys::phoneDeviceToken), "a1b2");
    EXPECT_EQ(store.value(keys::tokenSyncChangeToken), "dG9rZW4=");
    EXPECT_EQ(store.value(keys::appliedPhonePrefsAt), when);
    for (const auto& key : {keys::phoneDeviceTokenInvalid, keys::deviceVisible, keys::stripVisible, keys::setupShown}) {
        EXPECT_EQ(store.value(key), true) << key.name;
    }
}

TEST(StoredDefaults, NoTwoKeysShareAName) {
    const std::set<std::string_view> names{
        keys::appSettings.name,          keys::deviceControls.name,       keys::phoneDeviceToken.name,
        keys::phoneDeviceTokenInvalid.name, keys::appliedPhonePrefsAt.name, keys::liveActivitiesActive.name,
        keys::liveActivitiesEnding.name, keys::liveActivityChannels.name, keys::tokenSyncDevices.name,
        keys::tokenSyncChangeToken.name, keys::deviceVisible.name,        keys::stripVisible.name,
        keys::setupShown.name};
    EXPECT_EQ(names.size(), 13u);
}

TEST(StoredDefaults, AValueWrittenThroughAKeyReadsBackThroughItAfterAReload) {
    testing::TemporaryFolder folder;
    const std::string path = folder / "defaults.json";
    const Instant when = Instant::fromReferenceSeconds(1.25);
    {
        KeyValueStore store(path);
        store.set(keys::phoneDeviceToken, "ff00");
        store.set(keys::phoneDeviceTokenInvalid, false);
        store.set(keys::appliedPhonePrefsAt, when);
        store.set(keys::deviceControls, json::parse(R"({"volume":0.5})"));
        store.set(DefaultsKey<double>{"volume"}, 0.25);
    }
    KeyValueStore store(path);
    EXPECT_EQ(store.value(keys::phoneDeviceToken), "ff00");
    EXPECT_EQ(store.value(keys::phoneDeviceTokenInvalid), false);
    EXPECT_EQ(store.value(keys::appliedPhonePrefsAt), when);
    EXPECT_EQ(store.value(keys::deviceControls), json::parse(R"({"volume":0.5})"));
    EXPECT_EQ(store.value(DefaultsKey<double>{"volume"}), 0.25);
    // The date is stored as a date, not as a number an older build would not read back.
    EXPECT_EQ(store.numberValue(keys::appliedPhonePrefsAt.name), std::nullopt);

    // A value of another type under the key's name counts as none.
    store.setString(keys::setupShown.name, "true");
    EXPECT_EQ(store.value(keys::setupShown), std::nullopt);
    EXPECT_TRUE(store.contains(keys::setupShown));
    store.remove(keys::setupShown);
    EXPECT_FALSE(store.contains(keys::setupShown));
}

}  // namespace
}  // namespace quorvel
