#include "platform/qt/PreferredPlatform.hpp"

#include <cstdlib>

namespace quorvel::PreferredPlatform {

bool preferX11() {
    const char* display = std::getenv("DISPLAY");
    const char* chosen = std::getenv("QT_QPA_PLATFORM");
    if (display == nullptr || display[0] == '\0') return false;
    if (chosen != nullptr && chosen[0] != '\0') return false;
    return ::setenv("QT_QPA_PLATFORM", "xcb", 1) == 0;
}

}  // namespace quorvel::PreferredPlatform
