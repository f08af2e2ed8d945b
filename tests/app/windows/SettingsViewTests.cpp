// The settings window driven through its real widgets, offscreen: every switch and stepper
// lands in the stored settings, the status lines follow the model, the phone rows say what to
// do, and the play keys sound.
#include <gtest/gtest.h>

#include <QGraphicsOpacityEffect>

#include <string>
#include <utility>
#include <vector>

#include "app/windows/settings/KeyRowWidget.hpp"
#include "app/windows/settings/SettingRowWidget.hpp"
#include "app/windows/settings/SettingsNoteWidget.hpp"
#include "app/windows/settings/SettingsView.hpp"
#include "app/windows/settings/StepperControl.hpp"
#include "app/windows/settings/ToggleKeyButton.hpp"
#include "kit/engine/StoredDefaults.hpp"
#include "kit/push/RecordStoreTokenSync.hpp"
#include "platform/services/InMemoryRecordStore.hpp"
#include "tests/app/windows/SettingsViewTest.hpp"

namespace quorvel::testing {
namespace {

TEST_F(SettingsViewTest, EveryDeclaredSettingHasItsRowAndShowsTheModelsValue) {
    SettingsView& settings = open();
    // Every field away from its default, so a control left showing the default is caught.
    AppSettings changed{61, 15, 7, 21, 5, false, true, true};
    model->setSettings(changed);
    settle();

    SettingRowWidget* previousRow = nullptr;
    for (const SettingDescriptor* setting : settingFields::all) {
        SCOPED_TRACE(std::string(setting->key));
        const std::string name(setting->key);
        QWidget* control = nullptr;
        if (setting->number) {
            StepperControl* stepper = settings.stepper(name);
            ASSERT_NE(stepper, nullptr);
            EXPECT_EQ(stepper->value(), changed.*setting->number);
            control = stepper;
        } else {
            ToggleKeyButton* toggle = settings.toggle(name);
            ASSERT_NE(toggle, nullptr);
            EXPECT_EQ(toggle->isChecked(), changed.*setting->flag);
            control = toggle;
        }
        SettingRowWidget* row = setting->label.empty() ? previousRow : settings.row(std::string(setting->label));
        ASSERT_NE(row, nullptr) << "the column has the setting's row";
        EXPECT_TRUE(row->isAncestorOf(control)) << "the control sits in its own row";
        if (!setting->note.empty()) {
            EXPECT_EQ(row->row().note, std::string(setting->note));
        }
        previousRow = row;
    }
}

TEST_F(SettingsViewTest, EachSwitchIsStoredInTheSettingsAtOnce) {
    SettingsView& settings = open();
    ToggleKeyButton* buzz = settings.toggle("failuresBuzzPhone");
    ASSERT_TRUE(buzz->isChecked()) << "on by default";
    press(*buzz);
    EXPECT_FALSE(buzz->isChecked());
    EXPECT_FALSE(storedSettings(bed).failuresBuzzPhone);

    press(*settings.toggle("alwaysPushToPhone"));
    EXPECT_TRUE(storedSettings(bed).alwaysPushToPhone);
    EXPECT_TRUE(settings.toggle("alwaysPushToPhone")->isChecked());

    press(*settings.toggle("showInDock"));
    EXPECT_TRUE(storedSettings(bed).showInDock);
    press(*settings.toggle("showInDock"));
    EXPECT_FALSE(storedSettings(bed).showInDock);
    EXPECT_EQ(bed.recorded.dockChanges, (std::vector<bool>{true, false}));

    press(*settings.toggle("muted"));
    EXPECT_TRUE(model->device().muted());
    EXPECT_EQ(settings.toggle("muted")->accessibleDescription(), "on");

    press(*settings.toggle("launchAtLogin"));
    EXPECT_EQ(model->hooks().launchAtLogin(), LaunchAtLogin::Status::enabled);
    EXPECT_TRUE(settings.toggle("launchAtLogin")->isChecked());
    press(*settings.toggle("launchAtLogin"));
    EXPECT_EQ(model->hooks().launchAtLogin(), LaunchAtLogin::Status::notRegistered);
}

TEST_F(SettingsViewTest, AStartAtLoginTheSystemRefusesShowsAsOff) {
    // The autostart folder is a file, so the entry can't be written.
    ASSERT_TRUE(files::createDirectories(bed.home / ".config"));
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".config/autostart", "not a folder"));
    SettingsView& settings = open();
    press(*settings.toggle("launchAtLogin"));
    EXPECT_FALSE(settings.toggle("launchAtLogin")->isChecked());
    EXPECT_EQ(bed.recorded.errorAlerts.size(), 1u);
}

TEST_F(SettingsViewTest, SteppersStopAtTheirBoundsAndStoreEveryStep) {
    SettingsView& settings = open();
    struct Case {
        const char* name;
        std::int64_t lower;
        std::int64_t upper;
        std::int64_t AppSettings::*field;
    };
    const Case cases[] = {
        {"longRunMinutes", 1, 120, &AppSettings::longRunMinutes},
        {"shellMinimumSeconds", 0, 600, &AppSettings::shellMinimumSeconds},
        {"awayMinutes", 1, 60, &AppSettings::awayMinutes},
        {"quietHoursStart", 0, 23, &AppSettings::quietHoursStart},
        {"quietHoursEnd", 0, 23, &AppSettings::quietHoursEnd},
    };
    for (const Case& c : cases) {
        StepperControl* stepper = settings.stepper(c.name);
        ASSERT_NE(stepper, nullptr) << c.name;
        pressUntilDisabled(*stepper->plusKey());
        EXPECT_EQ(stepper->value(), c.upper) << c.name;
        EXPECT_EQ(storedSettings(bed).*c.field, c.upper) << c.name;
        EXPECT_TRUE(stepper->minusKey()->isEnabled()) << c.name;
        pressUntilDisabled(*stepper->minusKey());
        EXPECT_EQ(stepper->value(), c.lower) << c.name;
        EXPECT_EQ(storedSettings(bed).*c.field, c.lower) << c.name;
    }
    // The state machine follows the stored minutes and seconds.
    EXPECT_EQ(model->sessions().machine().settings.longRunAfter, 60);
    EXPECT_EQ(model->sessions().machine().settings.shellCommandMinimum, 0);
}

TEST_F(SettingsViewTest, AStoredValueOutsideTheRangeIsShownAndStepsFromThereOneStepAPress) {
    bed.defaults->set(StoredDefaults::appSettings, json::parse(R"({"longRunMinutes":180,"awayMinutes":0})"));
    SettingsView& settings = open();
    StepperControl* longRun = settings.stepper("longRunMinutes");
    ASSERT_NE(longRun, nullptr);
    EXPECT_EQ(longRun->value(), 180);
    EXPECT_EQ(longRun->accessibleName().toStdString(), longRun->keys().valueText());
    EXPECT_NE(longRun->keys().valueText().find("180"), std::string::npos) << longRun->keys().valueText();
    EXPECT_FALSE(longRun->plusKey()->isEnabled());
    EXPECT_EQ(model->sessions().machine().settings.longRunAfter, 180 * 60);
    press(*longRun->minusKey());
    EXPECT_EQ(longRun->value(), 179);
    EXPECT_EQ(storedSettings(bed).longRunMinutes, 179);
    EXPECT_FALSE(longRun->plusKey()->isEnabled()) << "still above the range";

    StepperControl* away = settings.stepper("awayMinutes");
    EXPECT_EQ(away->value(), 0);
    EXPECT_FALSE(away->minusKey()->isEnabled());
    press(*away->plusKey());
    EXPECT_EQ(storedSettings(bed).awayMinutes, 1);
}

TEST_F(SettingsViewTest, ShellSecondsStepByFiveAndTheTextsCarryTheirUnits) {
    SettingsView& settings = open();
    StepperControl* seconds = settings.stepper("shellMinimumSeconds");
    EXPECT_EQ(seconds->keys().valueText(), "10 s");
    press(*seconds->plusKey());
    EXPECT_EQ(storedSettings(bed).shellMinimumSeconds, 15);
    EXPECT_EQ(seconds->accessibleName(), "15 s");
    EXPECT_EQ(settings.stepper("longRunMinutes")->keys().valueText(), "10 min");
    EXPECT_EQ(settings.stepper("awayMinutes")->keys().valueText(), "3 min");
    // Quiet hours from 23 to 7.
    EXPECT_EQ(settings.stepper("quietHoursStart")->keys().valueText(), "23:00");
    EXPECT_EQ(settings.stepper("quietHoursEnd")->keys().valueText(), "07:00");
    press(*settings.stepper("quietHoursEnd")->minusKey());
    EXPECT_EQ(settings.stepper("quietHoursEnd")->keys().valueText(), "06:00");
}

TEST_F(SettingsViewTest, TheVolumeShowsRoundedPercentAndStoresExactHundredths) {
    for (const auto& [volume, shown] : {std::pair{0.55, 55}, std::pair{0.555, 56}, std::pair{0.005, 1}}) {
        EXPECT_EQ(SettingsSnapshot::percentOf(volume), shown) << volume;
    }
    EXPECT_EQ(SettingsSnapshot::percentOf(std::nan("")), 0);

    SettingsView& settings = open();
    StepperControl* volume = settings.stepper("volume");
    EXPECT_EQ(volume->value(), 82);
    press(*volume->plusKey());
    EXPECT_EQ(model->device().controls().volume, 0.92);
    pressUntilDisabled(*volume->plusKey());
    EXPECT_EQ(model->device().controls().volume, 1.0);
    press(*volume->minusKey());
    EXPECT_EQ(model->device().controls().volume, 90 / 100.0);
    pressUntilDisabled(*volume->minusKey());
    EXPECT_EQ(model->device().controls().volume, 0.0);
    // Stored as the model writes it.
    const auto stored = bed.defaults->jsonValue("deviceControls");
    ASSERT_TRUE(stored);
    EXPECT_EQ(DeviceControls::fromStoredData(json::dump(*stored)).volume, 0.0);
}

TEST_F(SettingsViewTest, AlwaysSendDimsTheAwayRowAndChangesTheNotes) {
    SettingsView& settings = open();
    SettingRowWidget* away = settings.row("Count me as away after");
    auto* dimming = static_cast<QGraphicsOpacityEffect*>(away->graphicsEffect());
    EXPECT_EQ(dimming->opacity(), 1.0);
    EXPECT_EQ(away->row().note, "No typing or clicks for this long, or the screen locked.");
    EXPECT_EQ(settings.closingNote()->text(), "Phone alerts go only when you're away.");

    press(*settings.toggle("alwaysPushToPhone"));
    EXPECT_EQ(dimming->opacity(), 0.5);
    EXPECT_EQ(away->row().note, "Not used while Always send is on.");
    EXPECT_EQ(settings.closingNote()->text(), "Every alert goes to the computer and the phone.");
    // Still operable while dimmed.
    press(*settings.stepper("awayMinutes")->plusKey());
    EXPECT_EQ(storedSettings(bed).awayMinutes, 4);
}

TEST_F(SettingsViewTest, TheHookRowFollowsTheHookStatus) {
    // A settings file that isn't JSON: the problem state.
    ASSERT_TRUE(files::createDirectories(bed.home / ".claude"));
    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude/settings.json", "{ not json"));
    SettingsView& settings = open();
    ASSERT_EQ(model->hooks().hookStatus().kind, HookInstaller::Status::Kind::problem);
    ASSERT_NE(settings.key("TURN ON"), nullptr);
    EXPECT_EQ(settings.key("TURN ON")->style(), SmallKeyStyle::Style::acid);
    EXPECT_TRUE(settings.key("SELF-TEST")->isEnabled());

    ASSERT_TRUE(files::writeFileAtomically(bed.home / ".claude/settings.json", "{}"));
    model->hooks().refreshHookStatus();
    settle();
    EXPECT_EQ(model->hooks().hookStatus().kind, HookInstaller::Status::Kind::notInstalled);
    EXPECT_FALSE(settings.key("SELF-TEST")->isEnabled());

    press(*settings.key("TURN ON"));
    EXPECT_EQ(model->hooks().hookStatus().kind, HookInstaller::Status::Kind::installed);
    ASSERT_NE(settings.key("TURN OFF"), nullptr);
    EXPECT_EQ(settings.key("TURN OFF")->style(), SmallKeyStyle::Style::panel);
    EXPECT_TRUE(settings.key("SELF-TEST")->isEnabled());
    press(*settings.key("TURN OFF"));
    EXPECT_EQ(model->hooks().hookStatus().kind, HookInstaller::Status::Kind::notInstalled);
}

TEST_F(SettingsViewTest, StatusLinesReadTheModel) {
    SettingsSnapshot snapshot;
    EXPECT_EQ(snapshot.bannerLine(), "Banners on") << "before the permission has been read";
    snapshot.bannersAllowed = false;
    EXPECT_EQ(snapshot.bannerLine(), "Banners are off in the desktop's notification settings");
    snapshot.hookStatus = HookInstaller::Status::installed(true);
    EXPECT_EQ(snapshot.hookStatusLine(), "Hooks: on, recording");
    snapshot.hookStatus = HookInstaller::Status::problem("bad");
    EXPECT_EQ(snapshot.hookStatusLine(), "Hooks: problem with settings file");

    SettingsView& settings = open();
    EXPECT_NE(settings.findChild<QWidget*>("modelPlate"), nullptr);
    EXPECT_EQ(settings.findChild<QWidget*>("modelPlate")->accessibleName(), "MODEL 0.0.1");
}

// Every row's name and note as the window shows them.
std::vector<std::string> rowTexts(const SettingsView& settings) {
    std::vector<std::string> texts;
    for (const SettingRowWidget* row : settings.findChildren<SettingRowWidget*>()) {
        texts.push_back(row->row().name);
        if (row->row().note) texts.push_back(*row->row().note);
    }
    return texts;
}

const SettingRowWidget* rowNamed(const SettingsView& settings, const std::string& name) {
    for (const SettingRowWidget* row : settings.findChildren<SettingRowWidget*>()) {
        if (row->row().name == name) return row;
    }
    return nullptr;
}

TEST_F(SettingsViewTest, WithoutICloudThePhoneRowsSayToPasteTheTokenAndNeverToSignIn) {
    bed.adjust = [](AppServices& services) {
        services.tokenSync = std::make_shared<RecordStoreTokenSync>(
            std::make_shared<InMemoryRecordStore>(services.clock, AccountStatus::noAccount), services.defaults,
            services.clock);
        services.iCloudAvailable = false;
    };
    SettingsView& settings = open();
    KeyButton* checkNow = nullptr;
    for (KeyButton* key : settings.findChildren<KeyButton*>()) {
        if (key->text() == "CHECK NOW") checkNow = key;
    }
    ASSERT_NE(checkNow, nullptr);
    press(*checkNow);
    const SettingRowWidget* token = rowNamed(settings, "Phone token");
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(token->row().note, "Paste the token the phone app shows.");
    EXPECT_NE(rowNamed(settings, "This computer has no iCloud: alerts go to the phone whose token is pasted below."),
              nullptr);
    for (const std::string& text : rowTexts(settings)) {
        EXPECT_EQ(text.find("Sign in"), std::string::npos) << text;
        EXPECT_EQ(text.find("through iCloud"), std::string::npos) << text;
    }
}

TEST_F(SettingsViewTest, WithICloudTheTokenNoteStillTellsOfIt) {
    SettingsView& settings = open();
    const SettingRowWidget* token = rowNamed(settings, "Phone token");
    ASSERT_NE(token, nullptr);
    EXPECT_EQ(token->row().note,
              "Filled in through iCloud once the phone app has run. Paste by hand only if iCloud isn't available.");
}

TEST_F(SettingsViewTest, PlayKeysPlayAtTheDeviceVolumeEvenWhenMuted) {
    SettingsView& settings = open();
    model->device().setMuted(true);
    settle();
    const auto keys = settings.findChildren<KeyButton*>();
    int played = 0;
    for (KeyButton* key : keys) {
        if (key->text() != "PLAY") continue;
        press(*key);
        ++played;
    }
    EXPECT_EQ(played, 5);
    EXPECT_EQ(bed.soundNames(), (std::vector<std::string>{"fanfare", "alarm", "buzz", "powerdown", "tick"}));

    // One row per sound, in the sounds' order, each saying what it is for.
    std::vector<std::pair<std::string, std::string>> rows;
    for (KeyRowWidget* row : settings.findChildren<KeyRowWidget*>()) {
        if (row->row().keyLabel == "PLAY") rows.emplace_back(row->row().name, row->row().line2);
    }
    const std::vector<std::pair<std::string, std::string>> expected{
        {"Fanfare", "Done: a rising four-note 8-bit fanfare."},
        {"Alarm", "Needs you: a two-note alarm, three times."},
        {"Buzz", "Broke: a low, raspy buzz."},
        {"Power down", "Crashed: a falling power-down whine."},
        {"Tick", "Still grinding: a soft clock tick."},
    };
    EXPECT_EQ(rows, expected);
}

}  // namespace
}  // namespace quorvel::testing
