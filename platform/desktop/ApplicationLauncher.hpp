#pragma once
// Starts an installed application by its desktop entry.
#include <string_view>

namespace quorvel {

class ApplicationLauncher {
public:
    virtual ~ApplicationLauncher() = default;

    /// Starts the application of desktop entry `desktopEntryID` (e.g. "kitty.desktop") on its
    /// own, not as a child of this process. False when no such application is installed or
    /// it could not be started.
    virtual bool open(std::string_view desktopEntryID) = 0;
};

}  // namespace quorvel
