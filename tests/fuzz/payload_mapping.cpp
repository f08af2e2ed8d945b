// The helper's road for one payload: raw standard input and environment values (any bytes)
// become an event whose encoding never fails, so no event is dropped for bad text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hook/Capture.hpp"
#include "hook/FallbackBanner.hpp"
#include "hook/HookInput.hpp"
#include "hook/SpoolFile.hpp"
#include "platform/UnicodeText.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first two NUL-separated pieces are environment values, the rest is standard input.
    HookEvent::Environment environment;
    for (const char* name : {"TERM_PROGRAM", "CLAUDE_PROJECT_DIR"}) {
        std::size_t end = input.find('\0');
        if (end == std::string_view::npos) break;
        environment.emplace(name, std::string(input.substr(0, end)));
        input.remove_prefix(end + 1);
    }

    std::optional<json::Json> payload = parseHookInput(input);
    std::string name = captureEventName(payload);
    if (name.empty() && !(payload && payload->is_object())) __builtin_trap();
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) __builtin_trap();
    if (!payload || !payload->is_object()) return 0;

    auto event = HookEvent::fromPayload(*payload, Instant::fromUnixSeconds(1796714910.123), environment);
    if (!event) return 0;
    auto encoded = json::encodeJson(*event);
    if (!encoded || !text::isValidUtf8(encoded.value())) __builtin_trap();
    auto decoded = json::decodeJson<HookEvent>(encoded.value());
    if (!decoded || json::encodeJson(decoded.value()).value() != encoded.value()) __builtin_trap();
    (void)fallbackBanner(*event);
    if (spoolFileName(*event, "U").find('/') != std::string::npos) __builtin_trap();
    return 0;
}
