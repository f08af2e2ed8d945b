#include "app/menu/MenuBarMenu.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unordered_map>
#include <vector>

#include "app/menu/MenuBarAction.hpp"
#include "app/menu/MenuBarSymbol.hpp"
#include "kit/engine/CopyBook.hpp"

namespace quorvel {
namespace {

using Kind = MenuItem::Kind;
using HookStatus = MenuBarMenu::HookStatus;

const Instant now = Instant::fromUnixSeconds(1'750'000'000);

Session session(std::int64_t number, SessionState state, std::optional<std::string> termProgram = std::nullopt) {
    Session made;
    made.id = "session-" + std::to_string(number);
    made.number = number;
    made.termProgram = std::move(termProgram);
    made.state = std::move(state);
    made.lastEventAt = now;
    return made;
}

/// `session` last active `secondsAgo` before `now`.
Session sessionAt(std::int64_t number, SessionState state, double secondsAgo) {
    Session made = session(number, std::move(state));
    made.lastEventAt = Instant::fromUnixSeconds(now.unixSeconds() - secondsAgo);
    return made;
}

// The menu in a compact form that reads like the menu itself: "text:…", "button:…[action]",
// "toggle:…=on[action]", "---", "submenu:…{…}".
std::vector<std::string> outline(const std::vector<MenuItem>& items) {
    std::vector<std::string> lines;
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case Kind::text: lines.push_back("text:" + item.title); break;
            case Kind::separator: lines.push_back("---"); break;
            case Kind::button:
                lines.push_back("button:" + item.title + "[" + item.action + "]" +
                                (item.shortcut.empty() ? "" : " " + item.shortcut));
                break;
            case Kind::toggle:
                lines.push_back("toggle:" + item.title + (item.checked ? "=on" : "=off") + "[" + item.action + "]");
                break;
            case Kind::submenu: {
                std::string line = "submenu:" + item.title + "{";
                for (const std::string& inner : outline(item.items)) line += inner + ";";
                lines.push_back(line + "}");
                break;
            }
        }
    }
    return lines;
}

std::vector<std::string> outline(const MenuBarMenu::Snapshot& snapshot) { return outline(MenuBarMenu::items(snapshot)); }

// The menu of a crowded `table` as the app builds it, copying only the listed sessions; a
// snapshot that carries the whole table must give the same menu.
std::vector<std::string> crowdedMenu(const std::unordered_map<std::string, Session>& table) {
    MenuBarMenu::Snapshot listed;
    listed.now = now;
    listed.sessions = MenuBarMenu::listed(table);
    listed.sessionCount = table.size();
    EXPECT_EQ(listed.sessions.size(), MenuBarMenu::listedSessions);
    MenuBarMenu::Snapshot whole;
    whole.now = now;
    for (const auto& [id, kept] : table) whole.sessions.push_back(kept);
    const auto lines = outline(listed);
    EXPECT_EQ(outline(whole), lines) << "the menu bounds a whole table itself";
    return lines;
}

const std::string testSubmenu =
    "submenu:Test{button:Simulate Done[simulateDone];button:Simulate Needs you[simulateNeedsYou];"
    "button:Simulate Broke[simulateBroke];button:Simulate Crashed[simulateCrashed];---;"
    "button:Turn on hooks (record only)[installHooksRecording];"
    "button:Open recordings folder[openRecordingsFolder];---;"
    "button:Design sheet\u2026[designSheet];}";

TEST(MenuBarMenu, QuietMenuListsEveryItemInOrder) {
    MenuBarMenu::Snapshot snapshot;
    snapshot.now = now;
    EXPECT_EQ(outline(snapshot), (std::vector<std::string>{
                                     "text:ALL QUIET. NO BABYSITTING.",
                                     "---",
                                     "toggle:Show device=off[showDevice]",
                                     "toggle:Show compact strip=off[showStrip]",
                                     "button:Finished\u2026[showFinished]",
                                     "button:Settings\u2026[showSettings] Ctrl+,",
                                     "button:Set up\u2026[showSetup]",
                                     "toggle:Mute=off[mute]",
                                     "---",
                                     "text:Hooks: off",
                                     "button:Turn on hooks[installHooks]",
                                     "toggle:Start at login=off[launchAtLogin]",
                                     testSubmenu,
                                     "---",
                                     "button:Quit Quorvel[quit] Ctrl+Q",
                                 }));
}

TEST(MenuBarMenu, SwitchesShowTheModelsValues) {
    MenuBarMenu::Snapshot snapshot;
    snapshot.deviceVisible = true;
    snapshot.stripVisible = true;
    snapshot.muted = true;
    snapshot.launchAtLogin = true;
    const auto lines = outline(snapshot);
    for (const char* expected : {"toggle:Show device=on[showDevice]", "toggle:Show compact strip=on[showStrip]",
                                 "toggle:Mute=on[mute]", "toggle:Start at login=on[launchAtLogin]"}) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), expected), lines.end()) << expected;
    }
}

TEST(MenuBarMenu, HookStatusDecidesTheHookLinesAndButtons) {
    struct Case {
        const char* name;
        HookStatus status;
        std::vector<std::string> lines;
    };
    const std::vector<Case> cases = {
        {"off", {HookStatus::Kind::notInstalled, false, ""}, {"text:Hooks: off", "button:Turn on hooks[installHooks]"}},
        {"on", {HookStatus::Kind::installed, false, ""}, {"text:Hooks: on", "button:Turn off hooks[removeHooks]"}},
        {"recording",
         {HookStatus::Kind::installed, true, ""},
         {"text:Hooks: on, recording", "button:Turn on hooks[installHooks]", "button:Turn off hooks[removeHooks]"}},
        {"problem",
         {HookStatus::Kind::problem, false, "The settings file isn't valid JSON."},
         {"text:Hooks: problem with settings file", "text:The settings file isn't valid JSON.",
          "button:Turn off hooks[removeHooks]"}},
    };
    for (const Case& test : cases) {
        MenuBarMenu::Snapshot snapshot;
        snapshot.hookStatus = test.status;
        const auto lines = outline(snapshot);
        // The hook block runs from the second separator to the login switch.
        const auto begin = std::find(lines.begin() + 2, lines.end(), "---") + 1;
        const auto end = std::find(lines.begin(), lines.end(), "toggle:Start at login=off[launchAtLogin]");
        EXPECT_EQ(std::vector<std::string>(begin, end), test.lines) << test.name;
    }
}

TEST(MenuBarMenu, ServerProblemAndBannerRefusalComeBeforeTheFirstSeparator) {
    MenuBarMenu::Snapshot snapshot;
    snapshot.serverProblem = "Couldn't start listening for Claude Code: Address in use";
    snapshot.bannersAllowed = false;
    const auto lines = outline(snapshot);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5),
              (std::vector<std::string>{"text:ALL QUIET. NO BABYSITTING.",
                                        "text:Couldn't start listening for Claude Code: Address in use",
                                        "text:Banners are off for Quorvel",
                                        "button:Turn on banners\u2026[turnOnBanners]", "---"}));
}

TEST(MenuBarMenu, BannerWarningOnlyForAKnownRefusal) {
    for (const std::optional<bool> allowed : {std::optional<bool>(), std::optional<bool>(true)}) {
        MenuBarMenu::Snapshot snapshot;
        snapshot.bannersAllowed = allowed;
        const auto lines = outline(snapshot);
        EXPECT_EQ(lines[1], "---");
    }
}

TEST(MenuBarMenu, SessionsAreListedByDisplayNumber) {
    MenuBarMenu::Snapshot snapshot;
    snapshot.now = now;
    snapshot.sessions = {session(3, SessionState::crashed("Rate limited")), session(1, SessionState::idle()),
                         session(12, SessionState::needsYou("Claude needs your permission to use Bash"))};
    const auto lines = outline(snapshot);
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 4),
              (std::vector<std::string>{"text:TERMINAL 01 \u00B7 ALL QUIET. NO BABYSITTING.",
                                        "text:TERMINAL 03 \u00B7 CRASHED. NOT YOUR FAULT. \u00B7 Rate limited",
                                        "text:TERMINAL 12 \u00B7 OI. NEEDS YOU. \u00B7 Claude needs your permission to use Bash",
                                        "---"}));
}

TEST(MenuBarMenu, ACrowdedTableListsTheMostRecentlyActiveAndCountsTheOthers) {
    // 10,000 sessions, the one numbered n last active n seconds after the first.
    std::unordered_map<std::string, Session> table;
    for (std::int64_t number = 1; number <= 10'000; ++number) {
        const Session made = sessionAt(number, SessionState::idle(), 10'000 - static_cast<double>(number));
        table.emplace(made.id, made);
    }
    const auto lines = crowdedMenu(table);
    std::vector<std::string> expected;
    for (std::int64_t number = 9'981; number <= 10'000; ++number) {
        expected.push_back("text:TERMINAL " + std::to_string(number) + " \u00B7 ALL QUIET. NO BABYSITTING.");
    }
    expected.push_back("text:AND 9980 MORE.");
    expected.push_back("---");
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 22), expected);
}

TEST(MenuBarMenu, ACrowdedTableListsWhoNeedsTheUserBeforeTheBusiest) {
    // 40 running sessions, each more recently active than the next number up; behind them,
    // long quiet, one waiting on the user, one crashed, one broke and one finished.
    std::unordered_map<std::string, Session> table;
    const auto add = [&](const Session& made) { table.emplace(made.id, made); };
    const quorvel::Run run{now, "refactor"};
    for (std::int64_t number = 1; number <= 40; ++number) {
        add(sessionAt(number, SessionState::running(run), static_cast<double>(number)));
    }
    add(sessionAt(41, SessionState::needsYou("Claude needs your permission to use Bash"), 3600));
    add(sessionAt(42, SessionState::crashed("Rate limited"), 3000));
    add(sessionAt(43, SessionState::broke("make", 2), 3300));
    add(sessionAt(44, SessionState::done(std::string("fix the build"), 65.0, std::nullopt), 2000));
    add(sessionAt(45, SessionState::idle(), 0.5));

    // The four that need looking at, then the 16 most recently active runs, by display number.
    const auto lines = crowdedMenu(table);
    std::vector<std::string> expected;
    for (std::int64_t number = 1; number <= 16; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "%02lld", static_cast<long long>(number));
        expected.push_back("text:TERMINAL " + std::string(name) + " \u00B7 GRINDING. GO MAKE A TEA. \u00B7 refactor \u00B7 0s");
    }
    expected.push_back("text:TERMINAL 41 \u00B7 OI. NEEDS YOU. \u00B7 Claude needs your permission to use Bash");
    expected.push_back("text:TERMINAL 42 \u00B7 CRASHED. NOT YOUR FAULT. \u00B7 Rate limited");
    expected.push_back("text:TERMINAL 43 \u00B7 IT BROKE. GO FIX. \u00B7 make \u00B7 exit 2");
    expected.push_back("text:TERMINAL 44 \u00B7 DONE. GO LOOK. \u00B7 fix the build \u00B7 1m 05s");
    expected.push_back("text:AND 25 MORE.");
    expected.push_back("---");
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 22), expected);
}

TEST(MenuBarMenu, TheCountOfTheOthersNeedsOneLeftOutAndIsPlainDecimal) {
    EXPECT_EQ(CopyBook::moreSessions(1), "AND 1 MORE.");
    EXPECT_EQ(CopyBook::moreSessions(999), "AND 999 MORE.");
    EXPECT_EQ(CopyBook::moreSessions(1'234'567), "AND 1234567 MORE.");
    MenuBarMenu::Snapshot exactly;
    for (std::int64_t number = 1; number <= 20; ++number) exactly.sessions.push_back(session(number, SessionState::idle()));
    EXPECT_EQ(outline(exactly)[20], "---");
}

TEST(MenuBarMenu, SessionLineNamesTheTerminalWhenItIsTheOnlyOne) {
    const Session done = session(4, SessionState::done(std::string("fix the build"), 125.0, std::nullopt), "iTerm.app");
    EXPECT_EQ(MenuBarMenu::sessionLine(done, 1, now), "iTerm.app \u00B7 DONE. GO LOOK. \u00B7 fix the build \u00B7 2m 05s");
    EXPECT_EQ(MenuBarMenu::sessionLine(done, 2, now), "TERMINAL 04 \u00B7 DONE. GO LOOK. \u00B7 fix the build \u00B7 2m 05s");
    EXPECT_EQ(MenuBarMenu::sessionLine(session(4, SessionState::idle()), 1, now),
              "TERMINAL \u00B7 ALL QUIET. NO BABYSITTING.");
    // An empty terminal name says as little as a missing one.
    EXPECT_EQ(MenuBarMenu::sessionLine(session(4, SessionState::idle(), ""), 1, now),
              "TERMINAL \u00B7 ALL QUIET. NO BABYSITTING.");
}

TEST(MenuBarMenu, SessionLineNeverEndsInASeparator) {
    // Each of these states has a detail that is present but empty.
    const std::vector<SessionState> states = {
        SessionState::needsYou(""),
        SessionState::crashed(""),
        SessionState::done(std::nullopt, std::nullopt, std::nullopt),
        SessionState::done(std::string(""), std::nullopt, std::string("")),
    };
    for (const SessionState& state : states) {
        const std::string line = MenuBarMenu::sessionLine(session(2, state), 2, now);
        EXPECT_EQ(line, "TERMINAL 02 \u00B7 " + CopyBook::headline(state).oneLine());
        EXPECT_FALSE(line.ends_with(std::string(CopyBook::separator)));
    }
}

TEST(MenuBarMenu, ServerProblemThatIsEmptyShowsNoBlankLine) {
    MenuBarMenu::Snapshot snapshot;
    snapshot.serverProblem = "";
    EXPECT_EQ(outline(snapshot)[1], "---");
}

TEST(MenuBarMenu, EveryActionIdentifierReadsBackAsItsAction) {
    std::vector<MenuItem> clickable;
    const std::function<void(const std::vector<MenuItem>&)> collect = [&](const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
            if (item.kind == Kind::button || item.kind == Kind::toggle) clickable.push_back(item);
            collect(item.items);
        }
    };
    MenuBarMenu::Snapshot snapshot;
    snapshot.bannersAllowed = false;
    snapshot.hookStatus = {HookStatus::Kind::installed, true, ""};
    collect(MenuBarMenu::items(snapshot));
    EXPECT_EQ(clickable.size(), 18u);  // every action once
    for (const MenuItem& item : clickable) {
        const auto action = menuBarActionFromID(item.action);
        ASSERT_TRUE(action) << item.action;
        EXPECT_EQ(menuBarActionID(*action), item.action);
    }
    EXPECT_FALSE(menuBarActionFromID("launchMissiles"));
    EXPECT_EQ(simulatedState(MenuBarAction::simulateNeedsYou), "needsyou");
    EXPECT_EQ(simulatedState(MenuBarAction::simulateDone), "done");
    EXPECT_EQ(simulatedState(MenuBarAction::simulateBroke), "broke");
    EXPECT_EQ(simulatedState(MenuBarAction::simulateCrashed), "crashed");
    EXPECT_FALSE(simulatedState(MenuBarAction::quit));
}

TEST(MenuBarSymbol, FollowsTheFocusSessionsState) {
    const quorvel::Run run{now, "title"};
    const std::vector<std::pair<std::optional<SessionState>, std::string_view>> cases = {
        {std::nullopt, "terminal"},
        {SessionState::idle(), "terminal"},
        {SessionState::running(run), "terminal.fill"},
        {SessionState::longRun(run), "terminal.fill"},
        {SessionState::done(std::nullopt, std::nullopt, std::nullopt), "checkmark.circle"},
        {SessionState::needsYou("?"), "exclamationmark.bubble"},
        {SessionState::broke("make", 2), "xmark.octagon"},
        {SessionState::crashed("x"), "bolt.slash"},
    };
    for (const auto& [state, symbol] : cases) EXPECT_EQ(menuBarSymbol(state), symbol);
}

}  // namespace
}  // namespace quorvel
