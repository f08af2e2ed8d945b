#pragma once
// Makes the app's windows for the window coordinator, each once, when it is first shown; the
// windows' surfaces ask `navigator` for other windows. Main thread.
#include <memory>
#include <string>

#include "app/windows/hosting/WindowHost.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"

namespace quorvel {

class WindowFactory {
public:
    /// A titled window with a remembered frame, holding one view.
    struct HostedWindowSpec {
        enum class Content { settings, setup, finished };
        Content content = Content::settings;
        std::string title;
        /// The name the window's frame is remembered under.
        std::string autosaveName;
        bool operator==(const HostedWindowSpec&) const = default;
    };

    virtual ~WindowFactory() = default;

    /// The device window; not on screen until shown.
    virtual std::unique_ptr<WindowHost> makeDeviceWindow(WindowNavigator& navigator) = 0;
    /// The compact strip panel; not on screen until shown.
    virtual std::unique_ptr<WindowHost> makeStripPanel(WindowNavigator& navigator) = 0;
    virtual std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, WindowNavigator& navigator) = 0;
};

}  // namespace quorvel
