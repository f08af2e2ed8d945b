#include "app/menu/MenuBarMenu.hpp"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "app/menu/MenuBarAction.hpp"
#include "kit/engine/CopyBook.hpp"
#include "kit/engine/Quorvel.hpp"
#include "kit/engine/StateMachine.hpp"

namespace quorvel {
namespace {

MenuItem button(std::string title, MenuBarAction action) {
    std::string keys;
    for (const MenuBarMenu::Shortcut& shortcut : MenuBarMenu::shortcuts) {
        if (shortcut.action == action) keys = shortcut.keys;
    }
    return MenuItem::button(std::move(title), std::string(menuBarActionID(action)), std::move(keys));
}

MenuItem toggle(std::string title, MenuBarAction action, bool on) {
    return MenuItem::toggle(std::move(title), std::string(menuBarActionID(action)), on);
}

std::string terminalName(const Session& session, std::size_t sessionCount) {
    if (sessionCount == 1) {
        // An empty name says no more than a missing one.
        if (session.termProgram && !session.termProgram->empty()) return *session.termProgram;
        return "TERMINAL";
    }
    char numbered[32];
    std::snprintf(numbered, sizeof numbered, "TERMINAL %02lld", static_cast<long long>(session.number));
    return numbered;
}

/// Whether `a` is listed before `b` when the menu can't list every session: a question to the
/// user first, then a failure, a finished run, a run, an idle session; the most recently
/// active first within each.
bool moreInNeed(const Session* a, const Session* b) {
    const int aTier = StateMachine::tier(a->state);
    const int bTier = StateMachine::tier(b->state);
    return aTier != bTier ? aTier > bTier : Session::moreRecentlyActive(*a, *b);
}

/// At most `listedSessions` of `sessions`, those most in need of the user.
std::vector<const Session*> mostInNeed(std::vector<const Session*> sessions) {
    if (sessions.size() > MenuBarMenu::listedSessions) {
        const auto end = sessions.begin() + static_cast<std::ptrdiff_t>(MenuBarMenu::listedSessions);
        std::partial_sort(sessions.begin(), end, sessions.end(), moreInNeed);
        sessions.erase(end, sessions.end());
    }
    return sessions;
}

std::vector<MenuItem> testMenu() {
    return {
        button("Simulate Done", MenuBarAction::simulateDone),
        button("Simulate Needs you", MenuBarAction::simulateNeedsYou),
        button("Simulate Broke", MenuBarAction::simulateBroke),
        button("Simulate Crashed", MenuBarAction::simulateCrashed),
        MenuItem::separator(),
        button("Turn on hooks (record only)", MenuBarAction::installHooksRecording),
        button("Open recordings folder", MenuBarAction::openRecordingsFolder),
        MenuItem::separator(),
        button("Design sheet\u2026", MenuBarAction::designSheet),
    };
}

}  // namespace

std::vector<Session> MenuBarMenu::listed(const std::unordered_map<std::string, Session>& sessions) {
    std::vector<const Session*> all;
    all.reserve(sessions.size());
    for (const auto& entry : sessions) all.push_back(&entry.second);
    std::vector<Session> chosen;
    for (const Session* session : mostInNeed(std::move(all))) chosen.push_back(*session);
    return chosen;
}

std::string MenuBarMenu::sessionLine(const Session& session, std::size_t sessionCount, Instant now) {
    return CopyBook::joined({
        terminalName(session, sessionCount),
        CopyBook::headline(session.state).oneLine(),
        CopyBook::detail(session.state, now, std::nullopt),
    });
}

std::string MenuBarMenu::hookStatusText(const HookStatus& status) {
    switch (status.kind) {
        case HookStatus::Kind::installed: return status.recording ? "Hooks: on, recording" : "Hooks: on";
        case HookStatus::Kind::problem: return "Hooks: problem with settings file";
        case HookStatus::Kind::notInstalled: return "Hooks: off";
    }
    return "Hooks: off";
}

std::vector<MenuItem> MenuBarMenu::items(const Snapshot& snapshot) {
    std::vector<MenuItem> items;

    if (snapshot.sessions.empty()) {
        items.push_back(MenuItem::text("ALL QUIET. NO BABYSITTING."));
    } else {
        const std::size_t count = std::max(snapshot.sessionCount, snapshot.sessions.size());
        std::vector<const Session*> sessions;
        for (const Session& session : snapshot.sessions) sessions.push_back(&session);
        sessions = mostInNeed(std::move(sessions));
        std::stable_sort(sessions.begin(), sessions.end(), [](const Session* a, const Session* b) {
            return a->number != b->number ? a->number < b->number : a->id < b->id;
        });
        for (const Session* session : sessions) {
            items.push_back(MenuItem::text(sessionLine(*session, count, snapshot.now)));
        }
        if (count > sessions.size()) items.push_back(MenuItem::text(CopyBook::moreSessions(count - sessions.size())));
    }

    if (snapshot.serverProblem && !snapshot.serverProblem->empty()) {
        items.push_back(MenuItem::text(*snapshot.serverProblem));
    }
    if (snapshot.bannersAllowed == false) {
        items.push_back(MenuItem::text(std::string("Banners are off for ") + Quorvel::displayName));
        items.push_back(button("Turn on banners\u2026", MenuBarAction::turnOnBanners));
    }

    items.push_back(MenuItem::separator());
    items.push_back(toggle("Show device", MenuBarAction::showDevice, snapshot.deviceVisible));
    items.push_back(toggle("Show compact strip", MenuBarAction::showStrip, snapshot.stripVisible));
    items.push_back(button("Finished\u2026", MenuBarAction::showFinished));
    items.push_back(button("Settings\u2026", MenuBarAction::showSettings));
    items.push_back(button("Set up\u2026", MenuBarAction::showSetup));
    items.push_back(toggle("Mute", MenuBarAction::mute, snapshot.muted));

    items.push_back(MenuItem::separator());
    const HookStatus& hooks = snapshot.hookStatus;
    items.push_back(MenuItem::text(hookStatusText(hooks)));
    if (hooks.kind == HookStatus::Kind::problem) items.push_back(MenuItem::text(hooks.message));
    if (hooks.kind == HookStatus::Kind::notInstalled || (hooks.kind == HookStatus::Kind::installed && hooks.recording)) {
        items.push_back(button("Turn on hooks", MenuBarAction::installHooks));
    }
    if (hooks.kind == HookStatus::Kind::installed || hooks.kind == HookStatus::Kind::problem) {
        items.push_back(button("Turn off hooks", MenuBarAction::removeHooks));
    }
    items.push_back(toggle("Start at login", MenuBarAction::launchAtLogin, snapshot.launchAtLogin));
    items.push_back(MenuItem::submenu("Test", testMenu()));

    items.push_back(MenuItem::separator());
    items.push_back(button(std::string("Quit ") + Quorvel::displayName, MenuBarAction::quit));
    return items;
}

}  // namespace quorvel
