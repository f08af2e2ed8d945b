#pragma once
// What the agent hands the helper on standard input: one JSON payload.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "platform/JsonCoding.hpp"

namespace quorvel {

/// Most bytes of standard input the helper reads; a longer payload is cut there.
inline constexpr std::size_t hookInputCap = 1'048'576;

/// Reads `fd` until end of input, a read error or `cap` bytes, in reads of at most 64 KiB.
std::string readStandardInput(int fd, std::size_t cap = hookInputCap);

/// The input as a JSON object or array; absent for anything else (a bare string or number,
/// malformed or cut JSON). Text that isn't valid UTF-8 is repaired to U+FFFD first, so one
/// bad byte in a message doesn't cost the whole event.
std::optional<json::Json> parseHookInput(std::string_view input);

}  // namespace quorvel
