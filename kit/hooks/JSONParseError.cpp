#include "kit/hooks/JSONParseError.hpp"

namespace quorvel {

std::string JSONParseError::description() const {
    return message + " (line " + std::to_string(line) + ", column " + std::to_string(column) + ")";
}

}  // namespace quorvel
