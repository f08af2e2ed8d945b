#include "app/core/AppSettings.hpp"

#include <gtest/gtest.h>

#include "platform/KeyValueStore.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

AppSettings loadFrom(const std::optional<std::string>& storedJson) {
    TemporaryFolder folder;
    KeyValueStore defaults(folder / "defaults.json");
    if (storedJson) defaults.setJson(AppSettings::storageKey, json::parse(*storedJson));
    return AppSettings::load(defaults);
}

AppSettings withShowInDock() {
    AppSettings settings;
    settings.showInDock = true;
    return settings;
}

TEST(AppSettingsTests, DefaultsAreTheDocumentedOnes) {
    const AppSettings settings;
    EXPECT_EQ(settings.longRunMinutes, 10);
    EXPECT_EQ(settings.shellMinimumSeconds, 10);
    EXPECT_EQ(settings.awayMinutes, 3);
    EXPECT_EQ(settings.quietHoursStart, 23);
    EXPECT_EQ(settings.quietHoursEnd, 7);
    EXPECT_TRUE(settings.failuresBuzzPhone);
    EXPECT_FALSE(settings.alwaysPushToPhone);
    EXPECT_FALSE(settings.showInDock);
}

TEST(AppSettingsTests, LoadTakesWhatDecodesAndFallsBackWhollyOtherwise) {
    struct Case {
        const char* name;
        std::optional<std::string> stored;
        AppSettings expected;
    };
    const Case cases[] = {
        {"nothing stored", std::nullopt, AppSettings{}},
        {"only showInDock", R"({"showInDock":true})", withShowInDock()},
        {"null means default", R"({"failuresBuzzPhone":null})", AppSettings{}},
        {"unknown keys ignored", R"({"showInDock":true,"colour":"red"})", withShowInDock()},
        {"a string for a number", R"({"showInDock":true,"awayMinutes":"5"})", AppSettings{}},
        {"a number for a flag", R"({"longRunMinutes":20,"showInDock":1})", AppSettings{}},
        {"a fraction for an integer", R"({"longRunMinutes":2.5})", AppSettings{}},
        {"not an object", R"([1,2])", AppSettings{}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(loadFrom(c.stored), c.expected) << c.name;
    }
}

TEST(AppSettingsTests, SavedSettingsLoadBackEqualWithEveryKeyWritten) {
    TemporaryFolder folder;
    KeyValueStore defaults(folder / "defaults.json");
    const AppSettings settings{45, 3, 9, 22, 6, false, true, true};
    ASSERT_TRUE(settings.save(defaults));

    EXPECT_EQ(AppSettings::load(defaults), settings);
    const json::Json stored = *defaults.jsonValue(AppSettings::storageKey);
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_EQ(stored["longRunMinutes"], 45);
    EXPECT_EQ(stored["showInDock"], true);
    // Through a reopened store as well: the value survives the file.
    EXPECT_EQ(AppSettings::load(KeyValueStore(folder / "defaults.json")), settings);
}

TEST(AppSettingsTests, StateMachineTimingsComeFromTheSettingsAndFixedValues) {
    AppSettings settings;
    settings.longRunMinutes = 15;
    settings.shellMinimumSeconds = 4;
    const StateMachineSettings derived = settings.stateMachineSettings();
    EXPECT_EQ(derived.longRunAfter, 900);
    EXPECT_EQ(derived.shellCommandMinimum, 4);
    EXPECT_EQ(derived.staleAfter, 1800);
    EXPECT_EQ(derived.backgroundSafetyNetAfter, 600);
    EXPECT_EQ(derived.doneLingers, 900);
    EXPECT_EQ(derived.brokeWindow, 120);
}

}  // namespace
}  // namespace quorvel
