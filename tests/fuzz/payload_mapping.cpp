// The helper's road for one payload: raw standard input and environment values (any bytes)
// become an event whose encoding never fails, so no event is dropped for bad text.
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "hook/Capture.hpp"
#include "hook/FallbackBanner.hpp"
#include "hook/HookInput.hpp"
#include "hook/JsonTextRepair.hpp"
#include "hook/SpoolFile.hpp"
#include "platform/text/UnicodeText.hpp"

using namespace quorvel;

namespace {

const Instant receivedAt = Instant::fromUnixSeconds(1796714910.123);

// The event the helper makes from `input` arriving on its standard input.
std::optional<HookEvent> streamedEvent(std::string_view input, const HookEvent::Environment& environment) {
    const int fd = ::memfd_create("payload", MFD_CLOEXEC);
    if (fd < 0) __builtin_trap();
    for (std::string_view rest = input; !rest.empty();) {
        const ssize_t written = ::write(fd, rest.data(), rest.size());
        if (written <= 0) __builtin_trap();
        rest.remove_prefix(static_cast<std::size_t>(written));
    }
    ::lseek(fd, 0, SEEK_SET);
    const HookInput read = readHookInput(fd, std::chrono::seconds(60));
    ::close(fd);
    if (!read.payload) return std::nullopt;
    return HookEvent::fromPayload(*read.payload, receivedAt, environment);
}

}  // namespace

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

    // The repair only touches what the reader refuses: text it takes reads as the same value
    // repaired (bytes past a NUL, where the reader stops, may differ).
    std::optional<json::Json> asGiven;
    try {
        asGiven = json::parse(input);
    } catch (const json::JsonDecodeError&) {
    }
    if (asGiven && json::parse(repairedJsonText(input)) != *asGiven) __builtin_trap();

    std::optional<json::Json> payload = parseHookInput(input);
    const std::optional<HookEvent> streamed = streamedEvent(input, environment);
    std::string name = captureEventName(payload);
    if (name.empty() && !(payload && payload->is_object())) __builtin_trap();
    if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) __builtin_trap();
    if (!payload || !payload->is_object()) {
        if (streamed) __builtin_trap();
        return 0;
    }

    auto event = HookEvent::fromPayload(*payload, receivedAt, environment);
    // The helper reads the payload as a stream, keeping only what the mapping uses: the event
    // must be the one the whole payload makes.
    if (event != streamed) __builtin_trap();
    if (!event) return 0;
    auto encoded = json::encodeJson(*event);
    if (!encoded || !text::isValidUtf8(encoded.value())) __builtin_trap();
    auto decoded = json::decodeJson<HookEvent>(encoded.value());
    if (!decoded || json::encodeJson(decoded.value()).value() != encoded.value()) __builtin_trap();
    (void)fallbackBanner(*event);
    if (spoolFileName(*event, "U").find('/') != std::string::npos) __builtin_trap();
    return 0;
}
