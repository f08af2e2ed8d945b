#pragma once
// The time-dependent input of a face (device, strip): its live motion clock, the moment to
// draw and the reduce-motion setting. A `LiveMotionClock` supplies it in a window; a picture
// rendered once uses a frozen clock instead.
#include <optional>

#include "kit/visuals/model/DeviceDisplay.hpp"
#include "kit/visuals/model/MotionClock.hpp"
#include "kit/visuals/views/mascot/FaceFade.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct FaceMoment {
    MotionClock liveClock = MotionClock{MascotMotion::idle, Instant::now(), false};
    /// The moment drawn: while a timeline runs, the scheduled date of its latest change.
    Instant time = Instant::now();
    bool reduceMotion = false;
    /// The mascot's face cross-fading from an earlier one (reduce motion only).
    std::optional<FaceFade> faceFade = std::nullopt;

    /// The clock the screen and the drive read: with `frozenAt`, the display's motion that many
    /// seconds in and already finished (so the still pose shows); otherwise the live clock.
    MotionClock clockFor(const DeviceDisplay& display, std::optional<double> frozenAt) const {
        if (frozenAt) return MotionClock{display.motion, time.adding(-*frozenAt), true};
        return liveClock;
    }

    /// A moment for a picture drawn once at `time`.
    static FaceMoment still(Instant time, bool reduceMotion = false) {
        return FaceMoment{MotionClock{MascotMotion::idle, time, false}, time, reduceMotion, std::nullopt};
    }

    bool operator==(const FaceMoment&) const = default;
};

}  // namespace quorvel
