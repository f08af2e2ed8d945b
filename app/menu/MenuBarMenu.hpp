#pragma once
// The menu-bar menu as data: from a snapshot of what the menu shows to its entries, top to
// bottom. Rebuilt whenever the model changes, so it takes everything it reads as values; it
// lists a bounded number of sessions, so neither a snapshot nor a rebuild grows with the
// session table.
#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/menu/MenuBarAction.hpp"
#include "kit/engine/Session.hpp"
#include "platform/desktop/MenuItem.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {

struct MenuBarMenu {
    /// The most sessions the menu lists, those most in need of the user (a question, then a
    /// failure, a finished run, a run, an idle session; the most recently active first within
    /// each); a last line counts the others.
    static constexpr std::size_t listedSessions = 20;

    /// Whether the agent's settings file holds our hook entries.
    struct HookStatus {
        enum class Kind { installed, problem, notInstalled };
        Kind kind = Kind::notInstalled;
        /// Installed with entries that only record.
        bool recording = false;
        /// Why the settings file can't be used (problem only).
        std::string message;

        bool operator==(const HookStatus&) const = default;
    };

    /// Everything the menu reads of the app's model.
    struct Snapshot {
        /// Any order; the menu lists the `listedSessions` of them most in need of the user,
        /// sorted by display number.
        std::vector<Session> sessions;
        /// How many sessions there are in all, when `sessions` holds only some of them (see
        /// `listed`); a count below the size of `sessions` counts as that size.
        std::size_t sessionCount = 0;
        /// The time the session lines are written for.
        Instant now;
        /// Why the event server isn't running; absent while it runs.
        std::optional<std::string> serverProblem;
        /// Absent until known.
        std::optional<bool> bannersAllowed;
        bool deviceVisible = false;
        bool stripVisible = false;
        bool muted = false;
        HookStatus hookStatus;
        /// The login item is enabled.
        bool launchAtLogin = false;

        bool operator==(const Snapshot&) const = default;
    };

    /// A key the menu shows beside an item, in Qt's portable text form.
    struct Shortcut {
        const char* keys;
        MenuBarAction action;
    };
    /// Every key the menu shows; they work in the app's windows as well.
    static constexpr Shortcut shortcuts[] = {
        {"Ctrl+,", MenuBarAction::showSettings},
        {"Ctrl+Q", MenuBarAction::quit},
    };

    /// The entries of the menu, top to bottom; each clickable one carries the identifier of
    /// its `MenuBarAction`.
    static std::vector<MenuItem> items(const Snapshot& snapshot);

    /// The `listedSessions` of `sessions` most in need of the user (ties by id), for a snapshot.
    static std::vector<Session> listed(const std::unordered_map<std::string, Session>& sessions);

    /// The menu's line for one session among `sessionCount`: its terminal ("TERMINAL 02"
    /// among several), its one-line headline and its detail, joined with " · "; a part that
    /// is empty is left out, so no separator ever dangles.
    static std::string sessionLine(const Session& session, std::size_t sessionCount, Instant now);

    /// The text of the hook-status line.
    static std::string hookStatusText(const HookStatus& status);
};

}  // namespace quorvel
