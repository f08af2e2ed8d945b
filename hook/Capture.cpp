#include "hook/Capture.hpp"

#include <algorithm>
#include <cstdint>
#include <exception>
#include <optional>

#include "hook/InternetDateTime.hpp"
#include "kit/engine/UnixMilliseconds.hpp"
#include "platform/SecureRandom.hpp"
#include "platform/files/Files.hpp"
#include "platform/json/JsonCoding.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::size_t maxEventNameBytes = 64;

bool isSafeFileNamePart(std::string_view name) {
    if (name.size() > maxEventNameBytes) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
               c == '-' || c == '.';
    });
}

/// The same value with the members of every object in byte order of their keys.
json::Json sortingKeys(const json::Json& value) {
    if (value.is_array()) {
        json::Json sorted = json::Json::array();
        for (const auto& element : value) sorted.push_back(sortingKeys(element));
        return sorted;
    }
    if (!value.is_object()) return value;
    std::vector<std::string> keys;
    for (const auto& member : value.items()) keys.push_back(member.key());
    std::sort(keys.begin(), keys.end());
    json::Json sorted = json::Json::object();
    for (const std::string& key : keys) sorted[key] = sortingKeys(value.at(key));
    return sorted;
}

// The input as the agent wrote it, parsed strictly: what the event's reader mends (a lone
// surrogate escape, a number no double holds, bytes that aren't UTF-8) is no JSON here, so
// the record keeps the whole input as text instead of a repaired copy.
std::optional<json::Json> payloadAsWritten(std::string_view input) {
    try {
        json::Json value = json::parse(input);
        if (value.is_object() || value.is_array()) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

json::Json environmentValue(const HookEvent::Environment& environment, std::string_view name) {
    auto found = environment.find(name);
    if (found == environment.end()) return nullptr;
    return json::string(found->second);
}

}  // namespace

std::string captureEventName(const std::optional<json::Json>& payload) {
    if (payload && payload->is_object()) {
        auto name = payload->find("hook_event_name");
        if (name != payload->end() && name->is_string() && isSafeFileNamePart(name->get_ref<const std::string&>())) {
            return name->get<std::string>();
        }
    }
    return "unknown";
}

Expected<std::string, CaptureError> writeCapture(std::string_view input, Instant captureTime,
                                                 const std::vector<std::string>& arguments,
                                                 const HookEvent::Environment& environment,
                                                 const std::string& capturesFolder) {
    if (auto created = files::createDirectories(capturesFolder, 0700); !created) {
        return unexpected(CaptureError{created.error().message});
    }
    std::optional<json::Json> payload = payloadAsWritten(input);

    json::Json record = json::Json::object();
    record["received_at"] = internetDateTime(captureTime);
    json::Json args = json::Json::array();
    for (const std::string& argument : arguments) args.push_back(json::string(argument));
    record["args"] = std::move(args);
    record["TERM_PROGRAM"] = environmentValue(environment, "TERM_PROGRAM");
    record["CLAUDE_PROJECT_DIR"] = environmentValue(environment, "CLAUDE_PROJECT_DIR");
    record["input_bytes"] = static_cast<std::uint64_t>(input.size());
    if (payload) {
        record["payload"] = *payload;
    } else {
        record["payload_text"] = text::repairedUtf8(input);
    }

    std::string bytes;
    try {
        bytes = json::dumpPretty(sortingKeys(record));
    } catch (const std::exception& error) {
        return unexpected(CaptureError{error.what()});
    }

    std::string name = std::to_string(unixMilliseconds(captureTime.unixSeconds())) + "-" + captureEventName(payload) +
                       "-" + random::makeUuidString().substr(0, 8) + ".json";
    std::string path = files::joinPath(capturesFolder, name);
    if (auto written = files::writeFileAtomically(path, bytes, 0600); !written) {
        return unexpected(CaptureError{written.error().message});
    }
    return path;
}

}  // namespace quorvel
