#pragma once
// Strict JSON coding for the system's value types, over nlohmann::json.
//
// Decoding: a required key that is missing, or any value of the wrong JSON type, fails the
// whole decode with a `JsonDecodeError`; `null` or a missing optional key gives absent;
// unknown keys are ignored; an integer field refuses a number with a fraction and anything
// outside int64. Encoding: absent optionals are left out (never `null`), objects keep the
// order in which fields are put, non-finite numbers are refused with `JsonEncodeError`, and
// text that is not valid UTF-8 is repaired to U+FFFD instead of throwing.
//
// Value types implement `static T decode(const Json&)` (throwing JsonDecodeError) and
// `Json encode() const`; callers at a boundary use `decodeJson<T>` / `encodeJson` for a
// typed result instead of an exception.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/Expected.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel::json {

/// Objects keep insertion order, so written records keep the field order a format fixes.
using Json = nlohmann::ordered_json;

struct JsonDecodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};
struct JsonEncodeError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/// Parses `text` (strict JSON; no comments, no trailing commas). Throws JsonDecodeError.
Json parse(std::string_view text);

/// Compact text of `value` (no spaces). Invalid UTF-8 in strings is replaced by U+FFFD.
std::string dump(const Json& value);
/// Indented text of `value`, for files a person may read.
std::string dumpPretty(const Json& value, int indent = 2);

/// The object itself; throws when `value` is not an object.
const Json& requireObject(const Json& value, std::string_view what = "value");

// ---- reading members of an object --------------------------------------------------------
// `requireX` throws when the key is missing, null or of the wrong type; `optionalX` gives
// absent for a missing key or null and throws for a wrong type.

const Json& requireMember(const Json& object, std::string_view key);
const Json* optionalMember(const Json& object, std::string_view key);

std::string requireString(const Json& object, std::string_view key);
std::optional<std::string> optionalString(const Json& object, std::string_view key);

std::int64_t requireInt(const Json& object, std::string_view key);
std::optional<std::int64_t> optionalInt(const Json& object, std::string_view key);

double requireDouble(const Json& object, std::string_view key);
std::optional<double> optionalDouble(const Json& object, std::string_view key);

bool requireBool(const Json& object, std::string_view key);
std::optional<bool> optionalBool(const Json& object, std::string_view key);

/// A date stored as seconds since 2001-01-01 UTC.
Instant requireReferenceDate(const Json& object, std::string_view key);
std::optional<Instant> optionalReferenceDate(const Json& object, std::string_view key);

const Json& requireArray(const Json& object, std::string_view key);

// ---- single values ----------------------------------------------------------------------

std::string asString(const Json& value, std::string_view what = "value");
/// A JSON integer within int64; a number written with a fraction or exponent is accepted only
/// when its value is whole and within int64 ("3.0" gives 3; "1.5" and 2^63 are refused).
std::int64_t asInt(const Json& value, std::string_view what = "value");
double asDouble(const Json& value, std::string_view what = "value");
bool asBool(const Json& value, std::string_view what = "value");

// ---- writing ----------------------------------------------------------------------------

/// A JSON number for `value`; throws JsonEncodeError for NaN or infinity.
Json number(double value);
/// A JSON string for `value`, repaired to valid UTF-8.
Json string(std::string_view value);
/// Seconds since 2001-01-01 UTC.
Json referenceDate(Instant instant);

inline void putOptional(Json& object, std::string_view key, const std::optional<std::string>& value) {
    if (value) object[std::string(key)] = string(*value);
}
inline void putOptional(Json& object, std::string_view key, const std::optional<double>& value) {
    if (value) object[std::string(key)] = number(*value);
}
inline void putOptional(Json& object, std::string_view key, const std::optional<std::int64_t>& value) {
    if (value) object[std::string(key)] = *value;
}
inline void putOptional(Json& object, std::string_view key, const std::optional<bool>& value) {
    if (value) object[std::string(key)] = *value;
}
inline void putOptionalReferenceDate(Json& object, std::string_view key, const std::optional<Instant>& value) {
    if (value) object[std::string(key)] = referenceDate(*value);
}

// ---- typed boundary ---------------------------------------------------------------------

struct CodingError {
    std::string message;
};

template <typename T>
Expected<T, CodingError> decodeJson(std::string_view text) {
    try {
        return T::decode(parse(text));
    } catch (const std::exception& error) {
        return unexpected(CodingError{error.what()});
    }
}

template <typename T>
Expected<std::string, CodingError> encodeJson(const T& value) {
    try {
        return dump(value.encode());
    } catch (const std::exception& error) {
        return unexpected(CodingError{error.what()});
    }
}

}  // namespace quorvel::json
