#pragma once
// One row of the RUNNING list.
#include <optional>
#include <string>

#include "kit/engine/SessionState.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct RunningRow {
    /// The session's identifier; identifies the row.
    std::string id;
    std::optional<std::string> project;
    /// The run's title; empty when the session has no run.
    std::string title;
    SessionState state;
    /// The run's start, or the session's last event when it has no run.
    Instant startedAt;
    /// Seconds; only for a done state.
    std::optional<double> duration;
    /// True for the one session featured on the device screen.
    bool onScreen = false;

    /// True for a broke or crashed state.
    bool isFailure() const;
    /// `duration` when present, else the time since `startedAt` (never below 0).
    double elapsed(Instant now) const;

    static RunningRow decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const RunningRow&) const = default;
};

}  // namespace quorvel
