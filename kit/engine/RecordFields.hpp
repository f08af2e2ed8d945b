#pragma once
// A saved record's fields, declared once: each field's JSON key and the member that holds it,
// in the order the keys are written. A record's `encode` and `decode` walk its declaration, so
// a field is written, read and round-trip tested from its one line there; `declaresEveryMember`
// lets the record's header refuse to compile while a member of the struct is missing from it.
//
// The JSON form follows the strict coding of `platform/json/JsonCoding.hpp`: a required field that
// is missing or null fails the decode, an absent optional is left out when written and read
// as absent, dates are seconds since 2001-01-01 UTC, an enumeration is its raw value's name, and
// a member of a type with its own `encode`/`decode` is that type's form.
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include "platform/json/JsonCoding.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

template <typename Record, typename Value>
struct RecordField {
    /// The JSON key, never renamed: stored files and the phone's copy read it.
    std::string_view key;
    Value Record::*member;
    /// For an enumeration: the case whose raw value is exactly the text, or absent.
    std::optional<Value> (*fromRawValue)(std::string_view) = nullptr;
};

template <typename Record, typename Value>
constexpr RecordField<Record, Value> recordField(std::string_view key, Value Record::*member) {
    static_assert(!std::is_enum_v<Value>, "an enumeration is declared with its names: enumField");
    return {key, member};
}

/// An enumeration stored as its `rawValue` name; a name no case has fails the decode.
template <typename Record, typename Value>
    requires std::is_enum_v<Value>
constexpr RecordField<Record, Value> enumField(std::string_view key, Value Record::*member,
                                               std::optional<Value> (*fromRawValue)(std::string_view)) {
    return {key, member, fromRawValue};
}

namespace record_coding {

template <typename T>
struct OptionalValue {
    using type = void;
};
template <typename T>
struct OptionalValue<std::optional<T>> {
    using type = T;
};

template <typename T>
concept CodedValue = requires(const T& value, const json::Json& form) {
    { value.encode() } -> std::same_as<json::Json>;
    { T::decode(form) } -> std::same_as<T>;
};

template <typename Value>
json::Json encoded(const Value& value) {
    if constexpr (std::is_same_v<Value, std::string>) {
        return json::string(value);
    } else if constexpr (std::is_same_v<Value, double>) {
        return json::number(value);
    } else if constexpr (std::is_same_v<Value, std::int64_t> || std::is_same_v<Value, bool>) {
        return value;
    } else if constexpr (std::is_same_v<Value, Instant>) {
        return json::referenceDate(value);
    } else if constexpr (std::is_enum_v<Value>) {
        return json::string(rawValue(value));
    } else {
        static_assert(CodedValue<Value>, "a field's type is text, a number, a Boolean, a date or has encode/decode");
        return value.encode();
    }
}

template <typename Value>
Value required(const json::Json& object, std::string_view key,
               std::optional<Value> (*fromRawValue)(std::string_view)) {
    if constexpr (std::is_same_v<Value, std::string>) {
        return json::requireString(object, key);
    } else if constexpr (std::is_same_v<Value, double>) {
        return json::requireDouble(object, key);
    } else if constexpr (std::is_same_v<Value, std::int64_t>) {
        return json::requireInt(object, key);
    } else if constexpr (std::is_same_v<Value, bool>) {
        return json::requireBool(object, key);
    } else if constexpr (std::is_same_v<Value, Instant>) {
        return json::requireReferenceDate(object, key);
    } else if constexpr (std::is_enum_v<Value>) {
        const std::string name = json::requireString(object, key);
        const std::optional<Value> value = fromRawValue(name);
        if (!value) throw json::JsonDecodeError("unknown " + std::string(key) + " \"" + name + "\"");
        return *value;
    } else {
        return Value::decode(json::requireMember(object, key));
    }
}

template <typename Value>
std::optional<Value> optional(const json::Json& object, std::string_view key) {
    static_assert(!std::is_enum_v<Value>, "an optional enumeration has no coding yet");
    if constexpr (std::is_same_v<Value, std::string>) {
        return json::optionalString(object, key);
    } else if constexpr (std::is_same_v<Value, double>) {
        return json::optionalDouble(object, key);
    } else if constexpr (std::is_same_v<Value, std::int64_t>) {
        return json::optionalInt(object, key);
    } else if constexpr (std::is_same_v<Value, bool>) {
        return json::optionalBool(object, key);
    } else if constexpr (std::is_same_v<Value, Instant>) {
        return json::optionalReferenceDate(object, key);
    } else {
        const json::Json* member = json::optionalMember(object, key);
        if (member == nullptr) return std::nullopt;
        return Value::decode(*member);
    }
}

template <typename Record, typename Value>
void put(json::Json& object, const Record& record, const RecordField<Record, Value>& field) {
    const Value& value = record.*field.member;
    using Inner = typename OptionalValue<Value>::type;
    if constexpr (std::is_void_v<Inner>) {
        object[std::string(field.key)] = encoded(value);
    } else if (value) {
        object[std::string(field.key)] = encoded(*value);
    }
}

template <typename Record, typename Value>
void take(const json::Json& object, Record& record, const RecordField<Record, Value>& field) {
    using Inner = typename OptionalValue<Value>::type;
    if constexpr (std::is_void_v<Inner>) {
        record.*field.member = required<Value>(object, field.key, field.fromRawValue);
    } else {
        record.*field.member = optional<Inner>(object, field.key);
    }
}

/// Stands for any member's value in an aggregate initialisation, to count the members.
struct AnyMember {
    template <typename T>
    operator T&() const&& noexcept;  // never called: only counted in unevaluated code
};

template <typename Record, std::size_t... Index>
constexpr bool initialisesWith(std::index_sequence<Index...>) {
    return requires { Record{(void(Index), AnyMember{})...}; };
}

/// How many members the aggregate `Record` has: the most values it can be initialised with.
template <typename Record, std::size_t Counted = 0>
constexpr std::size_t memberCount() {
    if constexpr (initialisesWith<Record>(std::make_index_sequence<Counted + 1>{})) {
        return memberCount<Record, Counted + 1>();
    } else {
        return Counted;
    }
}

}  // namespace record_coding

namespace record_coding {

template <typename Record, typename A, typename B>
constexpr bool sameMember(const RecordField<Record, A>& a, const RecordField<Record, B>& b) {
    if constexpr (std::is_same_v<A, B>) {
        return a.member == b.member;
    } else {
        return false;
    }
}

}  // namespace record_coding

/// Whether `fields` names every member of `Record` exactly once, each under a key of its own.
template <typename Record, typename... Values>
constexpr bool declaresEveryMember(const std::tuple<RecordField<Record, Values>...>& fields) {
    static_assert(std::is_aggregate_v<Record>, "a saved record is a plain aggregate");
    std::size_t sameMembers = 0;
    std::size_t sameKeys = 0;
    std::apply(
        [&](const auto&... one) {
            const auto countMatches = [&](const auto& field) {
                std::apply(
                    [&](const auto&... other) {
                        sameMembers += (std::size_t{record_coding::sameMember(field, other)} + ...);
                        sameKeys += (std::size_t{field.key == other.key} + ...);
                    },
                    fields);
            };
            (countMatches(one), ...);
        },
        fields);
    constexpr std::size_t declared = sizeof...(Values);
    return sameMembers == declared && sameKeys == declared && declared == record_coding::memberCount<Record>();
}

/// The JSON object of `record`: every declared field in order, absent optionals left out.
template <typename Record, typename... Values>
json::Json encodeRecord(const Record& record, const std::tuple<RecordField<Record, Values>...>& fields) {
    json::Json object = json::Json::object();
    std::apply([&](const auto&... field) { (record_coding::put(object, record, field), ...); }, fields);
    return object;
}

/// The record read from `value`, field by field in order; the first field that can't be read
/// fails the whole decode (json::JsonDecodeError). Keys not declared are ignored.
template <typename Record, typename... Values>
Record decodeRecord(const json::Json& value, std::string_view what,
                    const std::tuple<RecordField<Record, Values>...>& fields) {
    const json::Json& object = json::requireObject(value, what);
    Record record;
    std::apply([&](const auto&... field) { (record_coding::take(object, record, field), ...); }, fields);
    return record;
}

}  // namespace quorvel
