#include "platform/SecureRandom.hpp"

#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <sys/random.h>
#include <unistd.h>

namespace quorvel::random {

namespace {

// Fills `bytes` from `read` (which returns a count or -1 with errno set), retrying on EINTR.
template <typename Read>
bool fill(std::vector<std::uint8_t>& bytes, Read read) {
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const ssize_t got = read(bytes.data() + filled, bytes.size() - filled);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> secureRandomBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    if (fill(bytes, [](std::uint8_t* at, std::size_t size) { return ::getrandom(at, size, 0); })) return bytes;
    // The call is unavailable (a kernel before 3.17, or a seccomp filter): the same kernel
    // generator through its device, never anything weaker.
    const int device = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (device < 0) return std::nullopt;
    const bool read = fill(bytes, [device](std::uint8_t* at, std::size_t size) { return ::read(device, at, size); });
    ::close(device);
    if (!read) return std::nullopt;
    return bytes;
}

std::string makeUuidString() {
    const auto bytes = secureRandomBytes(16);
    if (!bytes) throw std::runtime_error("Couldn't generate a random identifier");
    std::uint8_t uuid[16];
    for (int index = 0; index < 16; ++index) uuid[index] = (*bytes)[static_cast<std::size_t>(index)];
    uuid[6] = static_cast<std::uint8_t>((uuid[6] & 0x0F) | 0x40);  // version 4
    uuid[8] = static_cast<std::uint8_t>((uuid[8] & 0x3F) | 0x80);  // RFC 4122 variant
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(36);
    for (int index = 0; index < 16; ++index) {
        if (index == 4 || index == 6 || index == 8 || index == 10) text += '-';
        text += digits[uuid[index] >> 4];
        text += digits[uuid[index] & 0x0F];
    }
    return text;
}

}  // namespace quorvel::random
