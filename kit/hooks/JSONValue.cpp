#include "kit/hooks/JSONValue.hpp"

namespace quorvel {

JSONValue::JSONValue(Storage storage) : storage_(std::move(storage)) {}

JSONValue JSONValue::boolean(bool value) { return JSONValue(Storage(std::in_place_type<bool>, value)); }
JSONValue JSONValue::number(std::string sourceText) { return JSONValue(Number{std::move(sourceText)}); }
JSONValue JSONValue::string(std::string text) { return JSONValue(String{std::move(text)}); }
JSONValue JSONValue::verbatimString(std::string text, std::string source) {
    return JSONValue(VerbatimString{std::move(text), std::move(source)});
}
JSONValue JSONValue::array() { return JSONValue(Array{}); }
JSONValue JSONValue::object() { return JSONValue(Object{}); }
JSONValue JSONValue::array(std::vector<JSONValue> elements) { return JSONValue(Array{std::move(elements)}); }
JSONValue JSONValue::object(std::vector<JSONMember> members) { return JSONValue(Object{std::move(members)}); }
JSONValue JSONValue::null() { return JSONValue(Null{}); }

const std::vector<JSONValue>* JSONValue::elements() const {
    const auto* array = std::get_if<Array>(&storage_);
    return array ? &array->elements : nullptr;
}

const std::vector<JSONMember>* JSONValue::members() const {
    const auto* object = std::get_if<Object>(&storage_);
    return object ? &object->members : nullptr;
}

std::optional<std::string> JSONValue::stringValue() const {
    if (const auto* plain = std::get_if<String>(&storage_)) return plain->text;
    if (const auto* verbatim = std::get_if<VerbatimString>(&storage_)) return verbatim->text;
    return std::nullopt;
}

const JSONValue* JSONValue::member(std::string_view key) const {
    const auto* list = members();
    if (!list) return nullptr;
    for (const auto& member : *list) {
        if (member.key == key) return &member.value;
    }
    return nullptr;
}

bool operator==(const JSONValue& left, const JSONValue& right) {
    if (left.isString() && right.isString()) {
        // How a string was written does not count, only its decoded text.
        const auto text = [](const JSONValue& value) -> const std::string& {
            if (const auto* plain = std::get_if<JSONValue::String>(&value.storage_)) return plain->text;
            return std::get<JSONValue::VerbatimString>(value.storage_).text;
        };
        return text(left) == text(right);
    }
    if (left.storage_.index() != right.storage_.index()) return false;
    switch (left.kind()) {
        case JSONValue::Kind::boolean:
            return std::get<bool>(left.storage_) == std::get<bool>(right.storage_);
        case JSONValue::Kind::number:
            return std::get<JSONValue::Number>(left.storage_).text == std::get<JSONValue::Number>(right.storage_).text;
        case JSONValue::Kind::array:
            return *left.elements() == *right.elements();
        case JSONValue::Kind::object:
            return *left.members() == *right.members();
        case JSONValue::Kind::null:
            return true;
        case JSONValue::Kind::string:
        case JSONValue::Kind::verbatimString:
            break;  // handled above
    }
    return false;
}

}  // namespace quorvel
