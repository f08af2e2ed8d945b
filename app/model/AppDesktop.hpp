#pragma once
// What the model asks of the desktop for the user, beyond its windows: an alert, a file to
// choose, a folder to show, and whether the app has a taskbar entry. Main thread.
#include <optional>
#include <string>

namespace quorvel {

class AppDesktop {
public:
    virtual ~AppDesktop() = default;

    /// Shows a modal warning: the product's name followed by " couldn't do that", with
    /// `message` as its informative text, after bringing the app forward.
    virtual void showErrorAlert(const std::string& message) = 0;

    /// A modal open panel titled `title` for one file of any kind (no folders), after
    /// bringing the app forward: the chosen file's path, absent when the user cancelled.
    virtual std::optional<std::string> chooseFile(const std::string& title) = 0;

    /// Asks the desktop to show the folder at `path` in its file manager.
    virtual void openFolder(const std::string& path) = 0;

    /// With a taskbar entry (`true`, and the app is brought forward) or in the tray only
    /// (`false`, left active).
    virtual void setShowsInDock(bool shown) = 0;
};

}  // namespace quorvel
