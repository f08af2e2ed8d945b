#pragma once
// Makes a face window on its first show and keeps it for the life of the app: places it
// (at its remembered place, else at its first spot), brings it back onto a screen at every
// show when it has drifted off, and shows it in front without activating the app. Its place
// is remembered under an autosave name (the frame as drawn, scaled or not), except on Wayland, which tells a client no global
// positions (a remembered 0,0 would overwrite a good place); there the compositor places it.
// Main thread.
#include <QScreen>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/windows/WindowHost.hpp"
#include "app/windows/FaceWindow.hpp"
#include "platform/KeyValueStore.hpp"
#include "platform/qt/WindowFrameAutosave.hpp"

namespace quorvel {

class FaceWindowHost final : public WindowHost {
public:
    enum class Placement {
        /// Centred on the main screen (the device).
        centred,
        /// Centred across the top of the main screen, just under its top edge (the strip).
        topCentre,
    };
    enum class Fit {
        /// Always at the face's own size (the strip).
        asItIs,
        /// Drawn smaller, as a whole, on a screen whose available height is less than the
        /// face's, never larger (the device).
        scaledDownToScreen,
    };
    using Make = std::function<std::unique_ptr<FaceWindow>()>;

    /// `defaults` must outlive the host.
    FaceWindowHost(Placement placement, Fit fit, std::string autosaveName, Make make, KeyValueStore& defaults);
    ~FaceWindowHost() override;

    void show() override;
    void hide() override;

    /// Null until first shown.
    FaceWindow* window() const { return window_.get(); }
    const std::string& autosaveName() const { return autosaveName_; }

    /// False on Wayland, where windows have no global position to place or remember.
    static bool canPlaceWindows();

private:
    void make();
    void keepOnScreen();
    /// Scales the face to the screen the window is mostly on (else the main one), by `fit_`.
    void fitToScreen();
    std::optional<QPointF> firstSpot() const;

    Placement placement_;
    Fit fit_;
    std::string autosaveName_;
    Make make_;
    KeyValueStore& defaults_;
    std::unique_ptr<FaceWindow> window_;
    std::unique_ptr<WindowFrameAutosave> autosave_;
};

}  // namespace quorvel
