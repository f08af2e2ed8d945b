#pragma once
// What the mascot looks like at one moment of a motion: the face and the animated channels.
#include <optional>

#include "kit/engine/PixelArtFace.hpp"
#include "kit/visuals/model/MascotMotion.hpp"

namespace quorvel {

struct MascotPose {
    PixelArt::Face face = PixelArt::Face::happy;
    /// Vertical offset in points for a mascot drawn at pixel scale 12, in proportion at other
    /// scales; negative is up.
    double offsetY = 0;
    double rotation = 0;  ///< tilt in degrees
    int faceShift = 0;    ///< horizontal shift of the face on the screen, in cells (-1, 0, +1)
    double flash = 0;     ///< opacity of a flash over the picture
    std::optional<double> scanline = std::nullopt;  ///< 0...1 down the screen; absent: none
    double shadowScaleX = 1;
    double clickOpacity = 0;
    double clickOffsetY = 0;  ///< same units as offsetY
    double floppyOut = 0;     ///< 0 in, 1 out
    double screenOn = 1;      ///< brightness of the mascot's screen
    bool ledOn = true;

    bool operator==(const MascotPose&) const = default;

    /// The pose `elapsed` seconds after `motion` began. Loops repeat their period (a negative
    /// elapsed time counts backwards into the period); one-shots hold their first pose before
    /// they start and their last one after their span. With reduce motion on, the still pose.
    static MascotPose compute(bool reduceMotion, MascotMotion motion, double elapsed);

    /// The single pose shown when motion is reduced or a one-shot has played out: the motion's
    /// base face at rest, with the floppy out for done.
    static MascotPose still(MascotMotion motion);
};

}  // namespace quorvel
