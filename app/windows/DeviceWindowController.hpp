#pragma once
// The device window: made on its first show and kept, at its remembered place (centred the
// first time, and again whenever it has drifted off every screen), shown in front without
// activating the app. It redraws from its presenter, and not at all while hidden; a close
// from the window manager hides it through the model, as the hide key does. Main thread.
#include <QPoint>
#include <functional>
#include <memory>

#include "app/model/WindowHost.hpp"
#include "app/windows/DevicePresenter.hpp"
#include "app/windows/FaceWindowHost.hpp"
#include "app/windows/WindowLinks.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/ReduceMotion.hpp"

namespace quorvel {

class AppModel;

class DeviceWindowController final : public WindowHost {
public:
    static constexpr const char* autosaveName = "QuorvelDeviceWindow";

    /// `model`, `defaults` and `reduceMotion` must outlive the controller; `links` reach the
    /// app's menu and tray.
    DeviceWindowController(AppModel& model, KeyValueStore& defaults, ReduceMotion& reduceMotion,
                           std::shared_ptr<const Clock> clock,
                           WindowLinks links);
    ~DeviceWindowController() override;

    void show() override;
    void hide() override;

    /// Null until first shown.
    FaceWindow* window() const { return host_.window(); }
    DevicePresenter& presenter() { return presenter_; }

private:
    std::unique_ptr<FaceWindow> makeWindow();

    DevicePresenter presenter_;
    ReduceMotion& reduceMotion_;
    std::shared_ptr<const Clock> clock_;
    WindowLinks links_;
    FaceWindowHost host_;
};

}  // namespace quorvel
