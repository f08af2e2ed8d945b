// The one layout the tree is written in: one member or element per line, each indented one
// step deeper than its container, ": " after keys, and empty containers as "[]" and "{}". A
// file already in this layout comes back byte for byte.
#include "kit/hooks/JSONValue.hpp"
#include "platform/text/UnicodeText.hpp"

namespace quorvel {

namespace {

void appendCanonical(std::string& out, std::string_view text) {
    static constexpr char hexDigits[] = "0123456789abcdef";
    out.push_back('"');
    // Multi-byte UTF-8 sequences hold no byte below 0x80, so escaping byte by byte is escaping
    // scalar by scalar.
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        switch (byte) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case 0x08: out += "\\b"; break;
            case 0x09: out += "\\t"; break;
            case 0x0A: out += "\\n"; break;
            case 0x0C: out += "\\f"; break;
            case 0x0D: out += "\\r"; break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out.push_back(hexDigits[byte >> 4]);
                    out.push_back(hexDigits[byte & 0x0F]);
                } else {
                    out.push_back(character);
                }
        }
    }
    out.push_back('"');
}

void appendIndent(std::string& out, std::string_view indent, int depth) {
    for (int step = 0; step < depth; ++step) out += indent;
}

void write(std::string& out, const JSONValue& value, std::string_view indent, int depth) {
    switch (value.kind()) {
        case JSONValue::Kind::boolean:
            out += *value.boolValue() ? "true" : "false";
            return;
        case JSONValue::Kind::null:
            out += "null";
            return;
        case JSONValue::Kind::number:
            out += value.numberValue()->text;
            return;
        case JSONValue::Kind::string:
            out += canonicalJSONString(*value.stringValue());
            return;
        case JSONValue::Kind::verbatimString:
            out += value.verbatimStringValue()->source;
            return;
        case JSONValue::Kind::array: {
            const auto& elements = *value.elements();
            if (elements.empty()) {
                out += "[]";
                return;
            }
            out += "[\n";
            for (std::size_t index = 0; index < elements.size(); ++index) {
                appendIndent(out, indent, depth + 1);
                write(out, elements[index], indent, depth + 1);
                out += index + 1 < elements.size() ? ",\n" : "\n";
            }
            appendIndent(out, indent, depth);
            out += "]";
            return;
        }
        case JSONValue::Kind::object: {
            const auto& members = *value.members();
            if (members.empty()) {
                out += "{}";
                return;
            }
            out += "{\n";
            for (std::size_t index = 0; index < members.size(); ++index) {
                const auto& member = members[index];
                appendIndent(out, indent, depth + 1);
                out += member.rawKey ? *member.rawKey : canonicalJSONString(member.key);
                out += ": ";
                write(out, member.value, indent, depth + 1);
                out += index + 1 < members.size() ? ",\n" : "\n";
            }
            appendIndent(out, indent, depth);
            out += "}";
            return;
        }
    }
}

}  // namespace

std::string canonicalJSONString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    if (text::isValidUtf8(text)) {
        appendCanonical(out, text);
    } else {
        appendCanonical(out, text::repairedUtf8(text));
    }
    return out;
}

std::string JSONValue::formatted(std::string_view indent) const {
    std::string out;
    write(out, *this, indent, 0);
    return out;
}

}  // namespace quorvel
