#include "app/intake/HTTPRequest.hpp"

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

constexpr std::string_view headerTerminator = "\r\n\r\n";
constexpr std::string_view lineBreak = "\r\n";

std::vector<std::string_view> split(std::string_view text, std::string_view separator, bool dropEmpty) {
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    while (true) {
        std::size_t end = text.find(separator, start);
        std::string_view piece = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!dropEmpty || !piece.empty()) pieces.push_back(piece);
        if (end == std::string_view::npos) break;
        start = end + separator.size();
    }
    return pieces;
}

std::string_view trimmingSpacesAndTabs(std::string_view text) {
    auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string lowercasedName(std::string_view name) {
    std::string lowered(name);
    for (char& c : lowered) {
        if (static_cast<unsigned char>(c) >= 0x80) return text::lowercased(name);
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lowered;
}

/// A decimal integer: optional sign, then one or more ASCII digits, within int64.
std::optional<std::int64_t> parseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return std::nullopt;
    // Accumulate as a negative number so that int64's minimum fits too.
    std::int64_t value = 0;
    constexpr std::int64_t minimum = std::numeric_limits<std::int64_t>::min();
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        int digit = c - '0';
        if (value < (minimum + digit) / 10) return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == minimum) return std::nullopt;
        value = -value;
    }
    return value;
}

}  // namespace

HTTPRequest::ParseResult HTTPRequest::parse(std::string_view data) {
    std::size_t headerEnd = data.find(headerTerminator);
    if (headerEnd == std::string_view::npos) {
        return data.size() > maxHeaderBytes ? ParseResult::invalid(431) : ParseResult::needMore();
    }
    if (headerEnd > maxHeaderBytes) return ParseResult::invalid(400);

    std::string_view headerText = data.substr(0, headerEnd);
    if (!text::isValidUtf8(headerText)) return ParseResult::invalid(400);

    std::vector<std::string_view> lines = split(headerText, lineBreak, false);
    std::vector<std::string_view> words = split(lines.front(), " ", true);
    if (words.size() != 3 || !words[2].starts_with("HTTP/1.")) return ParseResult::invalid(400);

    HTTPRequest request;
    request.method = words[0];
    request.path = words[1];
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::size_t colon = lines[i].find(':');
        if (colon == std::string_view::npos) return ParseResult::invalid(400);
        std::string name = lowercasedName(trimmingSpacesAndTabs(lines[i].substr(0, colon)));
        request.headers[std::move(name)] = std::string(trimmingSpacesAndTabs(lines[i].substr(colon + 1)));
    }

    std::size_t bodyLength = 0;
    if (auto found = request.headers.find("content-length"); found != request.headers.end()) {
        std::optional<std::int64_t> length = parseDecimal(found->second);
        if (!length || *length < 0) return ParseResult::invalid(400);
        if (*length > static_cast<std::int64_t>(maxBodyBytes)) return ParseResult::invalid(413);
        bodyLength = static_cast<std::size_t>(*length);
    }

    std::size_t bodyStart = headerEnd + headerTerminator.size();
    if (data.size() - bodyStart < bodyLength) return ParseResult::needMore();
    request.body = std::string(data.substr(bodyStart, bodyLength));
    return ParseResult::complete(std::move(request));
}

std::string HTTPRequest::responseText(int status) {
    std::string_view reason;
    switch (status) {
        case 202: reason = "Accepted"; break;
        case 400: reason = "Bad Request"; break;
        case 401: reason = "Unauthorized"; break;
        case 404: reason = "Not Found"; break;
        case 405: reason = "Method Not Allowed"; break;
        case 413: reason = "Payload Too Large"; break;
        case 431: reason = "Request Header Fields Too Large"; break;
        case 503: reason = "Service Unavailable"; break;
        default: reason = "Error"; break;
    }
    std::string text = "HTTP/1.1 " + std::to_string(status) + " ";
    text += reason;
    text += "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    return text;
}

}  // namespace quorvel
