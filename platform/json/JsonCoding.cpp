#include "platform/json/JsonCoding.hpp"
#include "platform/json/BoundedJson.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include "platform/text/UnicodeText.hpp"

namespace quorvel::json {
namespace {

// Deeper nesting than any record of ours is refused, so hostile input cannot exhaust the stack
// of code that walks the tree recursively (dump, comparisons).
constexpr int maximumDepth = 512;

// 2^63: the first double beyond int64.
constexpr double int64Limit = 9223372036854775808.0;

std::string quoted(std::string_view key) {
    return "\"" + text::repairedUtf8(key) + "\"";
}

const char* typeName(const Json& value) {
    switch (value.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "a Boolean";
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned: return "an integer";
        case Json::value_t::number_float: return "a number";
        case Json::value_t::binary: return "binary data";
        case Json::value_t::discarded: return "nothing";
    }
    return "an unknown value";
}

[[noreturn]] void wrongType(const Json& value, std::string_view what, const char* expected) {
    throw JsonDecodeError(std::string(what) + ": expected " + expected + ", found " + typeName(value));
}

std::string memberName(std::string_view key) {
    return "key " + quoted(key);
}

// Refuses a tree holding a non-finite number (put there directly rather than through number()).
void requireFiniteNumbers(const Json& root) {
    std::vector<const Json*> pending{&root};
    while (!pending.empty()) {
        const Json* value = pending.back();
        pending.pop_back();
        if (value->is_number_float() && !std::isfinite(value->get<double>())) {
            throw JsonEncodeError("JSON cannot hold the number " + std::to_string(value->get<double>()));
        }
        if (value->is_structured()) {
            for (const auto& child : *value) pending.push_back(&child);
        }
    }
}

std::string dumped(const Json& value, int indent) {
    requireFiniteNumbers(value);
    return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

/// Builds the tree as nlohmann's own parser does, but counts depth and values on the way and
/// stops at the first one too many. (nlohmann's parser with a callback, the usual way to limit
/// depth, takes time that grows with the square of the number of values.)
class BoundedDomBuilder {
public:
    BoundedDomBuilder(Json& result, std::size_t maxValues) : dom_(result, true), maxValues_(maxValues) {}

    bool null() { return counted() && dom_.null(); }
    bool boolean(bool value) { return counted() && dom_.boolean(value); }
    bool number_integer(Json::number_integer_t value) { return counted() && dom_.number_integer(value); }
    bool number_unsigned(Json::number_unsigned_t value) { return counted() && dom_.number_unsigned(value); }
    bool number_float(Json::number_float_t value, const std::string& text) {
        return counted() && dom_.number_float(value, text);
    }
    bool string(std::string& value) { return counted() && dom_.string(value); }
    bool binary(Json::binary_t& value) { return counted() && dom_.binary(value); }
    bool start_object(std::size_t count) { return opened() && dom_.start_object(count); }
    bool key(std::string& value) { return dom_.key(value); }
    bool end_object() {
        --depth_;
        return dom_.end_object();
    }
    bool start_array(std::size_t count) { return opened() && dom_.start_array(count); }
    bool end_array() {
        --depth_;
        return dom_.end_array();
    }
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::detail::exception& error) {
        return dom_.parse_error(position, token, error);
    }

private:
    bool counted() {
        if (++values_ > maxValues_) {
            throw JsonDecodeError("JSON holds more than " + std::to_string(maxValues_) + " values");
        }
        return true;
    }
    bool opened() {
        if (depth_ >= maximumDepth) {
            throw JsonDecodeError("JSON nested deeper than " + std::to_string(maximumDepth) + " levels");
        }
        ++depth_;
        return counted();
    }

    nlohmann::detail::json_sax_dom_parser<Json> dom_;
    std::size_t maxValues_;
    std::size_t values_ = 0;
    int depth_ = 0;
};

}  // namespace

Json parse(std::string_view text) { return parseBounded(text, std::numeric_limits<std::size_t>::max()); }

Json parseBounded(std::string_view text, std::size_t maxValues) {
    try {
        Json value;
        BoundedDomBuilder builder(value, maxValues);
        Json::sax_parse(text.begin(), text.end(), &builder, nlohmann::detail::input_format_t::json, true, false);
        // An exponent beyond double's range parses as infinity; JSON has no such number.
        requireFiniteNumbers(value);
        return value;
    } catch (const JsonEncodeError&) {
        throw JsonDecodeError("JSON number out of range");
    } catch (const nlohmann::json::exception& error) {
        throw JsonDecodeError(std::string("invalid JSON: ") + error.what());
    }
}

std::string dump(const Json& value) { return dumped(value, -1); }

std::string dumpPretty(const Json& value, int indent) { return dumped(value, indent < 0 ? 0 : indent); }

const Json& requireObject(const Json& value, std::string_view what) {
    if (!value.is_object()) wrongType(value, what, "an object");
    return value;
}

const Json& requireMember(const Json& object, std::string_view key) {
    requireObject(object);
    const auto found = object.find(std::string(key));
    if (found == object.end()) throw JsonDecodeError("missing " + memberName(key));
    if (found->is_null()) throw JsonDecodeError(memberName(key) + ": expected a value, found null");
    return *found;
}

const Json* optionalMember(const Json& object, std::string_view key) {
    requireObject(object);
    const auto found = object.find(std::string(key));
    if (found == object.end() || found->is_null()) return nullptr;
    return &*found;
}

std::string requireString(const Json& object, std::string_view key) {
    return asString(requireMember(object, key), memberName(key));
}
std::optional<std::string> optionalString(const Json& object, std::string_view key) {
    const Json* member = optionalMember(object, key);
    if (member == nullptr) return std::nullopt;
    return asString(*member, memberName(key));
}

std::int64_t requireInt(const Json& object, std::string_view key) {
    return asInt(requireMember(object, key), memberName(key));
}
std::optional<std::int64_t> optionalInt(const Json& object, std::string_view key) {
    const Json* member = optionalMember(object, key);
    if (member == nullptr) return std::nullopt;
    return asInt(*member, memberName(key));
}

double requireDouble(const Json& object, std::string_view key) {
    return asDouble(requireMember(object, key), memberName(key));
}
std::optional<double> optionalDouble(const Json& object, std::string_view key) {
    const Json* member = optionalMember(object, key);
    if (member == nullptr) return std::nullopt;
    return asDouble(*member, memberName(key));
}

bool requireBool(const Json& object, std::string_view key) {
    return asBool(requireMember(object, key), memberName(key));
}
std::optional<bool> optionalBool(const Json& object, std::string_view key) {
    const Json* member = optionalMember(object, key);
    if (member == nullptr) return std::nullopt;
    return asBool(*member, memberName(key));
}

Instant requireReferenceDate(const Json& object, std::string_view key) {
    return Instant::fromReferenceSeconds(requireDouble(object, key));
}
std::optional<Instant> optionalReferenceDate(const Json& object, std::string_view key) {
    const std::optional<double> seconds = optionalDouble(object, key);
    if (!seconds) return std::nullopt;
    return Instant::fromReferenceSeconds(*seconds);
}

const Json& requireArray(const Json& object, std::string_view key) {
    const Json& member = requireMember(object, key);
    if (!member.is_array()) wrongType(member, memberName(key), "an array");
    return member;
}

std::string asString(const Json& value, std::string_view what) {
    if (!value.is_string()) wrongType(value, what, "a string");
    return value.get<std::string>();
}

// An integer is a JSON number without a fraction that int64 holds. A number written with a
// fraction or an exponent ("3.0", "3e2") is accepted when its value is a whole number in range,
// as other JSON readers do; "1.5" and 2^63 are refused.
std::int64_t asInt(const Json& value, std::string_view what) {
    switch (value.type()) {
        case Json::value_t::number_integer:
            return value.get<std::int64_t>();
        case Json::value_t::number_unsigned: {
            const auto unsignedValue = value.get<std::uint64_t>();
            if (unsignedValue > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
                throw JsonDecodeError(std::string(what) + ": integer out of range");
            }
            return static_cast<std::int64_t>(unsignedValue);
        }
        case Json::value_t::number_float: {
            const double number = value.get<double>();
            if (!std::isfinite(number) || number < -int64Limit || number >= int64Limit) {
                throw JsonDecodeError(std::string(what) + ": integer out of range");
            }
            if (std::trunc(number) != number) {
                throw JsonDecodeError(std::string(what) + ": expected an integer, found a fraction");
            }
            return static_cast<std::int64_t>(number);
        }
        default:
            wrongType(value, what, "an integer");
    }
}

double asDouble(const Json& value, std::string_view what) {
    if (!value.is_number()) wrongType(value, what, "a number");
    const double number = value.get<double>();
    if (!std::isfinite(number)) throw JsonDecodeError(std::string(what) + ": number out of range");
    return number;
}

bool asBool(const Json& value, std::string_view what) {
    if (!value.is_boolean()) wrongType(value, what, "a Boolean");
    return value.get<bool>();
}

Json number(double value) {
    if (!std::isfinite(value)) {
        throw JsonEncodeError("JSON cannot hold the number " + std::to_string(value));
    }
    return Json(value);
}

Json string(std::string_view value) { return Json(text::repairedUtf8(value)); }

Json referenceDate(Instant instant) { return number(instant.referenceSeconds()); }

}  // namespace quorvel::json
