#pragma once
// The one owner of the app's five windows (device, strip, settings, setup, finished): makes
// each on its first showing through the factory and keeps it, shows and hides them for the
// menu, the keys of the device and the strip and later launches, and keeps the user's choice
// between the device and the strip for the next start under "deviceVisible" and
// "stripVisible" ("setupShown" once first-run setup is done).
// Main thread; needs a Qt application object.
#include <memory>

#include "app/assembly/WindowFactory.hpp"
#include "app/windows/hosting/WindowHost.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class WindowCoordinator final : public WindowNavigator {
    Q_OBJECT

public:
    /// `defaults` must outlive the coordinator. Queues the windows of the last run, after the
    /// work queued so far (the app's start-up): the device (unless "deviceVisible" is stored
    /// as false: no value, or any other, shows it), the strip (when "stripVisible" is true)
    /// and the setup window (until "setupShown" is true). From the end of the event loop on,
    /// windows that go are no choice of the user's: nothing is stored or shown any more.
    WindowCoordinator(std::unique_ptr<WindowFactory> factory, std::shared_ptr<KeyValueStore> defaults,
                      QObject* parent = nullptr);
    ~WindowCoordinator() override;

    bool deviceVisible() const override { return deviceVisible_; }
    bool stripVisible() const override { return stripVisible_; }
    void setDeviceVisible(bool visible) override;
    void setStripVisible(bool visible) override;
    void showSettings() override;
    void showSetup() override;
    void showFinished() override;
    void finishSetup() override;

    /// The app is ending: from now on nothing is shown, hidden or stored.
    void appEnding() { ending_ = true; }

    // Each made on first use.
    WindowHost& deviceWindow();
    WindowHost& stripPanel();
    WindowHost& settingsWindow();
    WindowHost& setupWindow();
    WindowHost& finishedWindow();

private:
    /// Shows (making it when needed) or hides the device or strip `window`, stores the choice under
    /// `key` and, when it differs, in `shown`, and says so.
    void setFaceVisible(bool visible, std::unique_ptr<WindowHost>& window, WindowHost& (WindowCoordinator::*made)(),
                        DefaultsKey<bool> key, bool& shown);
    WindowHost& hosted(std::unique_ptr<WindowHost>& window, const WindowFactory::HostedWindowSpec& spec);

    std::unique_ptr<WindowFactory> factory_;
    std::shared_ptr<KeyValueStore> defaults_;
    bool deviceVisible_ = false;
    bool stripVisible_ = false;
    bool ending_ = false;
    std::unique_ptr<WindowHost> deviceWindow_;
    std::unique_ptr<WindowHost> stripPanel_;
    std::unique_ptr<WindowHost> settingsWindow_;
    std::unique_ptr<WindowHost> setupWindow_;
    std::unique_ptr<WindowHost> finishedWindow_;
};

}  // namespace quorvel
