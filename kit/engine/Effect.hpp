#pragma once
// The only output of the state machine: an alert to tell the user or a finished run to list.
#include <utility>
#include <variant>

#include "kit/engine/Alert.hpp"
#include "kit/engine/FinishedRun.hpp"

namespace quorvel {

struct Effect {
    std::variant<Alert, FinishedRun> value;

    static Effect alert(Alert alert) { return {std::move(alert)}; }
    static Effect finished(FinishedRun run) { return {std::move(run)}; }

    /// The alert, or null for a finished run.
    const Alert* asAlert() const { return std::get_if<Alert>(&value); }
    /// The finished run, or null for an alert.
    const FinishedRun* asFinished() const { return std::get_if<FinishedRun>(&value); }

    bool operator==(const Effect&) const = default;
};

}  // namespace quorvel
