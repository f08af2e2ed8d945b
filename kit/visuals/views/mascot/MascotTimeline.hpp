#pragma once
// Which pose the mascot, the screen overlay and the status LED show at a moment, and when that
// picture next changes. A timeline redraws only at the change times of the motion schedule;
// in every other case the picture is drawn once.
#include <optional>

#include "kit/visuals/model/MascotMotion.hpp"
#include "kit/visuals/model/MascotPose.hpp"
#include "kit/visuals/model/MotionClock.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::MascotTimeline {

/// A timeline plays: the clock has not finished, motion is not reduced, and the clock has
/// caught up with the display's motion.
bool runs(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion);

/// The flash-and-dim overlay plays: a timeline runs for a one-shot motion.
bool overlayRuns(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion);

/// The date of the latest picture change at or before `time` of the clock's motion drawn at
/// `scale` points per art pixel; the clock's start when `time` lies before it.
Instant scheduledDate(const MotionClock& clock, double scale, Instant time);

/// The first picture change after `time`, or nothing once a one-shot has no more.
std::optional<Instant> nextChange(const MotionClock& clock, double scale, Instant time);

/// The pose shown at `time`:
/// - a finished clock: the display motion's still pose;
/// - a running timeline: the pose at the latest scheduled date;
/// - otherwise (reduce motion, or a clock still on an earlier motion): the pose at the time
///   elapsed since the clock's start, or at 0 when the clock is on another motion.
MascotPose pose(MascotMotion displayMotion, const MotionClock& clock, bool reduceMotion, double scale,
                Instant time);

}  // namespace quorvel::MascotTimeline
