#include "app/model/hooks/HooksPart.hpp"

#include <utility>

#include "kit/engine/Quorvel.hpp"
#include "platform/files/Files.hpp"
#include "platform/processes/ChildProcess.hpp"

namespace quorvel {

HooksPart::HooksPart(Services services, const ModelHops& hops, QObject* parent)
    : QObject(parent),
      services_(std::move(services)),
      hops_(hops),
      logger_(Quorvel::macBundleID, "App"),
      launchAtLogin_(services_.launchAtLogin.status()) {}

void HooksPart::installHelper() {
    if (auto installed = services_.helperInstaller.installHelper(services_.paths.helper()); !installed) {
        const std::string description = installed.error().message();
        logger_.error("Helper install failed: " + description);
        hops_.showError(description);
    }
    if (auto kept = services_.launcherEntry.keep(); !kept) {
        logger_.error("Couldn't keep the launcher entry: " + kept.error().message);
    }
    if (auto followed = services_.launchAtLogin.followRunningCopy(); !followed) {
        logger_.error("Couldn't point launch at login at this copy: " + followed.error().message);
    }
}

void HooksPart::refreshHookStatus() {
    assignTracked(*this, hookStatus_, HookInstaller(services_.paths).status(), &HooksPart::hookStatusChanged);
}

void HooksPart::requestBannerPermission() {
    services_.notifier.requestPermission([this] { checkBannersAllowed(); });
}

void HooksPart::checkBannersAllowed() {
    services_.notifier.checkBannersAllowed([this](bool allowed) {
        assignTracked(*this, bannersAllowed_, std::optional<bool>(allowed), &HooksPart::bannersAllowedChanged);
    });
}

void HooksPart::installHooks() { setHooks(false); }

void HooksPart::installHooksRecording() { setHooks(true); }

void HooksPart::setHooks(bool recording) {
    const auto installed = HookInstaller(services_.paths).installHooks(recording);
    finishHookChange(installed ? std::nullopt : std::optional<std::string>(installed.error().message()));
}

void HooksPart::removeHooks() {
    const auto removed = HookInstaller(services_.paths).removeHooks();
    finishHookChange(removed ? std::nullopt : std::optional<std::string>(removed.error().message()));
}

void HooksPart::finishHookChange(const std::optional<std::string>& failure) {
    if (failure) {
        logger_.error("Hook change failed: " + *failure);
        hops_.showError(*failure);
    }
    refreshHookStatus();
}

void HooksPart::setLaunchAtLogin(bool enabled) {
    if (auto changed = services_.launchAtLogin.set(enabled); !changed) {
        logger_.error("Launch at login change failed: " + changed.error().message);
        hops_.showError(changed.error().message);
    }
    assignTracked(*this, launchAtLogin_, services_.launchAtLogin.status(), &HooksPart::launchAtLoginChanged);
}

void HooksPart::openRecordingsFolder() {
    const std::string captures = services_.paths.captures();
    // Asked to open even when it can't be made: the desktop says what is wrong with it.
    (void)files::createDirectories(captures);
    services_.desktop.openFolder(captures);
}

void HooksPart::simulate(const std::string& state) {
    const std::string helper = services_.paths.helper();
    hops_.inBackground(services_.processQueue, [hops = &hops_, helper, state]() -> std::function<void()> {
        // Whatever the helper does, its events come back through the event server.
        auto ran = runChildProcess(helper, {"--simulate", state});
        if (ran) return {};
        return [hops, description = ran.error().message] { hops->showError(description); };
    });
}

void HooksPart::openNotificationSettings() {
    services_.notifier.openNotificationSettings([this](std::optional<std::string> line) {
        assignTracked(*this, notificationSettingsNote_, std::move(line), &HooksPart::notificationSettingsNoteChanged);
    });
}

}  // namespace quorvel
