#pragma once
// The app's windows on this desktop. The settings, setup and finished windows are hosted
// windows; until their views (and the device and strip) are built, each shows a stand-in
// view, so it can already be opened, moved and remembered. Main thread.
#include <memory>

#include "app/model/AppWindows.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/Logger.hpp"
#include "platform/qt/TaskbarPresence.hpp"

namespace quorvel {

class QtAppWindows final : public AppWindows {
public:
    /// Frames are remembered in `defaults`; `taskbar` (which must outlive this object) is
    /// switched for the Dock setting.
    QtAppWindows(std::shared_ptr<KeyValueStore> defaults, TaskbarPresence& taskbar);

    std::unique_ptr<WindowHost> makeDeviceWindow(AppModel& model) override;
    std::unique_ptr<WindowHost> makeStripPanel(AppModel& model) override;
    std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, AppModel& model) override;
    /// A modal warning; without a display, where no one could answer it, the log line only.
    void showErrorAlert(const std::string& message) override;
    /// A modal file dialog; without a display, the log line only, as if cancelled.
    std::optional<std::string> chooseFile(const std::string& title) override;
    /// Through the desktop's default file manager.
    void openFolder(const std::string& path) override;
    void setShowsInDock(bool shown) override;

private:
    std::shared_ptr<KeyValueStore> defaults_;
    TaskbarPresence& taskbar_;
    Logger logger_;
};

}  // namespace quorvel
