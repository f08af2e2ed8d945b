#pragma once
// The agent's payload as the payload mapping (HookEvent::fromPayload) needs it, gathered while
// the JSON streams past: only the members the mapping reads are kept, and each long text is
// cut while reading to what the mapping would keep of it, so a payload of megabytes (a last
// message, a tool's output) costs the helper no more than its largest single string, and the
// event it makes is the event the whole payload makes. A member the mapping starts to read
// must be added here as well. One thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/json/JsonCoding.hpp"

namespace quorvel {

/// The part of a prompt that the mapping turns into the same first line and task-notification
/// flag as the whole prompt.
std::string promptKeptForMapping(std::string_view prompt);
/// The part of an error text that the mapping turns into the same error line.
std::string errorKeptForMapping(std::string_view error);

/// A SAX receiver for json::Json's streaming parser.
class PayloadSieve {
public:
    using Json = json::Json;

    /// The kept members as a JSON object once the parse succeeded; absent when the input was
    /// anything but one JSON object.
    std::optional<Json> payload() const;

    bool null();
    bool boolean(bool value);
    bool number_integer(Json::number_integer_t value);
    bool number_unsigned(Json::number_unsigned_t value);
    bool number_float(Json::number_float_t value, const std::string& text);
    bool string(std::string& value);
    bool binary(Json::binary_t& value);
    bool start_object(std::size_t elements);
    bool key(std::string& key);
    bool end_object();
    bool start_array(std::size_t elements);
    bool end_array();
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& error);

private:
    // Where a value lands: a member of the payload, of its "tool_input", an element of its
    // "background_tasks", or nowhere the mapping looks.
    enum class Place { payload, toolInput, task, elsewhere };
    Place placeOfValue() const;
    void keep(Json value);
    // Every value starts here; a container's start also goes one level down.
    void beginValue();

    Json kept_ = Json::object();
    bool isObject_ = false;
    bool failed_ = false;
    // Nesting depth: 1 inside the payload object, 2 inside one of its members, and so on.
    std::size_t depth_ = 0;
    std::string payloadKey_;
    std::string toolInputKey_;
    // The current payload member is "tool_input" as an object / "background_tasks" as an array.
    bool inToolInput_ = false;
    bool inTasks_ = false;
    std::int64_t taskCount_ = 0;
};

}  // namespace quorvel
