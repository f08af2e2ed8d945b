#pragma once
// Input, window titles and the window manager on the X display of the test, as a user and a
// pager see them: the
// pointer moved and its button pressed, keys typed (through the XTEST extension, so the
// server delivers them like a real device's, to whichever window has the focus or lies
// under the pointer), and the titles (_NET_WM_NAME) of every window on screen. Its own
// connection to the display in $DISPLAY; free of Qt, so it also watches another process's
// windows.
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvel::testing {

class X11Input {
public:
    /// On `display` ("`:3`"), or the one $DISPLAY names.
    explicit X11Input(const char* display = nullptr) : connection_(xcb_connect(display, nullptr)) {
        if (xcb_connection_has_error(connection_) != 0) return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~X11Input() { xcb_disconnect(connection_); }
    X11Input(const X11Input&) = delete;
    X11Input& operator=(const X11Input&) = delete;

    bool connected() const { return root_ != XCB_NONE; }

    void movePointer(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void pressButton() { fake(XCB_BUTTON_PRESS, 1); }
    void releaseButton() { fake(XCB_BUTTON_RELEASE, 1); }

    /// Presses the keys of `keysyms` in order and releases them in reverse order, as a chord
    /// such as Control_L + q is typed.
    void typeChord(const std::vector<xcb_keysym_t>& keysyms) {
        std::vector<xcb_keycode_t> codes;
        for (const xcb_keysym_t keysym : keysyms) codes.push_back(keycode(keysym));
        for (const xcb_keycode_t code : codes) fake(XCB_KEY_PRESS, code);
        for (auto code = codes.rbegin(); code != codes.rend(); ++code) fake(XCB_KEY_RELEASE, *code);
    }

    /// The _NET_WM_NAME of every viewable window, in the order the tree lists them.
    std::vector<std::string> shownTitles() {
        std::vector<std::pair<std::string, xcb_window_t>> found;
        collectTitles(root_, found);
        std::vector<std::string> titles;
        for (const auto& [title, window] : found) titles.push_back(title);
        return titles;
    }

    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    };

    /// Where the viewable window titled `title` lies on the screen; absent when there is none.
    std::optional<Rect> placeOf(const std::string& title) {
        std::vector<std::pair<std::string, xcb_window_t>> found;
        collectTitles(root_, found);
        for (const auto& [name, window] : found) {
            if (name != title) continue;
            xcb_get_geometry_reply_t* geometry =
                xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, window), nullptr);
            xcb_translate_coordinates_reply_t* onRoot = xcb_translate_coordinates_reply(
                connection_, xcb_translate_coordinates(connection_, window, root_, 0, 0), nullptr);
            std::optional<Rect> place;
            if (geometry != nullptr && onRoot != nullptr) {
                place = Rect{onRoot->dst_x, onRoot->dst_y, geometry->width, geometry->height};
            }
            std::free(geometry);
            std::free(onRoot);
            return place;
        }
        return std::nullopt;
    }

    /// The two parts of the WM_CLASS of the viewable window titled `title` (instance name,
    /// class name); absent when there is no such window or it has no class.
    std::optional<std::pair<std::string, std::string>> windowClassOf(const std::string& title) {
        std::vector<std::pair<std::string, xcb_window_t>> found;
        collectTitles(root_, found);
        for (const auto& [name, window] : found) {
            if (name != title) continue;
            xcb_get_property_reply_t* reply = xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
                nullptr);
            std::optional<std::pair<std::string, std::string>> parts;
            if (reply != nullptr && xcb_get_property_value_length(reply) > 0) {
                // Two NUL-terminated strings, one after the other.
                const std::string value(static_cast<const char*>(xcb_get_property_value(reply)),
                                        static_cast<std::size_t>(xcb_get_property_value_length(reply)));
                const std::size_t end = value.find('\0');
                const std::string instance = value.substr(0, end);
                std::string className = end == std::string::npos ? std::string() : value.substr(end + 1);
                if (!className.empty() && className.back() == '\0') className.pop_back();
                parts = std::make_pair(instance, className);
            }
            std::free(reply);
            return parts;
        }
        return std::nullopt;
    }

    /// True when an EWMH window manager runs on the display.
    bool windowManagerRunning() {
        const xcb_atom_t check = atom("_NET_SUPPORTING_WM_CHECK");
        if (check == XCB_NONE) return false;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, root_, check, XCB_ATOM_WINDOW, 0, 1), nullptr);
        const bool found = reply != nullptr && xcb_get_property_value_length(reply) == 4;
        std::free(reply);
        return found;
    }

    static constexpr xcb_keysym_t controlKey = 0xffe3;
    static constexpr xcb_keysym_t escapeKey = 0xff1b;

private:
    void fake(std::uint8_t type, std::uint8_t detail, int x = 0, int y = 0) {
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, type == XCB_MOTION_NOTIFY ? root_ : XCB_NONE,
                            static_cast<std::int16_t>(x), static_cast<std::int16_t>(y), 0);
        // A round trip: the server has taken the input in before the test goes on.
        std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_keycode_t keycode(xcb_keysym_t keysym) {
        const xcb_setup_t* setup = xcb_get_setup(connection_);
        const int count = setup->max_keycode - setup->min_keycode + 1;
        xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
            connection_, xcb_get_keyboard_mapping(connection_, setup->min_keycode, static_cast<std::uint8_t>(count)),
            nullptr);
        xcb_keycode_t found = 0;
        if (mapping != nullptr) {
            const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
            for (int code = 0; code < count && found == 0; ++code) {
                // The unshifted symbol of each key.
                if (syms[code * mapping->keysyms_per_keycode] == keysym) found = static_cast<xcb_keycode_t>(setup->min_keycode + code);
            }
        }
        std::free(mapping);
        return found;
    }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, static_cast<std::uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t found = reply != nullptr ? reply->atom : XCB_NONE;
        std::free(reply);
        return found;
    }

    void collectTitles(xcb_window_t window, std::vector<std::pair<std::string, xcb_window_t>>& titles) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        if (tree == nullptr) return;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const int count = xcb_query_tree_children_length(tree);
        for (int index = 0; index < count; ++index) {
            const xcb_window_t child = children[index];
            xcb_get_window_attributes_reply_t* attributes =
                xcb_get_window_attributes_reply(connection_, xcb_get_window_attributes(connection_, child), nullptr);
            const bool viewable = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
            std::free(attributes);
            if (!viewable) continue;
            xcb_get_property_reply_t* name = xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, child, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024),
                nullptr);
            if (name != nullptr && xcb_get_property_value_length(name) > 0) {
                titles.emplace_back(std::string(static_cast<const char*>(xcb_get_property_value(name)),
                                                static_cast<std::size_t>(xcb_get_property_value_length(name))),
                                    child);
            }
            std::free(name);
            collectTitles(child, titles);
        }
        std::free(tree);
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = XCB_NONE;
};

}  // namespace quorvel::testing
