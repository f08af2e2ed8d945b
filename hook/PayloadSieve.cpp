#include "hook/PayloadSieve.hpp"

#include <array>
#include <algorithm>

#include "kit/engine/HookEvent.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

// The payload members the mapping reads; everything else streams past unkept.
constexpr std::array<std::string_view, 15> mappedMembers{
    "hook_event_name", "session_id", "cwd",         "prompt",    "background_tasks",
    "last_assistant_message",        "notification_type",        "message",
    "error",           "is_interrupt", "duration_ms", "tool_name", "tool_input",
    "reason",          "source",
};

bool isMapped(std::string_view key) {
    return std::find(mappedMembers.begin(), mappedMembers.end(), key) != mappedMembers.end();
}

std::string firstNonEmptyLine(std::string_view text) {
    for (std::string& line : text::splitLines(text)) {
        if (!line.empty()) return std::move(line);
    }
    return {};
}

// What the mapping keeps of a payload member that is a string. Of a member the mapping
// wants as another type only the type counts: the text is dropped.
std::string keptForMapping(std::string_view key, std::string_view value) {
    if (key == "prompt") return promptKeptForMapping(value);
    if (key == "error") return errorKeptForMapping(value);
    if (key == "last_assistant_message" || key == "message") {
        return text::prefixCharacters(value, HookEvent::longTextLimit);
    }
    if (key == "background_tasks" || key == "is_interrupt" || key == "duration_ms" || key == "tool_input") return {};
    return std::string(value);
}

}  // namespace

std::string promptKeptForMapping(std::string_view prompt) {
    const std::string trimmed = text::trimmingWhitespaceAndNewlines(prompt);
    if (trimmed.starts_with(HookEvent::taskNotificationPrefix)) return std::string(HookEvent::taskNotificationPrefix);
    const std::string line = text::prefixCharacters(firstNonEmptyLine(trimmed), HookEvent::shortTextLimit);
    if (line.empty()) return {};
    // The mapping trims the whole prompt before it takes the line, which would also take the
    // white space off the end of a line that ends in some: a second line keeps it inside.
    return line + "\n.";
}

std::string errorKeptForMapping(std::string_view error) {
    std::string line = firstNonEmptyLine(error);
    if (line.empty()) line = std::string(error);
    return text::prefixCharacters(line, HookEvent::shortTextLimit);
}

std::optional<json::Json> PayloadSieve::payload() const {
    if (failed_ || !isObject_ || depth_ != 0) return std::nullopt;
    return kept_;
}

PayloadSieve::Place PayloadSieve::placeOfValue() const {
    if (depth_ == 1) return Place::payload;
    if (depth_ == 2 && inToolInput_) return Place::toolInput;
    if (depth_ == 2 && inTasks_) return Place::task;
    return Place::elsewhere;
}

void PayloadSieve::beginValue() {
    if (placeOfValue() == Place::task) ++taskCount_;
}

void PayloadSieve::keep(Json value) {
    switch (placeOfValue()) {
        case Place::payload:
            if (isMapped(payloadKey_)) kept_[payloadKey_] = std::move(value);
            break;
        case Place::toolInput:
            if (toolInputKey_ == "command" || toolInputKey_ == "run_in_background") {
                kept_["tool_input"][toolInputKey_] = std::move(value);
            }
            break;
        case Place::task:
        case Place::elsewhere:
            break;
    }
}

bool PayloadSieve::null() {
    if (depth_ == 0) return false;
    beginValue();
    keep(Json());
    return true;
}

bool PayloadSieve::boolean(bool value) {
    if (depth_ == 0) return false;
    beginValue();
    keep(Json(value));
    return true;
}

bool PayloadSieve::number_integer(Json::number_integer_t value) {
    if (depth_ == 0) return false;
    beginValue();
    keep(Json(value));
    return true;
}

bool PayloadSieve::number_unsigned(Json::number_unsigned_t value) {
    if (depth_ == 0) return false;
    beginValue();
    keep(Json(value));
    return true;
}

bool PayloadSieve::number_float(Json::number_float_t value, const std::string&) {
    if (depth_ == 0) return false;
    beginValue();
    keep(Json(value));
    return true;
}

bool PayloadSieve::string(std::string& value) {
    if (depth_ == 0) return false;
    beginValue();
    const Place place = placeOfValue();
    if (place == Place::payload && isMapped(payloadKey_)) {
        keep(Json(keptForMapping(payloadKey_, value)));
    } else if (place == Place::toolInput) {
        keep(Json(toolInputKey_ == "command" ? text::prefixCharacters(value, HookEvent::shortTextLimit) : std::string()));
    }
    return true;
}

bool PayloadSieve::binary(Json::binary_t&) {
    failed_ = true;
    return false;
}

bool PayloadSieve::start_object(std::size_t) {
    if (depth_ == 0) {
        isObject_ = true;
    } else {
        beginValue();
        if (placeOfValue() == Place::payload && payloadKey_ == "tool_input") {
            kept_["tool_input"] = Json::object();
            inToolInput_ = true;
        } else {
            keep(Json());
        }
    }
    ++depth_;
    return true;
}

bool PayloadSieve::key(std::string& key) {
    if (depth_ == 1) payloadKey_ = key;
    if (depth_ == 2 && inToolInput_) toolInputKey_ = key;
    return true;
}

bool PayloadSieve::end_object() {
    --depth_;
    if (depth_ == 1) inToolInput_ = false;
    return true;
}

bool PayloadSieve::start_array(std::size_t) {
    if (depth_ == 0) return false;
    beginValue();
    if (placeOfValue() == Place::payload && payloadKey_ == "background_tasks") {
        inTasks_ = true;
        taskCount_ = 0;
    } else {
        keep(Json());
    }
    ++depth_;
    return true;
}

bool PayloadSieve::end_array() {
    --depth_;
    if (depth_ == 1 && inTasks_) {
        inTasks_ = false;
        // The mapping counts the elements; their content never matters.
        Json tasks = Json::array();
        tasks.get_ref<Json::array_t&>().resize(static_cast<std::size_t>(taskCount_));
        kept_["background_tasks"] = std::move(tasks);
    }
    return true;
}

bool PayloadSieve::parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) {
    failed_ = true;
    return false;
}

}  // namespace quorvel
