#include "platform/services/HttpsUrl.hpp"

#include <algorithm>

namespace quorvel {
namespace {

bool isAsciiLetterOrDigit(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isUnreserved(char c) { return isAsciiLetterOrDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

// pchar of RFC 3986 without "%" (handled apart), plus "/" between segments.
bool isPlainPathCharacter(char c) {
    return isUnreserved(c) || std::string_view("!$&'()*+,;=:@/").find(c) != std::string_view::npos;
}

bool isPort(std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string percentEncodedPathSegment(std::string_view text) {
    static constexpr char hex[] = "0123456789ABCDEF";
    const bool onlyDots = !text.empty() && text.find_first_not_of('.') == std::string_view::npos;
    std::string encoded;
    encoded.reserve(text.size());
    for (const char c : text) {
        if (isUnreserved(c) && !onlyDots) {
            encoded.push_back(c);
        } else {
            const auto byte = static_cast<unsigned char>(c);
            encoded.push_back('%');
            encoded.push_back(hex[byte >> 4]);
            encoded.push_back(hex[byte & 0x0F]);
        }
    }
    return encoded;
}

bool isPlainHostAndPort(std::string_view host) {
    std::string_view name = host;
    std::string_view port;
    bool hasPort = false;
    if (!host.empty() && host.front() == '[') {
        const std::size_t close = host.find(']');
        if (close == std::string_view::npos || close < 2) return false;
        const std::string_view address = host.substr(1, close - 1);
        const bool addressOk = std::all_of(address.begin(), address.end(),
                                           [](char c) { return isHexDigit(c) || c == ':' || c == '.'; });
        if (!addressOk) return false;
        const std::string_view rest = host.substr(close + 1);
        if (rest.empty()) return true;
        return rest.front() == ':' && isPort(rest.substr(1));
    }
    if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        name = host.substr(0, colon);
        port = host.substr(colon + 1);
        hasPort = true;
    }
    if (name.empty() || name.front() == '.' || name.front() == '-') return false;
    const bool nameOk = std::all_of(name.begin(), name.end(),
                                    [](char c) { return isAsciiLetterOrDigit(c) || c == '-' || c == '.'; });
    return nameOk && (!hasPort || isPort(port));
}

std::optional<std::string> httpsUrl(std::string_view host, std::string_view path) {
    if (!isPlainHostAndPort(host) || path.empty() || path.front() != '/') return std::nullopt;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const char c = path[i];
        if (c == '%') {
            if (i + 2 >= path.size() || !isHexDigit(path[i + 1]) || !isHexDigit(path[i + 2])) return std::nullopt;
            i += 2;
        } else if (!isPlainPathCharacter(c)) {
            return std::nullopt;
        }
    }
    return "https://" + std::string(host) + std::string(path);
}

}  // namespace quorvel
