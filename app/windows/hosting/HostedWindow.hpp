#pragma once
// A view in an ordinary titled window that is made on first use, keeps its place between
// runs and is reused: closing only hides it, and every later show brings back the same
// window with the same view. It answers Esc and Ctrl+W by closing (also where no window
// manager draws a close button) and the menu's keys. Its width is the view's; its height the
// view's ideal one, between the view's minimum and maximum heights, but never more than the
// screen's available height. A view that sets no minimum keeps its ideal height: the window
// follows it whenever it changes, up to the screen's height, and scrolls the view beyond
// that, so no line is ever cut. Its first place lies inside the screen's available area;
// later shows keep the place the user chose while the window still meets a screen (a window
// taller than its screen gets its top edge back on it; one off every screen is centred),
// again once the window manager has framed it. Main thread.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/windows/hosting/WindowHost.hpp"
#include "app/windows/hosting/WindowKeys.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"
#include "platform/stores/KeyValueStore.hpp"

class QScrollArea;

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
    class Refit;

    void makeWindow();
    /// The view's ideal size, within its minimum and maximum.
    QSize idealSize() const;
    /// The height the window may have on its screen, without the window manager's frame.
    int roomOnScreen() const;
    /// Sizes a window whose view keeps its ideal height to that view (scrolling past the
    /// screen's height); keeps a window that lay inside its screen inside.
    void fitContent();
    /// Shortens the window to the available height and places it by the rules above.
    void fitOnScreen();

    std::unique_ptr<QWidget> window_;
    std::string title_;
    std::string autosaveName_;
    Make make_;
    KeyValueStore& defaults_;
    WindowKeys::MenuCommand menuCommand_;
    std::unique_ptr<WindowFrameAutosave> frameAutosave_;
    std::unique_ptr<Refit> refit_;
    /// The view, inside `scroll_` when it keeps its ideal height.
    QWidget* content_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    bool keepsIdealHeight_ = false;
    /// The window has no place of its own yet: it was centred at this, its first, show.
    bool firstPlace_ = false;
};

}  // namespace quorvel
