#pragma once
// One key of an animated channel: a value at a moment of a motion's local time.
#include "kit/visuals/model/Easing.hpp"

namespace quorvel {

struct Keyframe {
    double time = 0;  ///< seconds of the motion's local time
    double value = 0;
    Easing easing = Easing::linear;  ///< shapes the segment that starts at this key

    bool operator==(const Keyframe&) const = default;
};

}  // namespace quorvel
