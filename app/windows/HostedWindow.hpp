#pragma once
// A view in an ordinary titled window that is made on first use, keeps its place between
// runs and is reused: closing only hides it, and every later show brings back the same
// window with the same view. It answers Esc and Ctrl+W by closing (also where no window
// manager draws a close button) and the menu's keys. Its width is the view's; its height the
// view's ideal one, between the view's minimum and maximum heights (a view that sets no
// minimum keeps its ideal height), but never more than the screen's available height. Every
// show puts the whole frame inside the screen's available area, its top edge at the top of
// that area when it is taller, again once the window manager has framed it. Main thread.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/windows/WindowHost.hpp"
#include "app/windows/WindowKeys.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"

namespace quorvel {

class HostedWindow final : public WindowHost {
public:
    /// Makes the root view; called once, when the window is first made.
    using Make = std::function<std::unique_ptr<QWidget>()>;

    /// No window until the first `show`. The frame is remembered in `defaults` (which must
    /// outlive this object) under `autosaveName`; the menu's keys go to `menuCommand` (may be
    /// empty).
    HostedWindow(std::string title, std::string autosaveName, Make make, KeyValueStore& defaults,
                 WindowKeys::MenuCommand menuCommand = {});
    ~HostedWindow() override;

    /// Makes the window the first time (at its saved place, else centred on the screen, at the
    /// size its view fits), then brings it to the front.
    void show() override;
    /// Takes the window off the screen when it has been made.
    void hide() override;

    /// Null until first shown.
    QWidget* window() const { return window_.get(); }
    const std::string& title() const { return title_; }
    const std::string& autosaveName() const { return autosaveName_; }

private:
    class FitWhenFramed;

    void makeWindow();
    /// Shortens the window to the available height and moves its frame inside the available
    /// area of its screen.
    void fitOnScreen();

    std::unique_ptr<QWidget> window_;
    std::string title_;
    std::string autosaveName_;
    Make make_;
    KeyValueStore& defaults_;
    WindowKeys::MenuCommand menuCommand_;
    std::unique_ptr<WindowFrameAutosave> frameAutosave_;
    std::unique_ptr<FitWhenFramed> fitWhenFramed_;
};

}  // namespace quorvel
