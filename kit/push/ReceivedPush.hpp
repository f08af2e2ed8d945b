#pragma once
// One alert push as the phone received it, rebuilt from the push's notification payload so
// it outlives its banner. JSON form (inbox files and history items): keys equal the field
// names, "kind" as its raw string, "receivedAt" in seconds since 2001; "project",
// "runTitle" and "duration" only when present.
#include <optional>
#include <string>

#include "kit/engine/Alert.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct ReceivedPush {
    /// A new random UUID made on receipt: what tells two pushes apart.
    std::string id;
    Alert::Kind kind = Alert::Kind::done;
    std::string sessionID;
    /// Empty when the payload has none.
    std::string title;
    std::string body;
    Instant receivedAt;
    std::optional<std::string> project;
    std::optional<std::string> runTitle;
    /// Seconds.
    std::optional<double> duration;

    /// The push the payload carries: none unless "quorvel" is an object with a known "state"
    /// and a text "session". Titles missing or of another type read as empty, run details
    /// as absent.
    static std::optional<ReceivedPush> fromUserInfo(const json::Json& userInfo, Instant receivedAt);

    static ReceivedPush decode(const json::Json& value);
    json::Json encode() const;

    bool operator==(const ReceivedPush&) const = default;
};

}  // namespace quorvel
