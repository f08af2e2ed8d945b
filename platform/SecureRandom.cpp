#include "platform/SecureRandom.hpp"

#include <cerrno>
#include <stdexcept>
#include <sys/random.h>

#include <openssl/rand.h>

namespace quorvel::random {

std::optional<std::vector<std::uint8_t>> secureRandomBytes(std::size_t count) {
    std::vector<std::uint8_t> bytes(count);
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t got = ::getrandom(bytes.data() + filled, count - filled, 0);
        if (got < 0) {
            if (errno == EINTR) continue;
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    if (filled == count) return bytes;
    // The kernel call is unavailable (an old kernel or a filter): OpenSSL's generator, which is
    // seeded from the system, is the only other source; nothing weaker is used.
    if (count > static_cast<std::size_t>(INT32_MAX)) return std::nullopt;
    if (RAND_bytes(bytes.data(), static_cast<int>(count)) != 1) return std::nullopt;
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
