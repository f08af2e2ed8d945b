#pragma once
// Bytes from the system's cryptographically secure random source; no weaker fallback.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::random {

/// `count` secure random bytes, or absent when the source fails.
std::optional<std::vector<std::uint8_t>> secureRandomBytes(std::size_t count);

/// A new random (version 4) UUID in its canonical upper-case text form.
std::string makeUuidString();

}  // namespace quorvel::random
