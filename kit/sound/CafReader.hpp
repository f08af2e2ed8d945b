#pragma once
// Reads sound files of the app's one audio form (see CafFormat.hpp) and refuses any other.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "kit/sound/CafFormat.hpp"
#include "platform/Expected.hpp"

namespace quorvel::caf {

/// The samples of a file's bytes. Chunks other than "desc" and "data" are skipped; a file
/// that is not CAF, holds another audio format, lacks its data or is cut short is refused.
Expected<std::vector<std::int16_t>, CafError> decode(std::string_view bytes);

/// The samples of the file at `path`.
Expected<std::vector<std::int16_t>, CafError> readFile(const std::string& path);

}  // namespace quorvel::caf
