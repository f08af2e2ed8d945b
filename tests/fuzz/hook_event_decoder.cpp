// Event bodies reach the server from any local process and spool files are read from disk:
// decoding must take anything, and what decodes must survive another round trip unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "kit/engine/HookEvent.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    auto decoded = json::decodeJson<HookEvent>(input);
    if (!decoded) return 0;
    auto encoded = json::encodeJson(decoded.value());
    if (!encoded) __builtin_trap();
    auto again = json::decodeJson<HookEvent>(encoded.value());
    if (!again) __builtin_trap();
    // Strings that weren't valid UTF-8 are repaired on the first encoding; from then on the
    // form is stable.
    auto reencoded = json::encodeJson(again.value());
    if (!reencoded || reencoded.value() != encoded.value()) __builtin_trap();
    return 0;
}
