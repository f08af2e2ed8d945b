#include "platform/text/Base64.hpp"

#include <array>

namespace quorvel::base64 {
namespace {

constexpr char standardAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr char urlAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";

std::string encodeWith(const std::uint8_t* data, std::size_t size, const char* alphabet, bool pad) {
    std::string out;
    out.reserve((size + 2) / 3 * 4);
    std::size_t index = 0;
    for (; index + 3 <= size; index += 3) {
        const std::uint32_t group = (std::uint32_t(data[index]) << 16) | (std::uint32_t(data[index + 1]) << 8) |
                                    std::uint32_t(data[index + 2]);
        out += alphabet[(group >> 18) & 0x3F];
        out += alphabet[(group >> 12) & 0x3F];
        out += alphabet[(group >> 6) & 0x3F];
        out += alphabet[group & 0x3F];
    }
    const std::size_t rest = size - index;
    if (rest == 1) {
        const std::uint32_t group = std::uint32_t(data[index]) << 16;
        out += alphabet[(group >> 18) & 0x3F];
        out += alphabet[(group >> 12) & 0x3F];
        if (pad) out += "==";
    } else if (rest == 2) {
        const std::uint32_t group = (std::uint32_t(data[index]) << 16) | (std::uint32_t(data[index + 1]) << 8);
        out += alphabet[(group >> 18) & 0x3F];
        out += alphabet[(group >> 12) & 0x3F];
        out += alphabet[(group >> 6) & 0x3F];
        if (pad) out += '=';
    }
    return out;
}

std::array<std::int8_t, 256> decodingTable(const char* alphabet) {
    std::array<std::int8_t, 256> table{};
    table.fill(-1);
    for (int value = 0; value < 64; ++value) table[static_cast<unsigned char>(alphabet[value])] = static_cast<std::int8_t>(value);
    return table;
}

std::optional<std::string> decodeWith(std::string_view text, const std::array<std::int8_t, 256>& table,
                                      bool paddingRequired) {
    std::size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    if (padding > 0 && text.size() % 4 != 0) return std::nullopt;
    if (paddingRequired && text.size() % 4 != 0) return std::nullopt;
    const std::string_view body = text.substr(0, text.size() - padding);
    if (body.size() % 4 == 1) return std::nullopt;
    std::string out;
    out.reserve(body.size() / 4 * 3 + 2);
    std::uint32_t accumulator = 0;
    int bits = 0;
    for (char character : body) {
        const std::int8_t value = table[static_cast<unsigned char>(character)];
        if (value < 0) return std::nullopt;
        accumulator = (accumulator << 6) | static_cast<std::uint32_t>(value);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((accumulator >> bits) & 0xFF);
        }
    }
    return out;
}

}  // namespace

std::string encode(const std::uint8_t* data, std::size_t size) { return encodeWith(data, size, standardAlphabet, true); }
std::string encode(std::string_view bytes) {
    return encode(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string encodeUrlUnpadded(const std::uint8_t* data, std::size_t size) {
    return encodeWith(data, size, urlAlphabet, false);
}
std::string encodeUrlUnpadded(std::string_view bytes) {
    return encodeUrlUnpadded(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::optional<std::string> decode(std::string_view text) {
    static const auto table = decodingTable(standardAlphabet);
    return decodeWith(text, table, true);
}

std::optional<std::string> decodeUrl(std::string_view text) {
    static const auto table = decodingTable(urlAlphabet);
    return decodeWith(text, table, false);
}

bool isUrlAlphabet(std::string_view text) {
    static const auto table = decodingTable(urlAlphabet);
    for (char character : text) {
        if (table[static_cast<unsigned char>(character)] < 0) return false;
    }
    return true;
}

}  // namespace quorvel::base64
