#pragma once
// What the system knows about the agent's hook configuration: which events the helper is
// registered for, what one registration looks like, which entries are its own, and how to add
// and remove them. Pure functions from tree to tree: everything that is not the system's own
// entry keeps its place and its exact form, and the input tree is never changed.
//
// Shape of the file: {"hooks": {"<Event>": [ {"matcher": "...", "hooks": [ entry, ... ]}, ...]}}
// with an entry such as {"type": "command", "command": path, "args": [...], "async": true}.
#include <string>
#include <string_view>
#include <vector>

#include "kit/hooks/HookSpec.hpp"
#include "kit/hooks/JSONValue.hpp"
#include "platform/Expected.hpp"

namespace quorvel {

class HookSettingsEditor {
public:
    /// A part of the file whose shape the editor will not touch. `path` names the part:
    /// "The top level", "\"hooks\"" or "\"hooks.<Event>\"".
    struct EditError {
        enum class Kind { notAnObject, notAnArray };
        Kind kind = Kind::notAnObject;
        std::string path;

        static EditError notAnObject(std::string path) { return {Kind::notAnObject, std::move(path)}; }
        static EditError notAnArray(std::string path) { return {Kind::notAnArray, std::move(path)}; }

        /// The user-facing text.
        std::string message() const;

        bool operator==(const EditError&) const = default;
    };

    /// The file name of the installed helper.
    static constexpr std::string_view helperName = "quorvel-hook";

    /// The registrations, in the order new event arrays are added.
    static const std::vector<HookSpec>& hooks();

    /// The tree with the system's entries replaced by fresh ones that run `helperPath` with
    /// `arguments` (empty, or "--capture" for recording).
    static Expected<JSONValue, EditError> install(const JSONValue& root, std::string_view helperPath,
                                                  const std::vector<std::string>& arguments);

    /// The tree without the system's entries (and without groups, events and "hooks" that
    /// held nothing else).
    static Expected<JSONValue, EditError> uninstall(const JSONValue& root);

    /// True when the tree holds at least one entry of the system's.
    static bool isInstalled(const JSONValue& root);

    /// The texts of the first own entry's "args"; empty when there is none.
    static std::vector<std::string> installedArguments(const JSONValue& root);

    /// True for an entry that runs the helper: an object whose first "command" is a string
    /// that, trimmed of white space, is the helper's name or a path ending in "/" + the name.
    static bool isOwnEntry(const JSONValue& entry);
};

}  // namespace quorvel
