#pragma once
// Starting the app when the user logs in, through an XDG autostart entry: a desktop entry
// file in $XDG_CONFIG_HOME/autostart that the session starts at login.
#include <string>
#include <string_view>

#include "platform/Expected.hpp"
#include "platform/files/Files.hpp"

namespace quorvel {

class LaunchAtLogin {
public:
    enum class Status {
        /// No entry, or the user switched it off in the desktop's settings.
        notRegistered,
        enabled,
    };

    /// The entry at `entryPath` that starts `executable`.
    LaunchAtLogin(std::string entryPath, std::string executable);

    /// This user's entry ($XDG_CONFIG_HOME, else ~/.config, + "/autostart/" + the app's
    /// identifier + ".desktop") starting the running executable.
    static LaunchAtLogin forCurrentUser();

    /// The text of the entry that starts `executable`.
    static std::string entryContents(std::string_view executable);

    /// "enabled" or "notRegistered".
    static std::string_view statusText(Status status);

    Status status() const;

    /// Writes (atomically) or removes the entry; removing a missing entry succeeds. Logs the
    /// new status after a success; a failure is returned, not logged.
    Expected<void, files::FileError> set(bool enabled);

    /// Points a switched-on entry that starts another copy of the app (one run from elsewhere
    /// before, by its absolute path) at this one, keeping the rest of the entry, so the next
    /// login starts the copy that ran last. Nothing when there is no entry (one is never made
    /// here), it is switched off, or its program is this copy or a name looked up in PATH.
    /// Logs a change; a failure is returned, not logged. Called at every start.
    Expected<void, files::FileError> followRunningCopy() const;

    const std::string& entryPath() const { return entryPath_; }

private:
    std::string entryPath_;
    std::string executable_;
};

}  // namespace quorvel
