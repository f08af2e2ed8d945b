#pragma once
// When the app doesn't take an event, the helper starts it (it drains the spool once it
// runs) and, only when that fails, shows a banner itself. An app that holds its lock but
// can't be reached (the helper runs in a sandbox that shares the home but not the network)
// is left alone: its tick drains the spool, and a copy started per event would only pile up.
#include <string>
#include <vector>

#include "hook/HookLog.hpp"
#include "kit/engine/HookEvent.hpp"
#include "kit/engine/QuorvelPaths.hpp"

namespace quorvel {

/// The variable that names another app executable (for tests and unusual installs).
inline constexpr const char* appExecutableVariable = "QUORVEL_APP_EXECUTABLE";
/// The argument that starts the app in the background.
inline constexpr const char* appBackgroundArgument = "--background";
/// The desktop notifier the banner goes through.
inline constexpr const char* bannerCommand = "notify-send";

/// The command that starts the app: $QUORVEL_APP_EXECUTABLE when set; else "quorvel" beside
/// the running helper when it is there; else the command of the app's launcher entry as the
/// desktop finds it (the user's own first: the app writes one naming itself where the
/// installed entry doesn't start it, so the helper starts the copy that installed it), unless
/// the program it names is gone; else "quorvel" looked up in PATH.
std::vector<std::string> appCommand(const HookEvent::Environment& environment);

/// Starts `command` detached, in the background, unless an app holds `paths`' instance lock
/// file while its lock name isn't seen here (it runs in another network namespace: then logs
/// that the event waits in the spool for it); when the start fails, logs it
/// and shows the event's fallback banner, if it has one. The lock is only read about, never
/// taken: an app starting meanwhile must find it free.
void launchAppOrNotify(const HookEvent& event, const QuorvelPaths& paths, const HookLog& log,
                       const std::vector<std::string>& command);

}  // namespace quorvel
