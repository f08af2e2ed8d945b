#pragma once
// A window holding a live face (the device window, the strip panel): made on its first show
// and kept, at its remembered place (at its first spot the first time, and again whenever it
// has drifted off every screen), shown in front without activating the app. It redraws from
// its presenter, and not at all while hidden; a close from the window manager hides it
// through the presenter, as the hide key does. Main thread.
#include <QString>
#include <memory>

#include "app/windows/DeviceFace.hpp"
#include "app/windows/DevicePresenter.hpp"
#include "app/windows/DeviceSource.hpp"
#include "app/windows/FaceWindowHost.hpp"
#include "app/windows/LiveFaceWindow.hpp"
#include "app/windows/StripFace.hpp"
#include "app/windows/StripPresenter.hpp"
#include "app/windows/WindowHost.hpp"
#include "app/windows/WindowLinks.hpp"
#include "app/windows/WindowNavigator.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/ReduceMotion.hpp"

namespace quorvel {

/// What tells one face window from the other.
struct FaceWindowLook {
    FaceWindow::Kind kind;
    FaceWindowHost::Placement placement;
    FaceWindowHost::Fit fit;
    /// The name its place is remembered under.
    const char* autosaveName;
    /// Added to the product's name for the window's title.
    const char* titleSuffix;

    QString title() const;
};

inline constexpr FaceWindowLook deviceWindowLook{FaceWindow::Kind::window, FaceWindowHost::Placement::centred,
                                                 FaceWindowHost::Fit::scaledDownToScreen, "QuorvelDeviceWindow", ""};
inline constexpr FaceWindowLook stripPanelLook{FaceWindow::Kind::floatingPanel, FaceWindowHost::Placement::topCentre,
                                               FaceWindowHost::Fit::asItIs, "QuorvelCompactStrip", " strip"};

template <typename Presenter, typename Face>
class FaceWindowController final : public WindowHost {
public:
    /// `source`, `navigator`, `defaults` and `reduceMotion` must outlive the controller;
    /// `links` reach the app's menu and tray.
    FaceWindowController(const FaceWindowLook& look, DeviceSource& source, WindowNavigator& navigator,
                         KeyValueStore& defaults, ReduceMotion& reduceMotion, std::shared_ptr<const Clock> clock,
                         WindowLinks links)
        : look_(look),
          presenter_(source, navigator, clock),
          reduceMotion_(reduceMotion),
          clock_(std::move(clock)),
          links_(std::move(links)),
          host_(look.placement, look.fit, look.autosaveName, [this] { return makeWindow(); }, defaults) {}

    void show() override { host_.show(); }
    void hide() override { host_.hide(); }

    /// Null until first shown.
    FaceWindow* window() const { return host_.window(); }
    Presenter& presenter() { return presenter_; }

private:
    std::unique_ptr<FaceWindow> makeWindow() {
        return makeLiveFaceWindow(look_.kind, look_.title(), presenter_,
                                  std::make_unique<Face>(presenter_, reduceMotion_, *clock_), links_);
    }

    FaceWindowLook look_;
    Presenter presenter_;
    ReduceMotion& reduceMotion_;
    std::shared_ptr<const Clock> clock_;
    WindowLinks links_;
    FaceWindowHost host_;
};

using DeviceWindowController = FaceWindowController<DevicePresenter, DeviceFace>;
using StripPanelController = FaceWindowController<StripPresenter, StripFace>;

}  // namespace quorvel
