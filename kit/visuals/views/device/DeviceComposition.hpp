#pragma once
// The device's layers, back to front, and the one place they are put together: the floor
// shadow and the oblique shell, the casing, the header, the screen, the tab block, the control
// panel, the floppy drive, and the casing's ink border over them all.
//
// `paintWhole` paints them all, as a picture drawn once needs them (`DeviceView::paint`). A
// window keeps one `DeviceComposition` for the life of its face, which paints an area of the
// face on its own, with the pixels a whole paint gives there: the screen's glass and the drive
// from kept pictures (see GlassPictures and DrivePictures), and the tab block over the casing.
// It remembers what it painted there, so its host asks it which areas a new snapshot or a step
// of the motion changes and repaints only those. Main thread only.
#include <array>
#include <optional>
#include <vector>

#include <QRect>
#include <QRectF>

#include "kit/engine/DeviceControls.hpp"
#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/views/device/DeviceView.hpp"
#include "kit/visuals/views/device/DrivePictures.hpp"
#include "kit/visuals/views/device/GlassPictures.hpp"

class QPainter;

namespace quorvel {

class DeviceComposition {
public:
    /// The parts of the drawing (whole points, from its top-left) that are painted on their own.
    struct Areas {
        /// The screen's glass with its edge pixels, which the overlay's flash reaches.
        QRect glass;
        /// The drive with its risen floppy.
        QRect drive;
        /// The tabs and their rows, with the keys' depth around them.
        QRect tabBlock;
    };
    /// Measured at the first call (the fonts must be in by then): the same for every snapshot.
    static const Areas& areas();
    /// The whole drawing.
    static QRect whole();

    /// Every layer of `view`, back to front.
    static void paintWhole(QPainter& painter, const DeviceView& view);

    /// Paints `view`: under a clip within one of `areas()` just what lies there, otherwise whole.
    void paint(QPainter& painter, const DeviceView& view);
    /// True when painting `area` sets every pixel of it opaquely (the glass, once painted).
    bool coversOpaquely(const QRect& area) const;

    /// A new snapshot and controls: the areas to paint again. When only what the screen and
    /// the lists show as time goes by or events come in (times, the detail line, the rows)
    /// moved since the last ones, the glass and the tab block; otherwise the whole drawing.
    std::vector<QRect> show(const DeviceDisplay& display, const DeviceControls& controls);
    /// The areas whose picture a step of the motion changes from what was painted there last.
    std::vector<QRect> motionChanges(const DeviceView& view) const;

private:
    /// The glass's picture numbers at the view's moment (nothing during a cross-fade, which
    /// changes every frame): equal looks paint the same pixels.
    using GlassLook = std::array<double, 10>;
    static std::optional<GlassLook> glassLook(const DeviceView& view);
    /// Notes what a paint clipped to `clip` (none: everything) put on screen.
    void notePainted(const DeviceView& view, const std::optional<QRectF>& clip);

    GlassPictures glass_;
    DrivePictures drive_;
    /// What the glass and the drive show now; nothing when unknown (never painted, or in part).
    std::optional<GlassLook> glassOnScreen_;
    std::optional<DrivePictures::Look> driveOnScreen_;
    struct Shown {
        DeviceDisplay display;
        DeviceControls controls;
    };
    std::optional<Shown> shown_;
};

}  // namespace quorvel
