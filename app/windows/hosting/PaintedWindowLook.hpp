#pragma once
// What tells one painted window from another: what kind of window it is, where it first
// appears, whether it shrinks to a low screen, the name its place is remembered under and its
// title. A value; the device's and the strip's are constants beside their controller.
#include <QString>

#include "app/windows/hosting/PaintedWindow.hpp"

namespace quorvel {

struct PaintedWindowLook {
    enum class Placement {
        /// Centred on the main screen (the device).
        centred,
        /// Centred across the top of the main screen, just under its top edge (the strip).
        topCentre,
    };
    enum class Fit {
        /// Always at the content's own size (the strip).
        asItIs,
        /// Drawn smaller, as a whole, on a screen whose available height is less than the
        /// content's, never larger (the device).
        scaledDownToScreen,
    };

    PaintedWindow::Kind kind;
    Placement placement;
    Fit fit;
    /// The name its place is remembered under (a stored key: never renamed).
    const char* autosaveName;
    /// Added to the product's name for the window's title.
    const char* titleSuffix;

    QString title() const;
};

}  // namespace quorvel
