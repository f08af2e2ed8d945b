#pragma once
// When the app doesn't take an event, the helper starts it (it drains the spool once it
// runs) and, only when that fails, shows a banner itself.
#include <string>

#include "hook/HookLog.hpp"
#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// The variable that names another app executable (for tests and unusual installs).
inline constexpr const char* appExecutableVariable = "QUORVEL_APP_EXECUTABLE";
/// The argument that starts the app in the background.
inline constexpr const char* appBackgroundArgument = "--background";
/// The desktop notifier the banner goes through.
inline constexpr const char* bannerCommand = "notify-send";

/// The app to start: $QUORVEL_APP_EXECUTABLE when set, else "quorvel" beside the running
/// helper when it is there, else "quorvel" looked up in PATH.
std::string appExecutable(const HookEvent::Environment& environment);

/// Starts `executable` detached, in the background; when that fails, logs it and shows the event's fallback
/// banner, if it has one.
void launchAppOrNotify(const HookEvent& event, const HookLog& log, const std::string& executable);

}  // namespace quorvel
