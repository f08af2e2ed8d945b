#pragma once
// What the agent hands the helper on standard input: one JSON payload.
#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/JsonCoding.hpp"

namespace quorvel {

/// Most bytes of standard input the helper keeps as they came (for a capture and the byte
/// count it logs); a longer payload is still read to its end, keeping only what the event uses.
inline constexpr std::size_t hookInputCap = 1'048'576;
/// How long after its start the helper waits for its input to end: long enough for any agent,
/// short enough that a short post, the spool file and the log line still fit before the
/// watchdog (1.5 s) ends the run (RunBudget.hpp).
inline constexpr std::chrono::milliseconds hookInputWait{1000};

/// What the helper made of its standard input.
struct HookInput {
    /// The first `hookInputCap` bytes as they were read.
    std::string head;
    /// Every byte read, past the cap too.
    std::size_t bytesRead = 0;
    /// The payload's members that the payload mapping reads, long texts already cut as the
    /// mapping cuts them (hook/PayloadSieve.hpp); absent when the input isn't one JSON object.
    /// Ill-formed UTF-8 and lone surrogate escapes are read as U+FFFD and a number too large
    /// to hold as absent (hook/JsonTextRepair.hpp), so one bad value doesn't cost the event.
    std::optional<json::Json> payload;
    /// The input was still open at the deadline; `payload` is then absent.
    bool stillOpen = false;
};

/// Reads `fd` to its end through the streaming JSON reader, never holding more of it than
/// the head and the largest single string. Waits for the input to end until `deadline` at most.
HookInput readHookInput(int fd, std::chrono::steady_clock::time_point deadline, std::size_t cap = hookInputCap);
/// The same, waiting for `wait` from now at most.
HookInput readHookInput(int fd, std::chrono::steady_clock::duration wait, std::size_t cap = hookInputCap);

/// The input as a JSON object or array; absent for anything else (a bare string or number,
/// malformed or cut JSON). Repaired as `readHookInput` repairs it, so one bad value doesn't
/// cost the whole event.
std::optional<json::Json> parseHookInput(std::string_view input);

}  // namespace quorvel
