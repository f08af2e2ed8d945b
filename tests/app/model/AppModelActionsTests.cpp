// What the user sets up: keys and relay, the phone token, hooks, login item, recordings and
// banners.
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstring>
#include <filesystem>

#include "app/delivery/APNsKeyStore.hpp"
#include "app/delivery/RelayKeyStore.hpp"
#include "tests/app/model/AppModelTestbed.hpp"
#include "tests/support/P256KeyFile.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::contains;
using testing::settle;

using testing::makeP256Pem;

std::optional<APNsKeyStore::Credentials> storedKey(AppModelTestbed& bed) {
    auto loaded = APNsKeyStore::load(bed.keychain->items());
    if (!loaded || !*loaded) return std::nullopt;
    return **loaded;
}

// ---- the APNs key -----------------------------------------------------------------------------

TEST(AppModelActionsTests, AnImportedKeyTakesItsIDFromTheFileNameOnlyWhenNoneIsTyped) {
    struct Case {
        const char* typedKeyID;
        const char* fileName;
        const char* keyID;
    };
    const Case cases[] = {
        {"", "AuthKey_XYZ.p8", "XYZ"},
        {" \tKEY9 ", "AuthKey_XYZ.p8", "KEY9"},
        {"", "key.p8", ""},
        {"", "AuthKey_ABC123DEFG.p8", "ABC123DEFG"},
    };
    const std::string pem = makeP256Pem();
    for (const Case& c : cases) {
        AppModelTestbed bed;
        AppModel& model = bed.make();
        const std::string file = bed.home / c.fileName;
        ASSERT_TRUE(files::writeFileAtomically(file, pem));
        bed.recorded.chosenFile = file;
        model.phone().importAPNsKey(c.typedKeyID, "  TEAM42\t");
        settle();

        EXPECT_EQ(bed.recorded.openPanels, (std::vector<std::string>{"Choose the AuthKey .p8 file"})) << c.fileName;
        const auto stored = storedKey(bed);
        ASSERT_TRUE(stored) << c.fileName;
        EXPECT_EQ(*stored, (APNsKeyStore::Credentials{c.keyID, "TEAM42", pem})) << c.fileName;
        // Read back from the keyring.
        EXPECT_EQ(model.phone().apnsKeyID(), std::optional<std::string>(c.keyID)) << c.fileName;
        EXPECT_TRUE(model.phone().hasPushCredentials());
        EXPECT_TRUE(contains(bed.log.lines("App"), std::string("info APNs key ") + c.keyID + " imported into the login keyring"))
            << c.fileName;
        EXPECT_TRUE(bed.recorded.errorAlerts.empty());
    }
}

TEST(AppModelActionsTests, AKeyImportThatFailsIsShownAndTheStoredKeyStays) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string pem = makeP256Pem();
    ASSERT_TRUE(APNsKeyStore::save(bed.keychain->items(), {"OLD", "TEAM", pem}));
    model.phone().refreshKeys();
    settle();
    ASSERT_EQ(model.phone().apnsKeyID(), std::optional<std::string>("OLD"));

    // Cancelled: nothing happens at all.
    bed.recorded.chosenFile = std::nullopt;
    model.phone().importAPNsKey("NEW", "TEAM");
    settle();
    EXPECT_EQ(bed.recorded.openPanels.size(), 1u);
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());

    // A file that isn't there, and one that holds no P-256 key.
    const std::string gone = bed.home / "AuthKey_GONE.p8";
    const std::string notAKey = bed.home / "AuthKey_BAD.p8";
    ASSERT_TRUE(files::writeFileAtomically(notAKey, "not a key"));
    const auto refused = APNsKeyStore::save(bed.keychain->items(), {"X", "T", "not a key"});
    ASSERT_FALSE(refused);
    const std::string notPem = APNsKeyStore::describe(refused.error());
    for (const auto& [file, description] : {std::pair{gone, files::readFile(gone).error().message},
                                            std::pair{notAKey, notPem}}) {
        bed.recorded.errorAlerts.clear();
        bed.recorded.chosenFile = file;
        model.phone().importAPNsKey("", "TEAM");
        settle();
        EXPECT_EQ(bed.recorded.errorAlerts, (std::vector<std::string>{description})) << file;
        EXPECT_TRUE(contains(bed.log.lines("App"), "error APNs key import failed: " + description)) << description;
        EXPECT_EQ(storedKey(bed)->keyID, "OLD");
        EXPECT_EQ(model.phone().apnsKeyID(), std::optional<std::string>("OLD"));
    }
}

// ---- the relay --------------------------------------------------------------------------------

TEST(AppModelActionsTests, RelayAddressesAreTrimmedCheckedAndReportedBesideTheirKeys) {
    struct Case {
        const char* url;
        const char* key;
        std::optional<std::string> relayURL;  // after the call
        std::string relayReport;
    };
    const Case cases[] = {
        {" \thttps://relay.example/push \n", " secret\n", "https://relay.example/push",
         "Relay set. Send a test push to check it."},
        {"not a url", "secret", std::nullopt, "That relay address doesn't look like a URL."},
        // Only https is stored: the keyring is never asked to keep another address, and the
        // report says what to mend.
        {"http://relay.example/push", "secret", std::nullopt,
         "Couldn't save the relay key: The relay address must start with https://."},
        {"https://relay.example/push", "  ", std::nullopt, "Couldn't save the relay key: The relay key is empty."},
        {"https://relay.example/push", "sec\nret", std::nullopt,
         "Couldn't save the relay key: The relay key must be one line."},
    };
    for (const Case& c : cases) {
        AppModelTestbed bed;
        AppModel& model = bed.make();
        const std::string pairingBefore = model.phone().pairingReport();
        model.phone().setRelay(c.url, c.key);
        settle();
        EXPECT_EQ(model.phone().relayURL() ? std::optional<std::string>(model.phone().relayURL()->absoluteString()) : std::nullopt,
                  c.relayURL)
            << c.url;
        EXPECT_EQ(model.phone().relayReport(), c.relayReport) << c.url;
        // The phone's lines speak of the phone and its pushes, never of the relay form.
        EXPECT_EQ(model.phone().lastPushReport(), "No push sent yet") << c.url;
        EXPECT_EQ(model.phone().pairingReport(), pairingBefore) << c.url;
        auto stored = RelayKeyStore::load(bed.keychain->items());
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->has_value(), c.relayURL.has_value()) << c.url;
        if (*stored) {
            EXPECT_EQ((*stored)->key, "secret");
        }
    }
}

TEST(AppModelActionsTests, RemovingTheRelayClearsItOrReportsWhyNot) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.phone().setRelay("https://relay.example/push", "secret");
    settle();
    ASSERT_TRUE(model.phone().relayURL().has_value());

    bed.recorded.keychainFailures[RelayKeyStore::service()] = "locked";
    model.phone().removeRelay();
    settle();
    EXPECT_TRUE(model.phone().relayURL().has_value());
    EXPECT_EQ(model.phone().relayReport().rfind("Couldn't remove the relay key: Keyring: ", 0), 0u) << model.phone().relayReport();
    EXPECT_EQ(model.phone().lastPushReport(), "No push sent yet");

    bed.recorded.keychainFailures.clear();
    model.phone().removeRelay();
    settle();
    EXPECT_FALSE(model.phone().relayURL().has_value());
    EXPECT_FALSE(model.phone().hasPushCredentials());
    EXPECT_FALSE(RelayKeyStore::load(bed.keychain->items())->has_value());
    EXPECT_EQ(model.phone().relayReport(), "") << "a removal that worked leaves no line";
}

// ---- the phone token --------------------------------------------------------------------------

TEST(AppModelActionsTests, WhatTheUserEntersAsThePhoneTokenIsStoredOnlyWhenItIsADeviceToken) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.phone().enterPhoneDeviceToken("0a1B2c");
    EXPECT_EQ(model.phone().phoneDeviceToken(), "0a1B2c");
    EXPECT_EQ(model.phone().phoneTokenReport(), "");

    for (const char* typed : {"abc def 123 not a token", "0a1b 2c", "<0a1b2c>", "0a1b2g", "\u00e90a"}) {
        model.phone().enterPhoneDeviceToken(typed);
        EXPECT_EQ(model.phone().phoneDeviceToken(), "0a1B2c") << typed;
        EXPECT_EQ(bed.defaults->stringValue("phoneDeviceToken"), std::optional<std::string>("0a1B2c")) << typed;
        EXPECT_EQ(model.phone().phoneTokenReport(),
                  "That doesn't look like a phone token: phone tokens are made only of the digits 0-9 and the "
                  "letters a-f.")
            << typed;
    }

    // Pasted with the spaces and line break of a copy: stored as it came, and no refusal.
    model.phone().enterPhoneDeviceToken("  F00D\n");
    EXPECT_EQ(model.phone().phoneDeviceToken(), "  F00D\n");
    EXPECT_EQ(model.phone().phoneTokenReport(), "");
    // An empty field takes the token away.
    model.phone().enterPhoneDeviceToken("zz");
    model.phone().enterPhoneDeviceToken("");
    EXPECT_EQ(model.phone().phoneDeviceToken(), "");
    EXPECT_EQ(model.phone().phoneTokenReport(), "");
    // A token the phone brings ends a refusal too: the field then shows the phone's.
    model.phone().enterPhoneDeviceToken("nope");
    model.phone().setPhoneDeviceToken("beef");
    EXPECT_EQ(model.phone().phoneTokenReport(), "");
}

// ---- hooks, login item, recordings, banners ----------------------------------------------------

TEST(AppModelActionsTests, HooksGoOnInEitherModeAndOffAndTheStatusFollows) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string settingsPath = bed.home / ".claude/settings.json";
    testing::SignalCounter changed(model.hooks(), &HooksPart::hookStatusChanged);

    // The agent's folder, as the agent leaves it for a user who never set anything.
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));

    model.hooks().installHooksRecording();
    EXPECT_EQ(model.hooks().hookStatus(), HookInstaller::Status::installed(true));
    EXPECT_NE(files::readFile(settingsPath)->find("\"--capture\""), std::string::npos);

    // Each edit keeps a backup named to the millisecond; a user never clicks faster.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    model.hooks().installHooks();
    EXPECT_EQ(model.hooks().hookStatus(), HookInstaller::Status::installed(false));
    EXPECT_EQ(files::readFile(settingsPath)->find("--capture"), std::string::npos);

    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    model.hooks().removeHooks();
    EXPECT_EQ(model.hooks().hookStatus(), HookInstaller::Status::notInstalled());
    EXPECT_EQ(files::readFile(settingsPath)->find("quorvel-hook"), std::string::npos);
    EXPECT_EQ(changed.count(), 3);
    settle();
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());
}

TEST(AppModelActionsTests, AHookChangeTheInstallerRefusesIsLoggedAndShown) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string settingsPath = bed.home / ".claude/settings.json";

    // A file where the agent's folder belongs is never replaced.
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude", "not a folder"));
    model.hooks().installHooks();
    settle();
    EXPECT_EQ(bed.recorded.errorAlerts,
              (std::vector<std::string>{"Couldn't write a temporary file next to settings.json, so nothing was changed."}));
    EXPECT_EQ(files::readFile(bed.home / ".claude").value(), "not a folder");
    EXPECT_EQ(model.hooks().hookStatus(), HookInstaller::Status::notInstalled());
    std::filesystem::remove(bed.home / ".claude");

    // A file it can't make sense of is left alone, whichever way the hooks are turned.
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));
    ASSERT_TRUE(files::writeFileAtomically(settingsPath, "{ \"hooks\": [] }"));
    for (const auto& change : {&HooksPart::installHooks, &HooksPart::removeHooks}) {
        bed.recorded.errorAlerts.clear();
        (model.hooks().*change)();
        settle();
        ASSERT_EQ(bed.recorded.errorAlerts.size(), 1u);
        EXPECT_EQ(bed.recorded.errorAlerts[0],
                  "\"hooks\" in settings.json isn't a JSON object, so Quorvel won't touch it.");
        EXPECT_TRUE(contains(bed.log.lines("App"), "error Hook change failed: " + bed.recorded.errorAlerts[0]));
        EXPECT_EQ(*files::readFile(settingsPath), "{ \"hooks\": [] }");
    }
}

TEST(AppModelActionsTests, LaunchAtLoginFollowsWhatTookEffect) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string entry = bed.home / ".config/autostart/quorvel.desktop";
    testing::SignalCounter changed(model.hooks(), &HooksPart::launchAtLoginChanged);
    ASSERT_EQ(model.hooks().launchAtLogin(), LaunchAtLogin::Status::notRegistered);

    model.hooks().setLaunchAtLogin(true);
    EXPECT_EQ(model.hooks().launchAtLogin(), LaunchAtLogin::Status::enabled);
    EXPECT_TRUE(std::filesystem::exists(entry));
    model.hooks().setLaunchAtLogin(true);
    EXPECT_EQ(changed.count(), 1);

    model.hooks().setLaunchAtLogin(false);
    EXPECT_EQ(model.hooks().launchAtLogin(), LaunchAtLogin::Status::notRegistered);
    EXPECT_FALSE(std::filesystem::exists(entry));

    // The autostart folder is a file: the change fails, is shown, and the switch stays off.
    ASSERT_TRUE(std::filesystem::remove_all(bed.home / ".config/autostart"));
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".config/autostart", "not a folder"));
    model.hooks().setLaunchAtLogin(true);
    settle();
    EXPECT_EQ(model.hooks().launchAtLogin(), LaunchAtLogin::Status::notRegistered);
    ASSERT_EQ(bed.recorded.errorAlerts.size(), 1u);
    EXPECT_TRUE(contains(bed.log.lines("App"), "error Launch at login change failed: " + bed.recorded.errorAlerts[0]));
    EXPECT_EQ(changed.count(), 2);
}

TEST(AppModelActionsTests, TheRecordingsFolderIsMadeAndOpenedEvenWhenItCantBeMade) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    const std::string captures = model.paths().captures();
    model.hooks().openRecordingsFolder();
    EXPECT_TRUE(std::filesystem::is_directory(captures));
    struct stat status {};
    ASSERT_EQ(::stat(captures.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);

    ASSERT_TRUE(std::filesystem::remove_all(files::parentPath(captures)));
    ASSERT_TRUE(files::writeFileAtomically(files::parentPath(captures), "a file in the way"));
    model.hooks().openRecordingsFolder();
    EXPECT_EQ(bed.recorded.openedFolders, (std::vector<std::string>{captures, captures}));
    EXPECT_TRUE(bed.recorded.errorAlerts.empty());
}

TEST(AppModelActionsTests, TurnOnBannersOpensTheNotificationSettingsOrSaysWhoManagesThem) {
    AppModelTestbed bed;
    AppModel& model = bed.make();
    model.hooks().openNotificationSettings();
    EXPECT_EQ(bed.recorded.notificationSettingsOpened, 1);
    EXPECT_EQ(model.hooks().notificationSettingsNote(), std::nullopt);

    bed.recorded.notificationSettingsAnswer =
        unexpected(NotificationCenter::SettingsUnavailable{"no notification settings program is known", "dunst"});
    int changes = 0;
    QObject::connect(&model.hooks(), &HooksPart::notificationSettingsNoteChanged, [&] { ++changes; });
    model.hooks().openNotificationSettings();
    EXPECT_EQ(model.hooks().notificationSettingsNote(),
              std::optional<std::string>("Banners are managed by the desktop's notification service (dunst)."));
    EXPECT_EQ(changes, 1);

    // Once the settings open, the line goes.
    bed.recorded.notificationSettingsAnswer = std::string("xfce4-notifyd-config");
    model.hooks().openNotificationSettings();
    EXPECT_EQ(model.hooks().notificationSettingsNote(), std::nullopt);
    EXPECT_EQ(changes, 2);
}

}  // namespace
}  // namespace quorvel
