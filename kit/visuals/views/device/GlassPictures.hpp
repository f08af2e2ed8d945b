#pragma once
// The device screen's glass painted from kept pictures, for the motion's repaints. The bezel
// and the empty glass are the same for every snapshot: kept once per pixel density. Over them,
// per snapshot, what every pose shows alike (the status row with the LED lit or dark, the
// headline and the detail) is kept too, and the mascot and the overlay are painted over that
// picture straight. The pictures are painted at the face's own place (they reach from the
// face's top-left to the glass's far corner), so every pixel comes out as in a whole paint.
//
// The headline comes before the mascot here and after it in a whole paint: the same pixels
// only while the mascot puts none on the headline's ink, which is probed once per pose; a pose
// that does has the screen painted whole. A cross-fade, or a density pictures are not kept
// for, is painted whole as well. Main thread only.
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QImage>
#include <QRect>
#include <QRectF>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/views/device/ScreenBezel.hpp"

class QPainter;

namespace quorvel {

class GlassPictures {
public:
    /// Paints `screen`, laid out at `frame` (the bezel's box), clipped to `glass` (whole points
    /// of the face around the screen's glass): the pixels a whole paint gives there.
    void paint(QPainter& painter, const ScreenBezel& screen, const QRectF& frame, const QRect& glass);
    /// Whether the kept plate covers the glass with opaque pixels (so painting the glass needs
    /// nothing under it); false until the first paint.
    bool opaque() const { return plateOpaque_; }

private:
    struct Subject {
        /// The snapshot as given.
        DeviceDisplay shownFor;
        /// The same without its time, and the event time as the glass writes it.
        DeviceDisplay display;
        std::string eventTime;
        /// The screen laid out for the snapshot (it measures its texts: once per snapshot).
        ScreenBezel::Layout layout;
        bool sameGlass(const Subject& other) const {
            return display == other.display && eventTime == other.eventTime;
        }
    };
    struct Base {
        bool ledOn = false;
        QImage image;
    };
    /// The poses seen, and whether the mascot reaches into `against` in them, for the density
    /// of the plate.
    struct PosesChecked {
        QRect against;
        bool broke = false;
        std::vector<std::pair<MascotPose, bool>> poses;
    };

    void follow(const ScreenBezel& screen, const QRectF& frame);
    void makePlate(const QRect& glass, double density);
    bool mascotReachesHeadline(const ScreenBezel& screen, const MascotPose& pose, const QRect& glass, double density);
    /// Drops what was painted for an earlier subject or density.
    void forgetBases();

    std::optional<Subject> subject_;
    QImage plate_;
    bool plateOpaque_ = false;
    std::vector<Base> bases_;
    /// Around where the headline and the detail put ink, in the pictures' pixels (empty: none);
    /// nothing until measured for the current subject.
    std::optional<QRect> headlineInk_;
    PosesChecked posesChecked_;
};

}  // namespace quorvel
