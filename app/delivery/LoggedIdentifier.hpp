#pragma once
// Session and channel identifiers in log lines: long ones cut to their first 8 characters
// and "…", so a line stays readable and never carries a whole identifier.
#include <string>
#include <string_view>

#include "platform/text/UnicodeText.hpp"

namespace quorvel {

/// `identifier` whole when it has at most 8 characters, else its first 8 and "…".
inline std::string loggedIdentifier(std::string_view identifier) {
    if (text::characterCount(identifier) < 9) return std::string(identifier);
    return text::prefixCharacters(identifier, 8) + "…";
}

}  // namespace quorvel
