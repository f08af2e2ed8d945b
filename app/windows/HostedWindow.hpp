#pragma once
// A view in an ordinary titled window that is made on first use, keeps its place between
// runs and is reused: closing only hides it, and every later show brings back the same
// window with the same view. Main thread.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "app/model/WindowHost.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"

namespace quorvel {

class HostedWindow final : public WindowHost {
public:
    /// Makes the root view; called once, when the window is first made.
    using Make = std::function<std::unique_ptr<QWidget>()>;

    /// No window until the first `show`. The frame is remembered in `defaults` (which must
    /// outlive this object) under `autosaveName`.
    HostedWindow(std::string title, std::string autosaveName, Make make, KeyValueStore& defaults);
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
    void makeWindow();

    std::unique_ptr<QWidget> window_;
    std::string title_;
    std::string autosaveName_;
    Make make_;
    KeyValueStore& defaults_;
    std::unique_ptr<WindowFrameAutosave> frameAutosave_;
};

}  // namespace quorvel
