#include "platform/qt/HeadlessPlatform.hpp"

#include <xcb/xcb.h>

#include <cstdlib>
#include <string_view>

namespace quorvel::HeadlessPlatform {
namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

std::string_view valueOf(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string_view() : std::string_view(value);
}

}  // namespace

bool noDisplay() { return !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY"); }

Display probeDisplay() {
    if (!isSet("DISPLAY")) return isSet("WAYLAND_DISPLAY") ? Display::usable : Display::none;
    // The same connection Qt's X11 platform makes first ($DISPLAY, $XAUTHORITY): where it
    // fails, Qt would end the process.
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const bool opened = xcb_connection_has_error(connection) == 0;
    xcb_disconnect(connection);
    return opened ? Display::usable : Display::unreachable;
}

std::string chooseOffscreenWithoutDisplay(Display display) {
    if (display == Display::usable) return {};
    std::string line = "Quorvel: no display found; running without windows.\n";
    if (display == Display::unreachable) {
        line = "Quorvel: the display " + std::string(valueOf("DISPLAY")) + " can't be opened; running without windows.\n";
        ::unsetenv("DISPLAY");
        if (isSet("WAYLAND_DISPLAY")) return {};
    }
    const std::string_view chosen = valueOf("QT_QPA_PLATFORM");
    if (!chosen.empty() && chosen != "xcb") return {};
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return line;
}

bool platformIsWindowless() {
    const std::string_view chosen = valueOf("QT_QPA_PLATFORM");
    return chosen == "offscreen" || chosen == "minimal" || (chosen.empty() && noDisplay());
}

}  // namespace quorvel::HeadlessPlatform
