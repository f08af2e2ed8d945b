#pragma once
// Desktop entry files (".desktop"), the freedesktop.org way of describing an application:
// reading the "[Desktop Entry]" group, splitting its command line, writing one safely, and
// finding an installed entry by its identifier.
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

struct DesktopEntry {
    /// The keys of the "[Desktop Entry]" group with their values unescaped; other groups,
    /// comments and malformed lines are left out. A key given twice keeps its first value.
    std::map<std::string, std::string, std::less<>> values;

    /// Reads the text of a desktop entry file; never fails.
    static DesktopEntry parse(std::string_view contents);

    std::optional<std::string> value(std::string_view key) const;
    /// "true" or "false"; absent for anything else.
    std::optional<bool> booleanValue(std::string_view key) const;
    /// The "Exec" key as program and arguments, quoting undone and field codes ("%f", "%U",
    /// ...) left out; absent when there is no "Exec" key, it is malformed or names no program.
    std::optional<std::vector<std::string>> execArguments() const;

    /// `text` as a string value in the file: backslash, line feed, tab and carriage return
    /// become "\\", "\n", "\t" and "\r".
    static std::string escapedValue(std::string_view text);
    /// The value of an "Exec" key that runs `arguments` exactly as given: each argument that
    /// needs it is quoted, "%" is doubled, and the whole line is escaped as a string value.
    static std::string execValue(const std::vector<std::string>& arguments);

    /// The folders searched for applications, most important first: $XDG_DATA_HOME (else
    /// ~/.local/share) then each of $XDG_DATA_DIRS (else /usr/local/share and /usr/share),
    /// each followed by "/applications".
    static std::vector<std::string> applicationFolders();
    /// The path of the installed entry `id` (e.g. "kitty.desktop") in the first folder of
    /// `applicationFolders` that holds it; absent when none does, or the entry found first is
    /// marked hidden (deleted by the user).
    static std::optional<std::string> find(std::string_view id);

    bool operator==(const DesktopEntry&) const = default;
};

}  // namespace quorvel
