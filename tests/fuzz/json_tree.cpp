// The settings file parser on arbitrary bytes: it must never crash, and everything it accepts
// must survive a write and a second parse unchanged (the installer's check after writing
// relies on exactly that), with the written layout stable on a second round.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "kit/hooks/JSONValue.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto first = quorvel::JSONValue::parse(input);
    if (!first) {
        const auto& error = first.error();
        if (error.line < 1 || error.column < 1) std::abort();
        return 0;
    }
    const std::string written = first->formatted("  ");
    const auto second = quorvel::JSONValue::parse(written);
    if (!second || !(*second == *first)) std::abort();
    if (second->formatted("  ") != written) std::abort();
    return 0;
}
