#pragma once
// Makes a painted window on its first show and keeps it for the life of the app: places it
// (at its remembered place, else at its look's first spot), brings it back onto a screen at
// every show when it has drifted off, draws it smaller on a low screen where its look says
// so, and shows it in front without activating the app. Its place is remembered under its
// look's autosave name (the frame as drawn, scaled or not), except on Wayland, which tells a
// client no global positions (a remembered 0,0 would overwrite a good place); there the
// compositor places it. Main thread.
#include <QScreen>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/hosting/PaintedWindow.hpp"
#include "app/windows/hosting/PaintedWindowLook.hpp"
#include "app/windows/hosting/WindowHost.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"
#include "platform/stores/KeyValueStore.hpp"

namespace quorvel {

class PaintedWindowHost final : public WindowHost {
public:
    using Make = std::function<std::unique_ptr<PaintedWindow>()>;

    /// `defaults` must outlive the host.
    PaintedWindowHost(const PaintedWindowLook& look, Make make, KeyValueStore& defaults);
    ~PaintedWindowHost() override;

    void show() override;
    void hide() override;

    /// Null until first shown.
    PaintedWindow* window() const { return window_.get(); }
    const PaintedWindowLook& look() const { return look_; }

    /// False on Wayland, where windows have no global position to place or remember.
    static bool canPlaceWindows();

private:
    void make();
    void keepOnScreen();
    /// Scales the content to the screen the window is mostly on (else the main one), by the
    /// look's fit.
    void fitToScreen();
    std::optional<QPointF> firstSpot() const;

    PaintedWindowLook look_;
    Make make_;
    KeyValueStore& defaults_;
    std::unique_ptr<PaintedWindow> window_;
    std::unique_ptr<WindowFrameAutosave> autosave_;
};

}  // namespace quorvel
