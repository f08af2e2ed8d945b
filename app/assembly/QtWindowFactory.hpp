#pragma once
// The app's windows on this desktop: the device window and the strip panel as live painted
// windows, and the settings, setup and finished windows as hosted windows, each over its
// surface's source. Main thread.
#include <QPoint>
#include <functional>
#include <memory>

#include "app/assembly/AppModelSources.hpp"
#include "app/assembly/WindowFactory.hpp"
#include "app/windows/hosting/WindowLinks.hpp"
#include "platform/desktop/ReduceMotion.hpp"
#include "platform/stores/KeyValueStore.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

class QtWindowFactory final : public WindowFactory {
public:
    /// `sources` must outlive the factory and every window it makes; frames are remembered in
    /// `defaults`; `links` reach the app's menu, its actions and the tray.
    QtWindowFactory(AppModelSources& sources, std::shared_ptr<KeyValueStore> defaults, WindowLinks links);
    ~QtWindowFactory() override;

    std::unique_ptr<WindowHost> makeDeviceWindow(WindowNavigator& navigator) override;
    std::unique_ptr<WindowHost> makeStripPanel(WindowNavigator& navigator) override;
    std::unique_ptr<WindowHost> makeHostedWindow(const HostedWindowSpec& spec, WindowNavigator& navigator) override;

private:
    /// The desktop's reduce-motion setting, shared by the device and the strip.
    ReduceMotion& reduceMotion();

    AppModelSources& sources_;
    std::shared_ptr<KeyValueStore> defaults_;
    WindowLinks links_;
    std::shared_ptr<const Clock> clock_ = std::make_shared<SystemClock>();
    std::unique_ptr<ReduceMotion> reduceMotion_;
};

}  // namespace quorvel
