#include "kit/visuals/views/mascot/MascotTimeline.hpp"

#include "kit/visuals/model/MotionSchedule.hpp"

namespace quorvel::MascotTimeline {
namespace {

// A schedule date is a sum of doubles, summed in one order for the first date of a sequence and
// in another for the later ones: the same change can come out a few ulps apart.
constexpr double sameDate = 1e-6;

}  // namespace

bool runs(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion) {
    return !clock.finished && !reduceMotion && clock.motion == displayMotion;
}

bool overlayRuns(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion) {
    return playsOnce(displayMotion) && runs(displayMotion, clock, reduceMotion);
}

Instant scheduledDate(const MotionClock& clock, double scale, Instant time) {
    if (time <= clock.start) return clock.start;
    auto entries = MotionSchedule(clock.motion, clock.start, scale).entries(time);
    if (auto first = entries.next(); first && *first <= time.adding(sameDate)) return *first;
    return clock.start;
}

std::optional<Instant> nextChange(const MotionClock& clock, double scale, Instant time) {
    auto entries = MotionSchedule(clock.motion, clock.start, scale).entries(time);
    while (auto date = entries.next()) {
        if (*date > time.adding(sameDate)) return date;
    }
    return std::nullopt;
}

MascotPose pose(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion, double scale,
                Instant time) {
    if (clock.finished) return MascotPose::still(displayMotion);
    if (runs(displayMotion, clock, reduceMotion)) {
        const Instant date = scheduledDate(clock, scale, time);
        return MascotPose::compute(false, displayMotion, date.secondsSince(clock.start));
    }
    const double elapsed = clock.motion == displayMotion ? time.secondsSince(clock.start) : 0;
    return MascotPose::compute(reduceMotion, displayMotion, elapsed);
}

}  // namespace quorvel::MascotTimeline
