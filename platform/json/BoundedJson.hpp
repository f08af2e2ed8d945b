#pragma once
// Parsing a file of our own, which anyone who can write its folder may have filled with
// something huge: the parser stops at the first value beyond a bound instead of reading on,
// so such a file is refused (and treated as corrupt) as soon as it is recognised. Any thread.
#include <cstddef>
#include <string_view>

#include "platform/json/JsonCoding.hpp"

namespace quorvel::json {

/// `parse`, but a text holding more than `maxValues` values (every object, array, string,
/// number and literal counts) is refused with JsonDecodeError once the parser gets there.
Json parseBounded(std::string_view text, std::size_t maxValues);

}  // namespace quorvel::json
