#pragma once
// The app's windows on this desktop: the device window and the strip panel, and the settings,
// setup and finished windows as hosted windows. Main thread.
#include <QPoint>
#include <functional>
#include <memory>

#include "app/model/AppWindows.hpp"
#include "app/windows/WindowLinks.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/Logger.hpp"
#include "platform/ReduceMotion.hpp"
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
    /// A modal file dialog, opened in the folder of the file last chosen in it, at first the
    /// user's home folder (never the app's working folder); without a display, the log line
    /// only, as if cancelled.
    std::optional<std::string> chooseFile(const std::string& title) override;
    /// Through the desktop's default file manager.
    void openFolder(const std::string& path) override;
    void setShowsInDock(bool shown) override;

    /// What a right click (or the menu key) on the device or the strip opens, at a global
    /// position: the app's menu. Until set, nothing opens.
    void setContextMenu(std::function<void(QPoint)> open) { contextMenu_ = std::move(open); }
    /// What the menu's keys do in every window: the menu's own action. Until set, nothing.
    void setMenuCommand(WindowKeys::MenuCommand command) { menuCommand_ = std::move(command); }
    /// Whether the desktop shows a tray now; until set, it counts as shown.
    void setTrayQuery(std::function<bool()> trayShown) { trayShown_ = std::move(trayShown); }

private:
    /// The links the windows get: each looks up what is set at the time it is used.
    WindowLinks links();
    /// The desktop's reduce-motion setting, shared by the device and the strip.
    ReduceMotion& reduceMotion();

    std::shared_ptr<KeyValueStore> defaults_;
    TaskbarPresence& taskbar_;
    Logger logger_;
    std::shared_ptr<const Clock> clock_ = std::make_shared<SystemClock>();
    std::function<void(QPoint)> contextMenu_;
    WindowKeys::MenuCommand menuCommand_;
    std::function<bool()> trayShown_;
    /// Where the last file was chosen; empty until one is.
    QString lastChosenFolder_;
    std::unique_ptr<ReduceMotion> reduceMotion_;
};

}  // namespace quorvel
