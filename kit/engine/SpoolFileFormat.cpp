#include "kit/engine/SpoolFileFormat.hpp"

#include "kit/engine/UnixMilliseconds.hpp"

namespace quorvel {

std::string spoolFileName(const HookEvent& event, std::string_view uuid) {
    std::string name = std::to_string(unixMilliseconds(event.receivedAt)) + "-";
    name += uuid;
    name += ".json";
    return name;
}

Expected<std::string, json::CodingError> spoolFileContents(const HookEvent& event) {
    return json::encodeJson(event);
}

}  // namespace quorvel
