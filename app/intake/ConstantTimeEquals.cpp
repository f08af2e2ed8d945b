#include "app/intake/ConstantTimeEquals.hpp"

namespace quorvel {

bool constantTimeEquals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    // volatile keeps the compiler from turning the loop into an early-exit comparison.
    volatile unsigned char difference = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        difference = difference | static_cast<unsigned char>(a[i] ^ b[i]);
    }
    return difference == 0;
}

}  // namespace quorvel
