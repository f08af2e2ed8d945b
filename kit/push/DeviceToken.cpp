#include "kit/push/DeviceToken.hpp"

#include <algorithm>

#include "platform/text/UnicodeText.hpp"

namespace quorvel::DeviceToken {

bool isDeviceToken(std::string_view text) {
    const std::string token = text::trimmingWhitespaceAndNewlines(text);
    const auto isHexDigit = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    return !token.empty() && std::all_of(token.begin(), token.end(), isHexDigit);
}

}  // namespace quorvel::DeviceToken
