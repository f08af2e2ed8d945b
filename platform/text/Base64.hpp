#pragma once
// RFC 4648 base64 and base64url.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::base64 {

/// Standard alphabet, padded, no line breaks.
std::string encode(const std::uint8_t* data, std::size_t size);
std::string encode(std::string_view bytes);
/// URL-safe alphabet ("-" and "_"), no padding.
std::string encodeUrlUnpadded(const std::uint8_t* data, std::size_t size);
std::string encodeUrlUnpadded(std::string_view bytes);

/// Decodes standard base64 (padding required when the length calls for it); absent on any
/// character outside the alphabet.
std::optional<std::string> decode(std::string_view text);
/// Decodes base64url with or without padding.
std::optional<std::string> decodeUrl(std::string_view text);

/// True when `text` consists only of base64url alphabet characters.
bool isUrlAlphabet(std::string_view text);

}  // namespace quorvel::base64
