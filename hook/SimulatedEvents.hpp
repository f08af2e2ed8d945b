#pragma once
// Made-up agent sessions that the app plays into itself (self-test, test menu) through the
// same road as real hook events.
#include <string_view>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

/// The session every simulated event belongs to.
inline constexpr std::string_view simulatedSessionID = "quorvel-simulated";

/// The events for "running", "done", "needsyou", "broke" or "crashed" (exact, case-sensitive)
/// in posting order: a prompt 252 seconds before `now`, then the state's event at `now`. For
/// "broke" that is the run's end (a Stop), after a failed shell command one second earlier.
/// Empty for any other name.
std::vector<HookEvent> buildSimulatedEvents(std::string_view state, Instant now);

}  // namespace quorvel
