#pragma once
// A verbatim record of one invocation (arguments, the two environment variables the helper
// reads, the raw payload), for studying real hook payloads.
#include <string>
#include <string_view>
#include <vector>

#include "kit/engine/HookEvent.hpp"
#include "platform/Expected.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct CaptureError {
    std::string message;
};

/// The part of a capture file's name that names the event: the payload's "hook_event_name"
/// when it is a string that is safe inside a file name, else "unknown".
std::string captureEventName(const std::optional<json::Json>& payload);

/// Writes one capture file "<ms>-<event>-<8 UUID characters>.json" (0600) in
/// `capturesFolder`, creating the folder (0700) when missing. The record's keys are sorted
/// and it is indented for reading.
Expected<std::string, CaptureError> writeCapture(std::string_view input, Instant captureTime,
                                                 const std::vector<std::string>& arguments,
                                                 const HookEvent::Environment& environment,
                                                 const std::string& capturesFolder);

}  // namespace quorvel
