#include "hook/AppLaunch.hpp"

#include <unistd.h>

#include <optional>

#include "hook/FallbackBanner.hpp"
#include "kit/engine/InstanceName.hpp"
#include "kit/engine/Quorvel.hpp"
#include "platform/desktop/DesktopEntry.hpp"
#include "platform/files/FileLockProbe.hpp"
#include "platform/files/Files.hpp"
#include "platform/network/AbstractSocketProbe.hpp"
#include "platform/processes/ChildProcess.hpp"
#include "platform/processes/ExecutablePath.hpp"

namespace quorvel {

namespace {

// The launcher entry's command, read as the desktop reads it; absent when there is none or
// the program it names by its path is gone (a build tree since removed).
std::optional<std::vector<std::string>> launcherEntryCommand() {
    const auto found = DesktopEntry::find(std::string(Quorvel::desktopEntryName) + ".desktop");
    if (!found) return std::nullopt;
    const auto text = files::readFile(*found);
    if (!text) return std::nullopt;
    auto command = DesktopEntry::parse(*text).execArguments();
    if (!command) return std::nullopt;
    const std::string& program = command->front();
    if (program.find('/') != std::string::npos && ::access(program.c_str(), X_OK) != 0) return std::nullopt;
    return command;
}

}  // namespace

std::vector<std::string> appCommand(const HookEvent::Environment& environment) {
    if (auto chosen = environment.find(appExecutableVariable); chosen != environment.end() && !chosen->second.empty()) {
        return {chosen->second};
    }
    if (std::string helper = files::executablePath(); !helper.empty()) {
        std::string beside = files::joinPath(files::parentPath(helper), "quorvel");
        if (::access(beside.c_str(), X_OK) == 0) return {beside};
    }
    if (auto command = launcherEntryCommand()) return *command;
    return {"quorvel"};
}

void launchAppOrNotify(const HookEvent& event, const QuorvelPaths& paths, const HookLog& log,
                       const std::vector<std::string>& command) {
    // An app that holds its lock while no copy of this user answers on its name here runs in
    // another network namespace or has its name taken by another user; it handles
    // the event within its tick (should it be quitting, the event waits for the next start),
    // and a copy started now could only end. One whose name answers here but whose server
    // doesn't is as a rule quitting: a start now takes over once it is gone.
    if (!thisUserListensOn(instanceSocketName(paths, "lock")) && files::flockIsHeld(paths.instanceLock())) {
        log.writeLogLine(event.event.text() + " waits in the spool for the running app (its lock is held)");
        return;
    }
    // In the background: nothing comes to the front, and a copy already running is left alone.
    std::vector<std::string> arguments;
    if (command.size() > 1) arguments.assign(command.begin() + 1, command.end());
    arguments.emplace_back(appBackgroundArgument);
    if (!command.empty() && startDetachedProgram(command.front(), arguments)) return;
    log.writeLogLine("couldn't start the app");
    std::optional<FallbackBanner> banner = fallbackBanner(event);
    if (!banner) return;
    // From the app as the desktop knows it (its name, icon and launcher entry), as the app's
    // own banners are. "--" ends the notifier's options, so no text is ever read as one.
    const std::string entry = Quorvel::desktopEntryName;
    const std::vector<std::string> bannerArguments = {std::string("--app-name=") + Quorvel::displayName,
                                                      "--icon=" + entry,
                                                      "--hint=string:desktop-entry:" + entry,
                                                      "--",
                                                      banner->title,
                                                      banner->body};
    if (auto shown = runProgram(bannerCommand, bannerArguments); !shown || *shown != 0) {
        log.writeLogLine("notify-send fallback failed too");
    }
}

}  // namespace quorvel
