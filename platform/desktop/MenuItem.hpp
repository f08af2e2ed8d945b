#pragma once
// One entry of a menu as plain data: what the desktop's menu shows and which action a click
// sends back. The app describes its menus this way; the Qt layer turns them into real menus.
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct MenuItem {
    enum class Kind {
        /// A line of text that can't be clicked.
        text,
        /// Sends `action` when clicked.
        button,
        /// A switch showing `checked`; a click sends `action` with the flipped value.
        toggle,
        separator,
        /// Opens `items`.
        submenu,
    };

    Kind kind = Kind::text;
    std::string title;
    /// What a click asks for (buttons and toggles); empty for the other kinds.
    std::string action;
    bool checked = false;
    /// Key sequence in Qt's portable text form ("Ctrl+Q"); empty for none.
    std::string shortcut;
    /// The entries of a submenu.
    std::vector<MenuItem> items;

    static MenuItem text(std::string title) { return {Kind::text, std::move(title), {}, false, {}, {}}; }
    static MenuItem button(std::string title, std::string action, std::string shortcut = {}) {
        return {Kind::button, std::move(title), std::move(action), false, std::move(shortcut), {}};
    }
    static MenuItem toggle(std::string title, std::string action, bool on) {
        return {Kind::toggle, std::move(title), std::move(action), on, {}, {}};
    }
    static MenuItem separator() { return {Kind::separator, {}, {}, false, {}, {}}; }
    static MenuItem submenu(std::string title, std::vector<MenuItem> items) {
        return {Kind::submenu, std::move(title), {}, false, {}, std::move(items)};
    }

    bool operator==(const MenuItem&) const = default;
};

}  // namespace quorvel
