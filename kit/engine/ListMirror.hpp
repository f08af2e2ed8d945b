#pragma once
// Both lists as they are shared with the phone.
#include <cstddef>
#include <vector>

#include "kit/engine/FinishedRun.hpp"
#include "kit/engine/RunningRow.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct ListMirror {
    /// The most finished runs a mirror carries.
    static constexpr std::size_t finishedLimit = 60;

    std::vector<RunningRow> running;
    std::vector<FinishedRun> finished;
    Instant updatedAt;

    /// The rows as given, the first `finishedLimit` finished runs without their failure logs
    /// (the phone never gets failure output), and the update time.
    static ListMirror build(std::vector<RunningRow> running, const std::vector<FinishedRun>& finished,
                            Instant updatedAt);

    /// JSON form: "running", "finished" and "updatedAt" (seconds since 2001), all required.
    static ListMirror decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const ListMirror&) const = default;
};

}  // namespace quorvel
