#pragma once
// The app's windows until they are built: every window can be asked for and shown, and
// nothing appears; an error alert goes to the log instead of the screen, and an open panel is
// cancelled at once.
#include "app/model/AppWindows.hpp"
#include "platform/Logger.hpp"

namespace quorvel {

class PlaceholderAppWindows final : public AppWindows {
public:
    PlaceholderAppWindows();

    std::unique_ptr<WindowHost> makeDeviceWindow(AppModel& model) override;
    std::unique_ptr<WindowHost> makeStripPanel(AppModel& model) override;
    std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, AppModel& model) override;
    void showErrorAlert(const std::string& message) override;
    /// No panel to show: as if cancelled.
    std::optional<std::string> chooseFile(const std::string& title) override;
    void openFolder(const std::string& path) override;
    void setShowsInDock(bool shown) override;

private:
    Logger logger_;
};

}  // namespace quorvel
