#pragma once
// Brings the terminal of a session to the front when the user picks the session. All it knows
// is the terminal program's name as the agent's environment gave it ("TERM_PROGRAM", or the
// helper's name for a terminal that sets none, see terminalProgramName) and the session's
// working folder, so it finds the terminal's window by the window class of that program and a
// title that names the folder.
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/desktop/ApplicationLauncher.hpp"
#include "platform/desktop/WindowActivator.hpp"

namespace quorvel {

class TerminalFinder {
public:
    /// How a terminal shows up on this desktop.
    struct DesktopApplication {
        /// Window class names of its windows (compared without regard to case).
        std::vector<std::string> windowClasses;
        /// Desktop entries that start it, in the order they are tried.
        std::vector<std::string> desktopEntryIDs;

        bool operator==(const DesktopApplication&) const = default;
    };

    TerminalFinder(std::unique_ptr<WindowActivator> windows, std::unique_ptr<ApplicationLauncher> launcher);

    /// The application identifier of the terminal named `termProgram` (compared after full
    /// Unicode lower-casing); absent for a name outside the table and for no name.
    static std::optional<std::string> bundleIdentifier(const std::optional<std::string>& termProgram);

    /// The script that raises the window or tab showing `folderName` in Terminal and iTerm;
    /// absent for any other application identifier.
    static std::optional<std::string> windowScript(std::string_view bundleIdentifier,
                                                   std::string_view folderName);

    /// Where the terminal with application identifier `bundleIdentifier` is found on this
    /// desktop; absent for the terminals that only exist on macOS and any other identifier.
    static std::optional<DesktopApplication> desktopApplication(std::string_view bundleIdentifier);

    /// The last component of `cwd` as a file path ("/" for the root, "" for no folder).
    static std::string folderName(const std::optional<std::string>& cwd);

    /// Raises the terminal window whose title names the session's folder, else any window of
    /// that terminal, else starts the terminal. Logs, and never fails. Main thread only.
    void bringForward(const std::optional<std::string>& termProgram, const std::optional<std::string>& cwd);

private:
    std::unique_ptr<WindowActivator> windows_;
    std::unique_ptr<ApplicationLauncher> launcher_;
};

}  // namespace quorvel
