#pragma once
// The helper stamps each event with its own clock, and the intake orders the two roads (live
// and spooled) by that stamp. A stamp far ahead of the app's clock (a helper run under a
// wrong clock, a hand-made spool file) would hold its event back behind everything that
// follows, and start a run in the future: such a stamp is not believed. Any thread.
#include "kit/engine/HookEvent.hpp"

namespace quorvel {

/// How far (seconds) a stamp may lie ahead of the app's clock and still be believed: room for
/// two clocks of one machine that disagree a little, or a helper's clock set by hand.
inline constexpr double stampLeadToleranceSeconds = 60;

/// Takes `readAt` (Unix seconds, the app's clock when it read the event) as the event's
/// stamp when its own lies more than the tolerance ahead, or isn't a number at all. Returns
/// whether the stamp was replaced.
inline bool believeStamp(HookEvent& event, double readAt) {
    if (event.receivedAt <= readAt + stampLeadToleranceSeconds) return false;
    event.receivedAt = readAt;
    return true;
}

}  // namespace quorvel
