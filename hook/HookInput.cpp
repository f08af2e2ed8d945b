#include "hook/HookInput.hpp"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/UnicodeText.hpp"

namespace quorvel {

std::string readStandardInput(int fd, std::size_t cap) {
    constexpr std::size_t chunkBytes = 65536;
    std::string buffer;
    while (buffer.size() < cap) {
        std::size_t wanted = std::min(cap - buffer.size(), chunkBytes);
        std::size_t start = buffer.size();
        buffer.resize(start + wanted);
        ssize_t count;
        do {
            count = ::read(fd, buffer.data() + start, wanted);
        } while (count < 0 && errno == EINTR);
        if (count <= 0) {
            buffer.resize(start);
            break;
        }
        buffer.resize(start + static_cast<std::size_t>(count));
    }
    return buffer;
}

std::optional<json::Json> parseHookInput(std::string_view input) {
    try {
        json::Json value = text::isValidUtf8(input) ? json::parse(input) : json::parse(text::repairedUtf8(input));
        if (value.is_object() || value.is_array()) return value;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

}  // namespace quorvel
