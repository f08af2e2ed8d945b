#include "platform/qt/X11WindowActivator.hpp"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include <xcb/xcb.h>

#include "platform/text/UnicodeText.hpp"

namespace quorvel {
namespace {

// The pager source indication: window managers honour such requests without applying their
// focus-stealing rules for applications.
constexpr std::uint32_t sourceIsPager = 2;

struct Connection {
    xcb_connection_t* handle = nullptr;
    ~Connection() {
        if (handle != nullptr) xcb_disconnect(handle);
    }
};

template <typename Reply>
using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t* connection, std::string_view name) {
    const auto cookie = xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.data());
    ReplyPointer<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr), &std::free);
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

struct Property {
    xcb_atom_t type = XCB_ATOM_NONE;
    std::string bytes;
};

// A window's property of any type; absent when the window or property is gone.
std::optional<Property> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name) {
    const auto cookie = xcb_get_property(connection, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 1u << 20);
    ReplyPointer<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection, cookie, nullptr), &std::free);
    if (!reply || reply->type == XCB_ATOM_NONE) return std::nullopt;
    const auto* value = static_cast<const char*>(xcb_get_property_value(reply.get()));
    return Property{reply->type, std::string(value, static_cast<std::size_t>(xcb_get_property_value_length(reply.get())))};
}

std::vector<std::uint32_t> cardinals(const std::optional<Property>& list) {
    std::vector<std::uint32_t> values;
    if (!list) return values;
    values.resize(list->bytes.size() / sizeof(std::uint32_t));
    std::memcpy(values.data(), list->bytes.data(), values.size() * sizeof(std::uint32_t));
    return values;
}

std::string latin1ToUtf8(std::string_view latin1) {
    std::u32string codePoints;
    for (const char byte : latin1) codePoints += static_cast<char32_t>(static_cast<unsigned char>(byte));
    return text::utf8(codePoints);
}

std::vector<std::string> classNames(const std::optional<Property>& wmClass) {
    std::vector<std::string> names;
    if (!wmClass) return names;
    std::string_view rest = wmClass->bytes;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\0');
        if (end != 0) names.push_back(text::lowercased(latin1ToUtf8(rest.substr(0, end))));
        if (end == std::string_view::npos) break;
        rest.remove_prefix(end + 1);
    }
    return names;
}

}  // namespace

Expected<bool, DesktopError> X11WindowActivator::activate(const std::vector<std::string>& classes,
                                                          std::string_view titleContains) {
    const char* wayland = session_.waylandDisplay ? session_.waylandDisplay->c_str() : std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0') {
        return unexpected(DesktopError{"a Wayland session lets no app bring another app's window forward"});
    }
    int screenNumber = 0;
    Connection connection{xcb_connect(session_.display ? session_.display->c_str() : nullptr, &screenNumber)};
    if (xcb_connection_has_error(connection.handle)) {
        return unexpected(DesktopError{"no X11 display to look for windows on"});
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection.handle));
    for (int index = 0; index < screenNumber && screens.rem > 0; ++index) xcb_screen_next(&screens);
    if (screens.rem == 0) return unexpected(DesktopError{"no X11 screen to look for windows on"});
    const xcb_window_t root = screens.data->root;

    xcb_connection_t* const x = connection.handle;
    const xcb_atom_t netSupported = atom(x, "_NET_SUPPORTED");
    const xcb_atom_t netActiveWindow = atom(x, "_NET_ACTIVE_WINDOW");
    const xcb_atom_t netClientList = atom(x, "_NET_CLIENT_LIST");
    const xcb_atom_t netWmName = atom(x, "_NET_WM_NAME");
    const xcb_atom_t utf8String = atom(x, "UTF8_STRING");

    const std::vector<std::uint32_t> supported = cardinals(property(x, root, netSupported));
    if (netActiveWindow == XCB_ATOM_NONE ||
        std::find(supported.begin(), supported.end(), netActiveWindow) == supported.end()) {
        return unexpected(DesktopError{"the window manager doesn't let apps bring windows forward"});
    }

    std::vector<std::string> wanted;
    for (const std::string& name : classes) wanted.push_back(text::lowercased(name));
    const std::string wantedTitle = text::lowercased(titleContains);

    for (const xcb_window_t window : cardinals(property(x, root, netClientList))) {
        const std::vector<std::string> names = classNames(property(x, window, XCB_ATOM_WM_CLASS));
        const bool classMatches = std::any_of(names.begin(), names.end(), [&](const std::string& name) {
            return std::find(wanted.begin(), wanted.end(), name) != wanted.end();
        });
        if (!classMatches) continue;
        if (!wantedTitle.empty()) {
            std::optional<Property> title = property(x, window, netWmName);
            if (!title || title->type != utf8String) {
                title = property(x, window, XCB_ATOM_WM_NAME);
                if (title && title->type == XCB_ATOM_STRING) title->bytes = latin1ToUtf8(title->bytes);
            }
            if (!title || text::lowercased(title->bytes).find(wantedTitle) == std::string::npos) continue;
        }

        xcb_client_message_event_t request{};
        request.response_type = XCB_CLIENT_MESSAGE;
        request.format = 32;
        request.window = window;
        request.type = netActiveWindow;
        request.data.data32[0] = sourceIsPager;
        request.data.data32[1] = XCB_CURRENT_TIME;
        request.data.data32[2] = XCB_WINDOW_NONE;
        xcb_send_event(x, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&request));
        // A round trip, so the request has reached the server before the connection closes.
        ReplyPointer<xcb_get_input_focus_reply_t> sync(
            xcb_get_input_focus_reply(x, xcb_get_input_focus(x), nullptr), &std::free);
        if (!sync) return unexpected(DesktopError{"the X11 display went away"});
        return true;
    }
    return false;
}

}  // namespace quorvel
