#pragma once
// A painted window with a live view of the device (the device window, the strip panel): its
// presenter, its content and its look. The window is made on its first show and kept (see
// `PaintedWindowHost` for where it goes); a close from the window manager hides it through
// the presenter, as the hide key does; a right click opens the app's menu and the menu's keys
// work in it; coming on or off screen starts or stops the presenter's ticks and the content's
// motion, so nothing is redrawn while hidden; each change the presenter announces repaints
// the content. Main thread.
#include <QObject>
#include <QPoint>
#include <memory>

#include "app/windows/hosting/WindowLinks.hpp"
#include "app/windows/device/DeviceContent.hpp"
#include "app/windows/device/DevicePresenter.hpp"
#include "app/windows/device/DeviceSource.hpp"
#include "app/windows/device/StripContent.hpp"
#include "app/windows/device/StripPresenter.hpp"
#include "app/windows/hosting/PaintedWindowHost.hpp"
#include "app/windows/hosting/PaintedWindowLook.hpp"
#include "app/windows/hosting/WindowHost.hpp"
#include "app/windows/hosting/WindowKeys.hpp"
#include "app/windows/hosting/WindowNavigator.hpp"
#include "platform/desktop/ReduceMotion.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

inline constexpr PaintedWindowLook deviceWindowLook{PaintedWindow::Kind::window, PaintedWindowLook::Placement::centred,
                                                    PaintedWindowLook::Fit::scaledDownToScreen, "QuorvelDeviceWindow",
                                                    ""};
inline constexpr PaintedWindowLook stripPanelLook{PaintedWindow::Kind::floatingPanel,
                                                  PaintedWindowLook::Placement::topCentre,
                                                  PaintedWindowLook::Fit::asItIs, "QuorvelCompactStrip", " strip"};

template <typename Presenter, typename Content>
class PaintedWindowController final : public WindowHost {
public:
    /// `source`, `navigator`, `defaults` and `reduceMotion` must outlive the controller;
    /// `links` reach the app's menu and tray.
    PaintedWindowController(const PaintedWindowLook& look, DeviceSource& source, WindowNavigator& navigator,
                            KeyValueStore& defaults, ReduceMotion& reduceMotion, std::shared_ptr<const Clock> clock,
                            WindowLinks links)
        : look_(look),
          presenter_(source, navigator, clock),
          reduceMotion_(reduceMotion),
          clock_(std::move(clock)),
          links_(std::move(links)),
          host_(look, [this] { return makeWindow(); }, defaults) {}

    void show() override { host_.show(); }
    void hide() override { host_.hide(); }

    /// Null until first shown.
    PaintedWindow* window() const { return host_.window(); }
    Presenter& presenter() { return presenter_; }

private:
    std::unique_ptr<PaintedWindow> makeWindow() {
        auto made = std::make_unique<Content>(presenter_, reduceMotion_, *clock_);
        Content& content = *made;
        auto window = std::make_unique<PaintedWindow>(look_.kind, std::move(made), look_.title());
        window->onCloseRequest([this] { presenter_.hide(); });
        window->onContextMenu([openMenu = links_.openMenu](QPoint at) {
            if (openMenu) openMenu(at);
        });
        window->onTrayQuery(links_.trayShown);
        WindowKeys::install(*window, links_.menuCommand);
        window->onShownChanged([this, &content](bool shown) {
            presenter_.live().setShown(shown);
            content.setShown(shown);
        });
        QObject::connect(&presenter_, &Presenter::changed, window.get(), [&content] { content.refresh(); });
        return window;
    }

    PaintedWindowLook look_;
    Presenter presenter_;
    ReduceMotion& reduceMotion_;
    std::shared_ptr<const Clock> clock_;
    WindowLinks links_;
    // Last: the window goes before the presenter its content draws from.
    PaintedWindowHost host_;
};

using DeviceWindowController = PaintedWindowController<DevicePresenter, DeviceContent>;
using StripPanelController = PaintedWindowController<StripPresenter, StripContent>;

}  // namespace quorvel
