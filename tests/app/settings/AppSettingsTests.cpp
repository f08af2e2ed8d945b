#include "app/settings/AppSettings.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string_view>

#include "kit/engine/StoredDefaults.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "tests/support/TemporaryFolder.hpp"

namespace quorvel {
namespace {

using testing::TemporaryFolder;

AppSettings loadFrom(const std::optional<std::string>& storedJson) {
    TemporaryFolder folder;
    KeyValueStore defaults(folder / "defaults.json");
    if (storedJson) defaults.set(StoredDefaults::appSettings, json::parse(*storedJson));
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

AppSettings withAwayMinutes(std::int64_t minutes) {
    AppSettings settings;
    settings.awayMinutes = minutes;
    return settings;
}

TEST(AppSettingsTests, LoadTakesEveryValueThatDecodesAndTheDefaultForEachOtherOne) {
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
        {"a string for a number", R"({"showInDock":true,"awayMinutes":"5"})", withShowInDock()},
        {"a number for a flag", R"({"awayMinutes":20,"showInDock":1})", withAwayMinutes(20)},
        {"a fraction for an integer", R"({"longRunMinutes":2.5,"showInDock":true})", withShowInDock()},
        {"a number beyond 64 bits", R"({"awayMinutes":1e300,"showInDock":true})", withShowInDock()},
        {"an integer beyond 64 bits", R"({"awayMinutes":9223372036854775808,"showInDock":true})",
         withShowInDock()},
        {"every value bad", R"({"longRunMinutes":"x","awayMinutes":[],"showInDock":{}})", AppSettings{}},
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
    const json::Json stored = *defaults.value(StoredDefaults::appSettings);
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_EQ(stored["longRunMinutes"], 45);
    EXPECT_EQ(stored["showInDock"], true);
    // Through a reopened store as well: the value survives the file.
    EXPECT_EQ(AppSettings::load(KeyValueStore(folder / "defaults.json")), settings);
}

TEST(AppSettingsTests, StoredNumbersOutsideTheirRangeAreUsedAsTheyAre) {
    const AppSettings low = loadFrom(
        R"({"longRunMinutes":0,"shellMinimumSeconds":-5,"awayMinutes":-9223372036854775807,)"
        R"("quietHoursStart":-1,"quietHoursEnd":-24,"showInDock":true})");
    EXPECT_EQ(low, (AppSettings{0, -5, -9223372036854775807, -1, -24, true, false, true}));
    const AppSettings high = loadFrom(
        R"({"longRunMinutes":180,"shellMinimumSeconds":9223372036854775807,"awayMinutes":61,)"
        R"("quietHoursStart":24,"quietHoursEnd":99})");
    EXPECT_EQ(high, (AppSettings{180, 9223372036854775807, 61, 24, 99, true, false, false}));
    EXPECT_EQ(high.stateMachineSettings().longRunAfter, 180 * 60.0);

    // Saving what was loaded writes the stored value back, not a range end over it.
    TemporaryFolder folder;
    KeyValueStore defaults(folder / "defaults.json");
    defaults.set(StoredDefaults::appSettings, json::parse(R"({"longRunMinutes":180})"));
    ASSERT_TRUE(AppSettings::load(defaults).save(defaults));
    EXPECT_EQ((*defaults.value(StoredDefaults::appSettings))["longRunMinutes"], 180);
    // The ends themselves are kept.
    const AppSettings ends = loadFrom(R"({"longRunMinutes":120,"shellMinimumSeconds":0,"quietHoursEnd":23})");
    EXPECT_EQ(ends.longRunMinutes, 120);
    EXPECT_EQ(ends.shellMinimumSeconds, 0);
    EXPECT_EQ(ends.quietHoursEnd, 23);
}

TEST(AppSettingsTests, EveryDeclaredSettingIsItsOwnFieldAndRoundTrips) {
    std::set<std::string_view> keys;
    std::set<std::string_view> labels;
    for (const SettingDescriptor* setting : settingFields::all) {
        SCOPED_TRACE(std::string(setting->key));
        EXPECT_TRUE(keys.insert(setting->key).second) << "declared twice";
        if (!setting->label.empty()) {
            EXPECT_TRUE(labels.insert(setting->label).second) << "label used twice";
        }
        ASSERT_NE(setting->number == nullptr, setting->flag == nullptr) << "a number or a switch, not both";

        // A value other than the default, written alone, comes back in that field only.
        AppSettings changed;
        json::Json expectedStored;
        if (setting->number) {
            ASSERT_LT(setting->lower, setting->upper);
            const std::int64_t defaultValue = changed.*setting->number;
            EXPECT_EQ(setting->clamped(defaultValue), defaultValue) << "the default is in range";
            changed.*setting->number = defaultValue == setting->upper ? setting->lower : setting->upper;
            expectedStored = changed.*setting->number;
        } else {
            changed.*setting->flag = !(changed.*setting->flag);
            expectedStored = changed.*setting->flag;
        }
        ASSERT_NE(changed, AppSettings{});
        TemporaryFolder folder;
        KeyValueStore defaults(folder / "defaults.json");
        ASSERT_TRUE(changed.save(defaults));
        EXPECT_EQ(AppSettings::load(KeyValueStore(folder / "defaults.json")), changed);
        EXPECT_EQ((*defaults.value(StoredDefaults::appSettings))[std::string(setting->key)], expectedStored);
    }
    EXPECT_EQ(keys.size(), 8u);
}

TEST(AppSettingsTests, TheStoredDocumentKeepsItsKeysOrderAndForms) {
    // What earlier versions wrote, byte for byte: files already on disk read the same, and
    // what is written now is what they would have written.
    const std::string written =
        R"({"longRunMinutes":45,"shellMinimumSeconds":3,"awayMinutes":9,"quietHoursStart":22,)"
        R"("quietHoursEnd":6,"failuresBuzzPhone":false,"alwaysPushToPhone":true,"showInDock":true})";
    const AppSettings settings{45, 3, 9, 22, 6, false, true, true};
    EXPECT_EQ(json::dump(settings.encode()), written);
    EXPECT_EQ(AppSettings::decode(json::parse(written)), settings);
}

TEST(AppSettingsTests, StateMachineTimingsComeFromTheSettingsAndFixedValues) {
    // Untouched settings give the machine exactly its standard timings.
    EXPECT_EQ(AppSettings().stateMachineSettings(), StateMachineSettings::standard());

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
