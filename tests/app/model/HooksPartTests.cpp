// The hooks part on its own: no model, only the test bed's stand-ins, a plain context object
// for what comes back to the main thread, and a work queue that holds the helper's runs until
// the test lets them go.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <deque>
#include <filesystem>
#include <thread>

#include "app/model/hooks/HooksPart.hpp"
#include "tests/app/model/AppModelTestbed.hpp"

namespace quorvel {
namespace {

using testing::AppModelTestbed;
using testing::settle;
using Lines = std::vector<std::string>;

/// Keeps each piece of work until `runAll`, on the calling thread.
class HeldWorkQueue final : public WorkQueue {
public:
    void run(std::function<void()> work) override { held_.push_back(std::move(work)); }
    void waitUntilIdle() override {}
    bool waitUntilIdleFor(std::chrono::milliseconds) override { return held_.empty(); }
    std::size_t held() const { return held_.size(); }
    void runAll() {
        while (!held_.empty()) {
            auto work = std::move(held_.front());
            held_.pop_front();
            work();
        }
    }

private:
    std::deque<std::function<void()>> held_;
};

/// The services of the model's test bed, taken apart: only what the hooks part is made from.
/// Gone in reverse order, as in the model: the part, then its hops, then their context.
struct HooksBed {
    AppModelTestbed bed;
    AppServices services = bed.services();
    HeldWorkQueue processQueue;
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
    std::unique_ptr<ModelHops> hops = std::make_unique<ModelHops>(*context, *services.desktop);
    std::unique_ptr<HooksPart> part;
    /// The part's signals by name, in the order they came.
    Lines heard;

    HooksPart& make() {
        part = std::make_unique<HooksPart>(
            HooksPart::Services{services.paths, services.helperInstaller, services.launcherEntry,
                                *services.launchAtLogin, *services.notifier, *services.desktop, processQueue},
            *hops);
        const auto note = [this](void (HooksPart::*signal)(), const char* name) {
            QObject::connect(part.get(), signal, part.get(), [this, name] { heard.emplace_back(name); });
        };
        note(&HooksPart::hookStatusChanged, "hookStatus");
        note(&HooksPart::launchAtLoginChanged, "launchAtLogin");
        note(&HooksPart::bannersAllowedChanged, "bannersAllowed");
        note(&HooksPart::notificationSettingsNoteChanged, "notificationSettingsNote");
        note(&HooksPart::changed, "changed");
        return *part;
    }
    /// The model's end: the part, its hops and their context go, in that order.
    void end() {
        part.reset();
        hops.reset();
        context.reset();
    }
    /// The signals since the last call.
    Lines takeSignals() { return std::exchange(heard, {}); }

    std::string settingsPath() const { return bed.home / ".claude/settings.json"; }
    std::string autostartEntry() const { return bed.home / ".config/autostart/quorvel.desktop"; }
    bool logged(const std::string& line) const {
        const auto lines = bed.log.lines("App");
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST(HooksPartTests, HookChangesAnnounceTheStatusAndThenChangedOnlyWhenItDiffers) {
    HooksBed hooks;
    ASSERT_TRUE(files::createDirectories(hooks.bed.home / ".claude"));
    // Hooks someone else put in: the part knows only after it is asked to look.
    const std::string entry = "{\"type\": \"command\", \"command\": \"" + hooks.services.paths.helper() + "\"}";
    ASSERT_TRUE(files::writeFileAtomically(hooks.settingsPath(), "{\"hooks\": {\"Stop\": [{\"hooks\": [" + entry + "]}]}}"));
    HooksPart& part = hooks.make();
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::notInstalled());
    part.refreshHookStatus();
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::installed(false));
    EXPECT_EQ(hooks.takeSignals(), (Lines{"hookStatus", "changed"}));
    part.refreshHookStatus();
    part.installHooks();  // already on in that mode: the file changes, the status doesn't
    EXPECT_EQ(hooks.takeSignals(), Lines{});

    // Each edit keeps a backup named to the millisecond; a user never clicks faster.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    part.installHooksRecording();
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::installed(true));
    EXPECT_EQ(hooks.takeSignals(), (Lines{"hookStatus", "changed"}));

    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    part.removeHooks();
    part.removeHooks();
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::notInstalled());
    EXPECT_EQ(hooks.takeSignals(), (Lines{"hookStatus", "changed"}));
    settle();
    EXPECT_TRUE(hooks.bed.recorded.errorAlerts.empty());
}

TEST(HooksPartTests, ARefusedChangeKeepsTheStatusAndShowsItsTextOnceTheChangeIsOver) {
    HooksBed hooks;
    ASSERT_TRUE(files::createDirectories(hooks.bed.home / ".claude"));
    // The hooks are on, but another event holds something the installer won't touch.
    const std::string entry = "{\"type\": \"command\", \"command\": \"" + hooks.services.paths.helper() + "\"}";
    const std::string settings =
        "{\"hooks\": {\"SessionStart\": {}, \"Stop\": [{\"hooks\": [" + entry + "]}]}}\n";
    ASSERT_TRUE(files::writeFileAtomically(hooks.settingsPath(), settings));
    HooksPart& part = hooks.make();
    part.refreshHookStatus();
    ASSERT_EQ(part.hookStatus(), HookInstaller::Status::installed(false));
    hooks.takeSignals();

    part.installHooksRecording();
    // The alert waits for the change to finish; the status is read again and is as it was.
    EXPECT_TRUE(hooks.bed.recorded.errorAlerts.empty());
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::installed(false));
    EXPECT_EQ(hooks.takeSignals(), Lines{});
    settle();
    const std::string refused = "\"hooks.SessionStart\" in settings.json isn't a list, so Quorvel won't touch it.";
    EXPECT_EQ(hooks.bed.recorded.errorAlerts, Lines{refused});
    EXPECT_TRUE(hooks.logged("error Hook change failed: " + refused));
    EXPECT_EQ(*files::readFile(hooks.settingsPath()), settings);

    // A helper that can't be put in place is shown the same way, and leaves the hooks alone.
    hooks.bed.recorded.errorAlerts.clear();
    hooks.services.helperInstaller = HelperInstaller(std::nullopt);  // the part holds the bed's installer
    part.installHelper();
    EXPECT_TRUE(hooks.bed.recorded.errorAlerts.empty());
    settle();
    EXPECT_EQ(hooks.bed.recorded.errorAlerts, Lines{"The app bundle is missing quorvel-hook. Rebuild the app."});
    EXPECT_EQ(part.hookStatus(), HookInstaller::Status::installed(false));
    EXPECT_EQ(hooks.takeSignals(), Lines{});
}

TEST(HooksPartTests, TheLoginItemIsReadAtTheStartAndAfterEveryChangeThatFails) {
    HooksBed hooks;
    // An entry the user switched off in the desktop's settings doesn't count as on.
    const std::string contents = LaunchAtLogin::entryContents("/usr/bin/quorvel");
    ASSERT_TRUE(files::createDirectories(files::parentPath(hooks.autostartEntry())));
    ASSERT_TRUE(files::writeFileAtomically(hooks.autostartEntry(), contents + "Hidden=true\n"));
    EXPECT_EQ(hooks.make().launchAtLogin(), LaunchAtLogin::Status::notRegistered);
    ASSERT_TRUE(files::writeFileAtomically(hooks.autostartEntry(), contents));
    HooksPart& part = hooks.make();
    EXPECT_EQ(part.launchAtLogin(), LaunchAtLogin::Status::enabled);

    part.setLaunchAtLogin(true);
    EXPECT_EQ(hooks.takeSignals(), Lines{});

    // The entry went behind the part's back and the folder can't be made: the switch follows
    // what is there, not what was asked for.
    ASSERT_TRUE(std::filesystem::remove_all(files::parentPath(hooks.autostartEntry())));
    ASSERT_TRUE(files::writeFileAtomically(files::parentPath(hooks.autostartEntry()), "not a folder"));
    part.setLaunchAtLogin(true);
    EXPECT_EQ(part.launchAtLogin(), LaunchAtLogin::Status::notRegistered);
    EXPECT_EQ(hooks.takeSignals(), (Lines{"launchAtLogin", "changed"}));
    settle();
    ASSERT_EQ(hooks.bed.recorded.errorAlerts.size(), 1u);
    EXPECT_TRUE(hooks.logged("error Launch at login change failed: " + hooks.bed.recorded.errorAlerts[0]));
}

TEST(HooksPartTests, BannerPermissionIsAskedThenReadAndOnlyANewAnswerIsAnnounced) {
    HooksBed hooks;
    HooksPart& part = hooks.make();
    EXPECT_EQ(part.bannersAllowed(), std::nullopt);

    part.requestBannerPermission();
    EXPECT_EQ(hooks.bed.recorded.permissionRequests, 1);
    EXPECT_EQ(part.bannersAllowed(), std::optional<bool>(true));
    EXPECT_EQ(hooks.takeSignals(), (Lines{"bannersAllowed", "changed"}));
    part.checkBannersAllowed();
    EXPECT_EQ(hooks.takeSignals(), Lines{});

    // Turned off in the desktop's settings; asking again doesn't turn them on.
    hooks.bed.recorded.bannersAllowed = false;
    part.checkBannersAllowed();
    part.requestBannerPermission();
    EXPECT_EQ(part.bannersAllowed(), std::optional<bool>(false));
    EXPECT_EQ(hooks.takeSignals(), (Lines{"bannersAllowed", "changed"}));
    EXPECT_EQ(hooks.bed.recorded.permissionRequests, 2);
}

TEST(HooksPartTests, ASimulationThatCantStartIsShownOnlyWhileTheLifelineHolds) {
    const auto simulateWithoutHelper = [](HooksBed& hooks) {
        hooks.make().simulate("done");  // the helper was never put in place
        EXPECT_EQ(hooks.processQueue.held(), 1u) << "the helper runs off the main thread";
    };

    HooksBed shown;
    simulateWithoutHelper(shown);
    settle();
    EXPECT_TRUE(shown.bed.recorded.errorAlerts.empty());
    shown.processQueue.runAll();
    settle();
    ASSERT_EQ(shown.bed.recorded.errorAlerts.size(), 1u);
    EXPECT_EQ(shown.bed.recorded.errorAlerts[0].rfind(std::strerror(ENOENT), 0), 0u) << shown.bed.recorded.errorAlerts[0];

    // Cut before the run ends: nothing comes back.
    HooksBed cut;
    simulateWithoutHelper(cut);
    cut.hops->cutLifeline();
    cut.processQueue.runAll();
    settle();
    EXPECT_TRUE(cut.bed.recorded.errorAlerts.empty());

    // Left behind at quit: the part, its hops and their context go, then the run ends.
    HooksBed leftBehind;
    simulateWithoutHelper(leftBehind);
    leftBehind.hops->cutLifeline();
    leftBehind.end();
    leftBehind.processQueue.runAll();
    settle();
    EXPECT_TRUE(leftBehind.bed.recorded.errorAlerts.empty());

    // Handed back but not yet delivered when the context goes: dropped with it.
    HooksBed dropped;
    simulateWithoutHelper(dropped);
    dropped.processQueue.runAll();
    dropped.end();
    settle();
    EXPECT_TRUE(dropped.bed.recorded.errorAlerts.empty());
}

}  // namespace
}  // namespace quorvel
