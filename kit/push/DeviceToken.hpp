#pragma once
// What an APNs device token looks like as the phone shows it and the user pastes it.
#include <string_view>

namespace quorvel::DeviceToken {

/// Whether `text`, without the spaces, tabs and line breaks around it, is a device token:
/// hexadecimal digits (either case) and nothing else, at least one. The delivery sends the
/// trimmed, lower-cased form.
bool isDeviceToken(std::string_view text);

}  // namespace quorvel::DeviceToken
