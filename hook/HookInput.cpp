#include "hook/HookInput.hpp"

#include <exception>
#include <istream>

#include "hook/DeadlineInputBuffer.hpp"
#include "hook/JsonTextRepair.hpp"
#include "hook/PayloadSieve.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {

HookInput readHookInput(int fd, std::chrono::steady_clock::duration wait, std::size_t cap) {
    return readHookInput(fd, std::chrono::steady_clock::now() + wait, cap);
}

HookInput readHookInput(int fd, std::chrono::steady_clock::time_point deadline, std::size_t cap) {
    DeadlineInputBuffer buffer(fd, deadline, cap);
    PayloadSieve sieve;
    bool parsed = false;
    try {
        JsonRepairBuffer repaired(buffer);
        std::istream stream(&repaired);
        parsed = json::Json::sax_parse(stream, &sieve);
    } catch (const std::exception&) {
    }
    // A payload refused early (not JSON, not an object) is still read up to the cap, so its
    // capture and its logged byte count are those of the whole head.
    buffer.fillHead();

    HookInput input;
    input.head = buffer.head();
    input.bytesRead = buffer.bytesRead();
    input.stillOpen = buffer.timedOut();
    if (parsed && !input.stillOpen) input.payload = sieve.payload();
    return input;
}

std::optional<json::Json> parseHookInput(std::string_view input) {
    try {
        json::Json value =
            json::parse(repairedJsonText(text::isValidUtf8(input) ? input : std::string_view(text::repairedUtf8(input))));
        if (value.is_object() || value.is_array()) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace quorvel
