#include "platform/qt/X11WindowProperties.hpp"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace quorvel::X11WindowProperties {
namespace {

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;

xcb_connection_t* connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const std::string& name) {
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(name.size()), name.c_str()), nullptr));
    return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

std::string atomName(xcb_connection_t* connection, xcb_atom_t value) {
    Reply<xcb_get_atom_name_reply_t> reply(xcb_get_atom_name_reply(connection, xcb_get_atom_name(connection, value), nullptr));
    if (!reply) return {};
    return std::string(xcb_get_atom_name_name(reply.get()), static_cast<std::size_t>(xcb_get_atom_name_name_length(reply.get())));
}

std::vector<std::uint32_t> property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    std::vector<std::uint32_t> values;
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
    if (reply && reply->format == 32 && (type == XCB_GET_PROPERTY_TYPE_ANY || reply->type == type)) {
        const auto* data = static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get()));
        values.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
    }
    return values;
}

std::vector<std::string> atomNames(QWindow& window, const char* propertyName) {
    xcb_connection_t* x = connection();
    if (x == nullptr || window.handle() == nullptr) return {};
    std::vector<std::string> names;
    for (const std::uint32_t value :
         property(x, static_cast<xcb_window_t>(window.winId()), atom(x, propertyName), XCB_ATOM_ATOM)) {
        names.push_back(atomName(x, value));
    }
    return names;
}

/// The states that make a floating panel.
constexpr std::array<const char*, 4> floatingPanelStates{"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY",
                                                         "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};

/// A request about `window` to the window manager, which listens on the root window.
void sendToWindowManager(xcb_connection_t* x, xcb_window_t window, xcb_atom_t type,
                         const std::array<std::uint32_t, 5>& data) {
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(x, xcb_query_tree(x, window), nullptr));
    if (!tree || type == XCB_ATOM_NONE) return;
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(x, 0, tree->root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
}

}  // namespace

bool onX11() { return connection() != nullptr; }

void markFloatingPanel(QWindow& window) {
    xcb_connection_t* x = connection();
    if (x == nullptr) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = atom(x, "_NET_WM_STATE");
    std::vector<std::uint32_t> states = property(x, id, netWmState, XCB_ATOM_ATOM);
    for (const char* name : floatingPanelStates) {
        const xcb_atom_t state = atom(x, name);
        if (state != XCB_ATOM_NONE && std::find(states.begin(), states.end(), state) == states.end()) {
            states.push_back(state);
        }
    }
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                        static_cast<std::uint32_t>(states.size()), states.data());
    const std::uint32_t everywhere = allDesktops;
    xcb_change_property(x, XCB_PROP_MODE_REPLACE, id, atom(x, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL, 32, 1, &everywhere);
    xcb_flush(x);
}

void askForFloatingPanel(QWindow& window) {
    xcb_connection_t* x = connection();
    if (x == nullptr || window.handle() == nullptr) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    const xcb_atom_t netWmState = atom(x, "_NET_WM_STATE");
    // Two states a message; "add", from an application.
    constexpr std::uint32_t add = 1;
    constexpr std::uint32_t fromApplication = 1;
    for (std::size_t first = 0; first < floatingPanelStates.size(); first += 2) {
        sendToWindowManager(x, id, netWmState,
                            {add, atom(x, floatingPanelStates[first]), atom(x, floatingPanelStates[first + 1]),
                             fromApplication, 0});
    }
    sendToWindowManager(x, id, atom(x, "_NET_WM_DESKTOP"), {allDesktops, fromApplication, 0, 0, 0});
    xcb_flush(x);
}

std::vector<std::string> states(QWindow& window) { return atomNames(window, "_NET_WM_STATE"); }

std::vector<std::string> windowTypes(QWindow& window) { return atomNames(window, "_NET_WM_WINDOW_TYPE"); }

std::optional<std::uint32_t> desktop(QWindow& window) {
    xcb_connection_t* x = connection();
    if (x == nullptr || window.handle() == nullptr) return std::nullopt;
    const auto values = property(x, static_cast<xcb_window_t>(window.winId()), atom(x, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL);
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::optional<bool> takesFocus(QWindow& window) {
    xcb_connection_t* x = connection();
    if (x == nullptr || window.handle() == nullptr) return std::nullopt;
    // WM_HINTS: flags, input, ...; the input field counts only with the InputHint flag (1).
    const auto hints = property(x, static_cast<xcb_window_t>(window.winId()), XCB_ATOM_WM_HINTS, XCB_ATOM_WM_HINTS);
    if (hints.size() < 2 || (hints[0] & 1u) == 0) return std::nullopt;
    return hints[1] != 0;
}

bool compositorRunning() {
    xcb_connection_t* x = connection();
    if (x == nullptr) return false;
    // The default screen's number is that of the display name's screen part; Qt opens the
    // display named by $DISPLAY, whose screen is almost always 0.
    int screen = 0;
    if (const char* display = std::getenv("DISPLAY")) {
        if (const char* dot = std::strrchr(display, '.'); dot != nullptr && std::strchr(dot, ':') == nullptr) {
            screen = std::atoi(dot + 1);
        }
    }
    const xcb_atom_t selection = atom(x, "_NET_WM_CM_S" + std::to_string(screen));
    if (selection == XCB_ATOM_NONE) return false;
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(x, xcb_get_selection_owner(x, selection), nullptr));
    return reply && reply->owner != XCB_NONE;
}

}  // namespace quorvel::X11WindowProperties
