#pragma once
// What a Live Activity on the phone shows of one session: its state, run title, when the run
// (or the waiting) began and ended, one detail line and the project. Made from a session on
// the Mac, sent inside the Live Activity payloads, and drawn by the lock-screen card.
//
// Times are seconds since 1970 (Unix), fraction kept. A plain value: compare, hash, copy.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "kit/engine/PixelArtFace.hpp"
#include "kit/engine/Session.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct QuorvelLiveState {
    /// "running", "longRun", "done", "needsYou", "broke", "crashed" or "idle"; other texts
    /// are kept as they came and read as a quiet state.
    std::string state;
    /// The run's title; may be empty.
    std::string title;
    double startedAtUnix = 0;
    /// Absent while the run or the waiting goes on.
    std::optional<double> endedAtUnix;
    /// The second line: a duration, message, command or reason.
    std::optional<std::string> detail;
    std::optional<std::string> project;

    /// The content state of `session` at `now`.
    static QuorvelLiveState of(const Session& session, Instant now);

    /// The mascot's face for the state.
    PixelArt::Face face() const;
    /// "GRINDING.", "DONE. GO LOOK.", …; "ALL QUIET." for idle and any unknown state.
    std::string_view headline() const;
    /// The title, else the project, else empty.
    std::string displayTitle() const;
    /// Broke or crashed.
    bool isFailure() const;
    bool isEnded() const { return endedAtUnix.has_value(); }

    /// The JSON object with the field names as keys; absent optionals are left out. A whole
    /// number of seconds is written without a fraction. Throws json::JsonEncodeError for a
    /// time that is not finite.
    json::Json encode() const;
    /// Throws json::JsonDecodeError when "state", "title" or "startedAtUnix" is missing or a
    /// member has the wrong type.
    static QuorvelLiveState decode(const json::Json& value);

    bool operator==(const QuorvelLiveState&) const = default;
};

}  // namespace quorvel

template <>
struct std::hash<quorvel::QuorvelLiveState> {
    std::size_t operator()(const quorvel::QuorvelLiveState& state) const noexcept;
};
