#pragma once
// Which mascot motion a view is playing, since when, and whether a one-shot has played out.
#include <optional>

#include "kit/visuals/model/MascotMotion.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct MotionClock {
    MascotMotion motion = MascotMotion::idle;
    Instant start = Instant::now();
    bool finished = false;

    /// The clock a view starts for a new motion episode: muted is finished from the start.
    static MotionClock starting(MascotMotion motion, Instant now) {
        return MotionClock{motion, now, motion == MascotMotion::muted};
    }

    /// How long after its start a one-shot clock turns finished: the motion's span plus 0.05 s
    /// (done 3.25 s, broke 2.65 s, crashed 0.85 s); nothing for a motion that never finishes
    /// that way (loops never finish, muted is finished at once).
    static std::optional<double> holdTime(MascotMotion motion) {
        switch (motion) {
            case MascotMotion::done: return 3.25;
            case MascotMotion::broke: return 2.65;
            case MascotMotion::crashed: return 0.85;
            default: return std::nullopt;
        }
    }

    bool operator==(const MotionClock&) const = default;
};

}  // namespace quorvel
