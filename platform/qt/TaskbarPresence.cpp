#include "platform/qt/TaskbarPresence.hpp"

#include <QEvent>
#include <QGuiApplication>
#include <QWidget>
#include <QApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/xcb.h>

namespace quorvel {
namespace {

xcb_connection_t* x11Connection() {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t internAtom(xcb_connection_t* connection, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply != nullptr ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(reply);
    return atom;
}

std::vector<xcb_atom_t> windowStates(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t netWmState) {
    std::vector<xcb_atom_t> states;
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, netWmState, XCB_ATOM_ATOM, 0, 1024), nullptr);
    if (reply != nullptr && reply->type == XCB_ATOM_ATOM && reply->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply));
        states.assign(atoms, atoms + xcb_get_property_value_length(reply) / 4);
    }
    std::free(reply);
    return states;
}

xcb_window_t rootOf(xcb_connection_t* connection) {
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

}  // namespace

TaskbarPresence::TaskbarPresence() {
    qApp->installEventFilter(this);
}

TaskbarPresence::~TaskbarPresence() {
    if (qApp != nullptr) qApp->removeEventFilter(this);
}

void TaskbarPresence::setShown(bool shown) {
    if (shown == shown_) return;
    shown_ = shown;
    for (QWindow* window : QGuiApplication::topLevelWindows()) {
        if (window->isVisible() && window->handle() != nullptr) apply(*window, true);
    }
}

void TaskbarPresence::activateApp() {
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    QWidget* front = QApplication::activeWindow();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->isWindow() && widget != front && !(widget->windowFlags() & Qt::Popup)) {
            widget->raise();
            if (front == nullptr) front = widget;
        }
    }
    if (front != nullptr) {
        front->raise();
        front->activateWindow();
    }
}

bool TaskbarPresence::skipsTaskbar(QWindow& window) {
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr || window.handle() == nullptr) return false;
    const xcb_atom_t skip = internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    for (const xcb_atom_t state : windowStates(connection, static_cast<xcb_window_t>(window.winId()),
                                               internAtom(connection, "_NET_WM_STATE"))) {
        if (state == skip) return true;
    }
    return false;
}

bool TaskbarPresence::eventFilter(QObject* watched, QEvent* event) {
    // A window's show event comes before it is mapped: the state set now is the one the
    // window manager reads when it takes the window on.
    if (event->type() == QEvent::Show && watched->isWindowType()) {
        auto* window = static_cast<QWindow*>(watched);
        if (window->parent() == nullptr && window->handle() != nullptr && window->type() != Qt::Popup &&
            window->type() != Qt::ToolTip) {
            apply(*window, false);
        }
    }
    return QObject::eventFilter(watched, event);
}

void TaskbarPresence::apply(QWindow& window, bool mapped) const {
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr) return;
    const auto id = static_cast<xcb_window_t>(window.winId());
    // A tool window (the compact strip) stays out of the taskbar whatever the setting.
    const bool listed = shown_ && window.type() != Qt::Tool;
    const xcb_atom_t netWmState = internAtom(connection, "_NET_WM_STATE");
    const xcb_atom_t skip = internAtom(connection, "_NET_WM_STATE_SKIP_TASKBAR");
    if (netWmState == XCB_ATOM_NONE || skip == XCB_ATOM_NONE) return;

    if (!mapped) {
        // On the window itself, for the window manager to read when it takes the window on.
        std::vector<xcb_atom_t> states = windowStates(connection, id, netWmState);
        std::erase(states, skip);
        if (!listed) states.push_back(skip);
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, netWmState, XCB_ATOM_ATOM, 32,
                            static_cast<std::uint32_t>(states.size()), states.data());
    } else {
        // The state of a window on screen belongs to the window manager: ask it.
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = id;
        message.type = netWmState;
        message.data.data32[0] = listed ? 0 : 1;  // remove, add
        message.data.data32[1] = skip;
        message.data.data32[2] = 0;
        message.data.data32[3] = 1;  // from an application
        xcb_send_event(connection, 0, rootOf(connection),
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
    }
    xcb_flush(connection);
}

}  // namespace quorvel
