// Untrusted bytes through the platform's text layers: JSON parsing and writing, UTF-8 repair,
// grapheme cuts and base64. None may crash, and each keeps its promise on any input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/json/JsonCoding.hpp"
#include "platform/text/Base64.hpp"
#include "platform/text/UnicodeText.hpp"

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    try {
        const json::Json value = json::parse(input);
        const std::string written = json::dump(value);
        if (json::parse(written) != value) std::abort();
        if (value.is_object()) {
            try { json::optionalInt(value, "n"); } catch (const json::JsonDecodeError&) {}
            try { json::optionalDouble(value, "d"); } catch (const json::JsonDecodeError&) {}
        }
    } catch (const json::JsonDecodeError&) {
    }

    const std::string repaired = text::repairedUtf8(input);
    if (!text::isValidUtf8(repaired)) std::abort();
    if (text::isValidUtf8(input) != (repaired == input)) std::abort();
    if (text::utf8(text::codePoints(input)) != repaired) std::abort();

    const std::size_t count = text::characterCount(input);
    const std::string prefix = text::prefixCharacters(input, size % 8);
    if (repaired.compare(0, prefix.size(), prefix) != 0) std::abort();
    if (text::characterCount(prefix) > count) std::abort();
    text::trimmingWhitespaceAndNewlines(input);
    text::splitLines(input);
    text::uppercased(input);

    if (base64::decode(base64::encode(input)) != std::string(input)) std::abort();
    if (base64::decodeUrl(base64::encodeUrlUnpadded(input)) != std::string(input)) std::abort();
    base64::decode(input);
    base64::decodeUrl(input);
    return 0;
}
