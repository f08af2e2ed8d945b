#include "platform/processes/ExecutablePath.hpp"

#include <climits>
#include <unistd.h>
#include <vector>

namespace quorvel::files {

std::string executablePath() {
    std::vector<char> buffer(PATH_MAX);
    while (true) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);  // possibly cut short: try again with more room
    }
}

}  // namespace quorvel::files
