#include "platform/qt/HeadlessPlatform.hpp"

#include <cstdlib>

namespace quorvel::HeadlessPlatform {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool noDisplay() { return !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"); }

bool chooseOffscreenIfNoDisplay() {
    if (!noDisplay() || isSet("QT_QPA_PLATFORM")) return false;
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return true;
}

}  // namespace quorvel::HeadlessPlatform
