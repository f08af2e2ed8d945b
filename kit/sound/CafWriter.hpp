#pragma once
// Writes samples as a sound file of the app's one audio form (see CafFormat.hpp).
#include <cstdint>
#include <span>
#include <string>

#include "kit/sound/CafFormat.hpp"
#include "platform/Expected.hpp"

namespace quorvel::caf {

/// The bytes of a file holding `samples`: the "caff" header, a "desc" chunk and a "data"
/// chunk with an edit count of 0.
std::string encode(std::span<const std::int16_t> samples);

/// Writes `samples` to `path` atomically (an existing file is replaced), readable by all.
/// The folder must exist.
Expected<void, CafError> writeFile(const std::string& path, std::span<const std::int16_t> samples);

}  // namespace quorvel::caf
