#pragma once
#include <string_view>

namespace quorvel {

/// Compares two secrets so that the time taken depends only on their length, never on where
/// the first difference lies. Strings of different lengths are unequal at once.
bool constantTimeEquals(std::string_view a, std::string_view b);

}  // namespace quorvel
