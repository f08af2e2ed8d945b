#pragma once
// The state machine's timings, all in seconds.
namespace quorvel {

struct StateMachineSettings {
    /// A running run this old turns into a long run.
    double longRunAfter = 600;
    /// A running session with no event for this long falls back to idle.
    double staleAfter = 1800;
    /// A stop that waits on background tasks is finished after this long anyway.
    double backgroundSafetyNetAfter = 600;
    /// A successful shell command at least this long is listed as a finished run.
    double shellCommandMinimum = 10;
    /// A done session stays in the running rows this long after its last event.
    double doneLingers = 900;
    /// A failed shell command this recent turns the next finish into broke.
    double brokeWindow = 120;

    static constexpr StateMachineSettings standard() { return {}; }

    bool operator==(const StateMachineSettings&) const = default;
};

}  // namespace quorvel
