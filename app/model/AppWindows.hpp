#pragma once
// What the model needs of the app's windows and presentation: it makes each window once,
// when it is first asked for, and keeps it. Main thread.
#include <memory>
#include <optional>
#include <string>

#include "app/model/WindowHost.hpp"

namespace quorvel {

class AppModel;

class AppWindows {
public:
    /// A titled window with a remembered frame, holding one view bound to the model.
    struct HostedWindowSpec {
        enum class Content { settings, setup, finished };
        Content content = Content::settings;
        std::string title;
        /// The name the window's frame is remembered under.
        std::string autosaveName;
        bool operator==(const HostedWindowSpec&) const = default;
    };

    virtual ~AppWindows() = default;

    /// The device window; not on screen until shown.
    virtual std::unique_ptr<WindowHost> makeDeviceWindow(AppModel& model) = 0;
    /// The compact strip panel; not on screen until shown.
    virtual std::unique_ptr<WindowHost> makeStripPanel(AppModel& model) = 0;
    virtual std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, AppModel& model) = 0;

    /// Shows a modal warning: the product's name followed by " couldn't do that", with
    /// `message` as its informative text, after bringing the app forward.
    virtual void showErrorAlert(const std::string& message) = 0;

    /// A modal open panel titled `title` for one file of any kind (no folders), after
    /// bringing the app forward: the chosen file's path, absent when the user cancelled.
    virtual std::optional<std::string> chooseFile(const std::string& title) = 0;

    /// Asks the desktop to show the folder at `path` in its file manager.
    virtual void openFolder(const std::string& path) = 0;

    /// With a Dock icon and menus (`true`, and the app is brought forward) or as a menu-bar
    /// app only (`false`, left active).
    virtual void setShowsInDock(bool shown) = 0;
};

}  // namespace quorvel
