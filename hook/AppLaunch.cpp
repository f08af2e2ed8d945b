#include "hook/AppLaunch.hpp"

#include <unistd.h>

#include "hook/FallbackBanner.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/ChildProcess.hpp"
#include "platform/ExecutablePath.hpp"
#include "platform/Files.hpp"

namespace quorvel {

std::string appExecutable(const HookEvent::Environment& environment) {
    if (auto chosen = environment.find(appExecutableVariable); chosen != environment.end() && !chosen->second.empty()) {
        return chosen->second;
    }
    if (std::string helper = files::executablePath(); !helper.empty()) {
        std::string beside = files::joinPath(files::parentPath(helper), "quorvel");
        if (::access(beside.c_str(), X_OK) == 0) return beside;
    }
    return "quorvel";
}

void launchAppOrNotify(const HookEvent& event, const HookLog& log, const std::string& executable) {
    // In the background: nothing comes to the front, and a copy already running is left alone.
    if (startDetachedProgram(executable, {appBackgroundArgument})) return;
    log.writeLogLine("couldn't start the app");
    std::optional<FallbackBanner> banner = fallbackBanner(event);
    if (!banner) return;
    // From the app as the desktop knows it (its name, icon and launcher entry), as the app's
    // own banners are. "--" ends the notifier's options, so no text is ever read as one.
    const std::string entry = Quorvel::desktopEntryName;
    const std::vector<std::string> arguments = {std::string("--app-name=") + Quorvel::displayName,
                                                "--icon=" + entry,
                                                "--hint=string:desktop-entry:" + entry,
                                                "--",
                                                banner->title,
                                                banner->body};
    if (auto shown = runProgram(bannerCommand, arguments); !shown || *shown != 0) {
        log.writeLogLine("notify-send fallback failed too");
    }
}

}  // namespace quorvel
