#pragma once
// A JSON tree for editing files that belong to someone else. General JSON libraries lose what
// a person or another program wrote: member order, duplicate keys, the exact form of numbers
// (1.50, -0, 1E+3) and of escaped strings. This tree keeps all of it, so a file edited through
// it differs from the original only where the edit was made (and in its indentation).
//
// Strings come in two cases: `string`, whose written form can be recreated from the decoded
// text, and `verbatimString`, which also keeps the source form (quotation marks included)
// because the writer would not recreate it (an escaped slash, "\u00e9", an upper-case hex
// escape). Equality compares decoded texts only, so the two cases compare alike.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "kit/hooks/JSONParseError.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

struct JSONMember;

class JSONValue {
public:
    enum class Kind { boolean, number, string, verbatimString, array, object, null };

    struct Number {
        std::string text;  ///< the source text, never converted
    };
    struct String {
        std::string text;  ///< decoded
    };
    struct VerbatimString {
        std::string text;    ///< decoded
        std::string source;  ///< as written, quotation marks included
    };
    struct Array {
        std::vector<JSONValue> elements;
    };
    struct Object {
        std::vector<JSONMember> members;  ///< file order, duplicates kept
    };
    struct Null {};

    static JSONValue boolean(bool value);
    static JSONValue number(std::string sourceText);
    static JSONValue string(std::string text);
    static JSONValue verbatimString(std::string text, std::string source);
    static JSONValue array();
    static JSONValue array(std::vector<JSONValue> elements);
    static JSONValue object();
    static JSONValue object(std::vector<JSONMember> members);
    static JSONValue null();

    /// Parses UTF-8 bytes strictly; the first error ends the parse.
    static Expected<JSONValue, JSONParseError> parse(std::string_view bytes);

    /// The tree in the one fixed layout, `indent` being one indentation step; no final line
    /// break.
    std::string formatted(std::string_view indent) const;

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool isObject() const { return kind() == Kind::object; }
    bool isArray() const { return kind() == Kind::array; }
    bool isString() const { return kind() == Kind::string || kind() == Kind::verbatimString; }

    /// The payloads; each is null for the other cases.
    const bool* boolValue() const { return std::get_if<bool>(&storage_); }
    const Number* numberValue() const { return std::get_if<Number>(&storage_); }
    const VerbatimString* verbatimStringValue() const { return std::get_if<VerbatimString>(&storage_); }
    const std::vector<JSONValue>* elements() const;
    const std::vector<JSONMember>* members() const;

    /// The decoded text of either string case; absent for every other case.
    std::optional<std::string> stringValue() const;

    /// The value of the first member whose decoded key is `key`; null when this is not an
    /// object or has no such member.
    const JSONValue* member(std::string_view key) const;

    friend bool operator==(const JSONValue& left, const JSONValue& right);

private:
    using Storage = std::variant<bool, Number, String, VerbatimString, Array, Object, Null>;
    explicit JSONValue(Storage storage);

    Storage storage_;
};

struct JSONMember {
    std::string key;  ///< decoded
    JSONValue value;
    /// The key as written, quotation marks included; present only when the writer would not
    /// recreate it from `key`.
    std::optional<std::string> rawKey;

    JSONMember(std::string key, JSONValue value, std::optional<std::string> rawKey = std::nullopt)
        : key(std::move(key)), value(std::move(value)), rawKey(std::move(rawKey)) {}

    /// Keys and values compared; how the key was written does not count.
    friend bool operator==(const JSONMember& left, const JSONMember& right) {
        return left.key == right.key && left.value == right.value;
    }
};

/// The writer's form of `text`: quoted, with only the escapes JSON requires (short forms where
/// they exist, lower-case \u00XX otherwise); ill-formed UTF-8 is written as U+FFFD.
std::string canonicalJSONString(std::string_view text);

}  // namespace quorvel
