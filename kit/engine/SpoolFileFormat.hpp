#pragma once
// The form of a spool file, which the helper writes for an event the app didn't take and the
// app writes for one it accepted but can no longer handle; the drain reads both alike. The
// name sorts by receive time; the contents are the event's JSON, the very bytes the helper
// posts.
#include <string>
#include <string_view>

#include "kit/engine/HookEvent.hpp"
#include "platform/Expected.hpp"
#include "platform/json/JsonCoding.hpp"

namespace quorvel {

/// "<receivedAt in whole ms>-<uuid>.json". Holds no '/' whatever the event carries.
std::string spoolFileName(const HookEvent& event, std::string_view uuid);

/// The event's JSON; an error when the event doesn't encode.
Expected<std::string, json::CodingError> spoolFileContents(const HookEvent& event);

}  // namespace quorvel
