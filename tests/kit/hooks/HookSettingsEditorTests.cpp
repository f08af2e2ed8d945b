#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kit/engine/HookEventKind.hpp"
#include "kit/hooks/HookSettingsEditor.hpp"

namespace quorvel {
namespace {

const std::string helper = "/Users/a/Library/Quorvel/bin/quorvel-hook";

JSONValue parsed(std::string_view text) {
    auto result = JSONValue::parse(text);
    EXPECT_TRUE(result.hasValue()) << text;
    return result ? *result : JSONValue::null();
}

std::string installed(std::string_view file, const std::vector<std::string>& arguments = {}) {
    auto result = HookSettingsEditor::install(parsed(file), helper, arguments);
    EXPECT_TRUE(result.hasValue()) << (result ? "" : result.error().message());
    return result ? result->formatted("  ") : "";
}

std::string uninstalled(std::string_view file) {
    auto result = HookSettingsEditor::uninstall(parsed(file));
    EXPECT_TRUE(result.hasValue()) << (result ? "" : result.error().message());
    return result ? result->formatted("  ") : "";
}

/// The events the installer registers, in the order it adds them.
std::vector<std::string> registeredEvents() {
    std::vector<std::string> names;
    for (const HookSpec& spec : HookSettingsEditor::hooks()) names.push_back(spec.event);
    return names;
}

std::string ownEntry(std::string_view args = "[]") {
    return "{\"type\": \"command\", \"command\": \"" + helper + "\", \"args\": " + std::string(args) +
           ", \"async\": true}";
}

const char* freshInstall = R"({
  "hooks": {
    "SessionStart": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "UserPromptSubmit": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "Stop": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "StopFailure": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "Notification": [
      {
        "matcher": "permission_prompt|elicitation_dialog|elicitation_url_dialog|agent_needs_input|idle_prompt",
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "PostToolUse": [
      {
        "matcher": "Bash",
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "PostToolUseFailure": [
      {
        "matcher": "Bash",
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "async": true
          }
        ]
      }
    ],
    "SessionEnd": [
      {
        "hooks": [
          {
            "type": "command",
            "command": "/Users/a/Library/Quorvel/bin/quorvel-hook",
            "args": [],
            "timeout": 2
          }
        ]
      }
    ]
  }
})";

TEST(HookSettingsEditorTest, FreshInstallIntoAnEmptyObjectHasTheFixedLayout) {
    EXPECT_EQ(installed("{}"), freshInstall);
    EXPECT_EQ(uninstalled(freshInstall), "{}");
    EXPECT_EQ(uninstalled("{}"), "{}");
}

TEST(HookSettingsEditorTest, RecordingPassesCaptureAndAReinstallReplacesTheEntries) {
    const std::string recording = installed("{}", {"--capture"});
    EXPECT_NE(recording.find("\"args\": [\n              \"--capture\"\n            ],"), std::string::npos);
    EXPECT_EQ(HookSettingsEditor::installedArguments(parsed(recording)), std::vector<std::string>{"--capture"});
    // Back to normal mode: the recording entries go, fresh ones come, nothing doubles.
    EXPECT_EQ(installed(recording), freshInstall);
    EXPECT_EQ(installed(freshInstall), freshInstall);
}

TEST(HookSettingsEditorTest, RefusedShapesNameThePart) {
    struct Case {
        std::string file;
        bool installing;
        std::string message;
    };
    const Case cases[] = {
        {"[]", true, "The top level in settings.json isn't a JSON object, so Quorvel won't touch it."},
        {"[]", false, "The top level in settings.json isn't a JSON object, so Quorvel won't touch it."},
        {"\"x\"", false, "The top level in settings.json isn't a JSON object, so Quorvel won't touch it."},
        {"{\"hooks\": \"x\"}", true, "\"hooks\" in settings.json isn't a JSON object, so Quorvel won't touch it."},
        {"{\"hooks\": []}", false, "\"hooks\" in settings.json isn't a JSON object, so Quorvel won't touch it."},
        {"{\"hooks\": {\"Stop\": {}}}", true, "\"hooks.Stop\" in settings.json isn't a list, so Quorvel won't touch it."},
    };
    for (const auto& testCase : cases) {
        const JSONValue root = parsed(testCase.file);
        const auto result = testCase.installing ? HookSettingsEditor::install(root, helper, {})
                                                : HookSettingsEditor::uninstall(root);
        ASSERT_FALSE(result.hasValue()) << testCase.file;
        EXPECT_EQ(result.error().message(), testCase.message) << testCase.file;
    }
    EXPECT_EQ(HookSettingsEditor::install(parsed("{\"hooks\": {\"Stop\": 1}}"), helper, {}).error(),
              HookSettingsEditor::EditError::notAnArray("\"hooks.Stop\""));
    // Uninstalling leaves an event it does not own alone.
    EXPECT_EQ(uninstalled("{\"hooks\": {\"Stop\": {}}}"), "{\n  \"hooks\": {\n    \"Stop\": {}\n  }\n}");
}

TEST(HookSettingsEditorTest, UninstallKeepsForeignEntriesGroupsAndOrder) {
    const std::string file = "{\"model\": \"x\", \"hooks\": {"
                             "\"Stop\": [{\"matcher\": \"m\", \"hooks\": [" + ownEntry() +
                             ", {\"type\": \"command\", \"command\": \"say done\"}], \"extra\": 1}],"
                             "\"PostToolUse\": [{\"matcher\": \"Bash\", \"hooks\": [" + ownEntry() + "]},"
                             " {\"hooks\": [{\"command\": \"lint\"}]}],"
                             "\"Empty\": [],"
                             "\"Odd\": [1, {\"hooks\": 2}, {\"x\": 3}, {\"hooks\": [\"quorvel-hook\"]}]"
                             "}, \"after\": true}";
    EXPECT_EQ(uninstalled(file), R"({
  "model": "x",
  "hooks": {
    "Stop": [
      {
        "matcher": "m",
        "hooks": [
          {
            "type": "command",
            "command": "say done"
          }
        ],
        "extra": 1
      }
    ],
    "PostToolUse": [
      {
        "hooks": [
          {
            "command": "lint"
          }
        ]
      }
    ],
    "Empty": [],
    "Odd": [
      1,
      {
        "hooks": 2
      },
      {
        "x": 3
      },
      {
        "hooks": [
          "quorvel-hook"
        ]
      }
    ]
  },
  "after": true
})");
}

TEST(HookSettingsEditorTest, StripRemovesEmptiedGroupsEventsAndHooks) {
    EXPECT_EQ(uninstalled("{\"a\": 1, \"hooks\": {\"Stop\": [{\"hooks\": [" + ownEntry() + "]}]}}"),
              "{\n  \"a\": 1\n}");
    EXPECT_EQ(uninstalled("{\"hooks\": {}}"), "{\n  \"hooks\": {}\n}");
    EXPECT_EQ(uninstalled("{\"hooks\": {\"Stop\": [{\"hooks\": []}]}}"),
              "{\n  \"hooks\": {\n    \"Stop\": [\n      {\n        \"hooks\": []\n      }\n    ]\n  }\n}");
}

TEST(HookSettingsEditorTest, InstallMovesOnlyWhatHeldNothingButOwnEntries) {
    // "hooks" held only our entries: it is stripped and comes back at the end.
    const std::string onlyOwn = "{\"hooks\": {\"Stop\": [{\"hooks\": [" + ownEntry() + "]}]}, \"model\": \"x\"}";
    const JSONValue moved = parsed(installed(onlyOwn));
    EXPECT_EQ(moved.members()->front().key, "model");
    EXPECT_EQ(moved.members()->back().key, "hooks");

    // "hooks" with a user event stays in place; the user's event keeps its place, our
    // event that held only our group goes to the end; a shared event keeps its place and
    // gets our group last.
    const std::string mixed = "{\"hooks\": {\"Stop\": [{\"hooks\": [" + ownEntry() + "]}],"
                              " \"PreToolUse\": [{\"hooks\": [{\"command\": \"mine\"}]}],"
                              " \"SessionEnd\": [{\"hooks\": [{\"command\": \"bye\"}]}]}, \"model\": \"x\"}";
    const JSONValue result = parsed(installed(mixed));
    EXPECT_EQ(result.members()->front().key, "hooks");
    std::vector<std::string> events;
    for (const auto& member : *result.member("hooks")->members()) events.push_back(member.key);
    std::vector<std::string> expected = {"PreToolUse", "SessionEnd"};
    for (const std::string& name : registeredEvents()) {
        if (name != "SessionEnd") expected.push_back(name);
    }
    EXPECT_EQ(events, expected);
    const auto& sessionEnd = *result.member("hooks")->member("SessionEnd")->elements();
    ASSERT_EQ(sessionEnd.size(), 2u);
    EXPECT_EQ(*sessionEnd[0].member("hooks")->elements()->front().member("command"), JSONValue::string("bye"));
    EXPECT_TRUE(HookSettingsEditor::isOwnEntry(sessionEnd[1].member("hooks")->elements()->front()));
}

TEST(HookSettingsEditorTest, OwnEntryMatchesTheHelperNameAtAPathBoundary) {
    struct Case {
        std::string command;
        bool own;
    };
    const Case cases[] = {
        {"/Users/a/Library/Quorvel/bin/quorvel-hook", true},
        {"  /opt/quorvel-hook\t", true},
        {"\xC2\xA0quorvel-hook\xE2\x80\x83", true},  // no-break space and em space are trimmed
        {"quorvel-hook", true},
        {"/Users/a/bin/my-quorvel-hook", false},
        {"my-quorvel-hook", false},
        {"/opt/quorvel-hook --capture", false},
        {"/opt/quorvel-hook\n", false},  // line breaks are not trimmed
        {"/opt/Quorvel-Hook", false},
        {"/opt/quorvel-hook/", false},
    };
    for (const auto& testCase : cases) {
        const JSONValue entry = JSONValue::object({{"command", JSONValue::string(testCase.command)}});
        EXPECT_EQ(HookSettingsEditor::isOwnEntry(entry), testCase.own) << testCase.command;
    }
    EXPECT_TRUE(HookSettingsEditor::isOwnEntry(parsed("{\"command\": \"\\/x\\/quorvel-hook\"}")));
    EXPECT_FALSE(HookSettingsEditor::isOwnEntry(parsed("{\"command\": 1}")));
    EXPECT_FALSE(HookSettingsEditor::isOwnEntry(parsed("{\"command\": \"x\", \"command\": \"/quorvel-hook\"}")));
    EXPECT_FALSE(HookSettingsEditor::isOwnEntry(parsed("[\"/quorvel-hook\"]")));

    // The user's own hook with a similar name survives an uninstall.
    const std::string file = "{\"hooks\": {\"Stop\": [{\"hooks\": [{\"command\": \"/u/my-quorvel-hook\"}]}]}}";
    EXPECT_EQ(uninstalled(file), parsed(file).formatted("  "));
}

TEST(HookSettingsEditorTest, StatusReadsTheFirstOwnEntry) {
    const auto tree = [](std::string_view firstArgs, std::string_view secondArgs) {
        return parsed("{\"hooks\": {\"A\": 5, \"Stop\": [3, {\"hooks\": [{\"command\": \"other\", \"args\": [\"x\"]}, " +
                      ownEntry(firstArgs) + "]}], \"SessionEnd\": [{\"hooks\": [" + ownEntry(secondArgs) + "]}]}}");
    };
    EXPECT_TRUE(HookSettingsEditor::isInstalled(tree("[]", "[]")));
    EXPECT_EQ(HookSettingsEditor::installedArguments(tree("[\"--capture\", 7]", "[]")),
              std::vector<std::string>{"--capture"});
    EXPECT_TRUE(HookSettingsEditor::installedArguments(tree("{}", "[\"--capture\"]")).empty());
    EXPECT_TRUE(HookSettingsEditor::installedArguments(tree("[]", "[\"--capture\"]")).empty());

    for (const char* file : {"{}", "[]", "{\"hooks\": []}", "{\"hooks\": {\"Stop\": {}}}",
                             "{\"hooks\": {\"Stop\": [{\"hooks\": [{\"command\": \"my-quorvel-hook\"}]}]}}"}) {
        EXPECT_FALSE(HookSettingsEditor::isInstalled(parsed(file))) << file;
        EXPECT_TRUE(HookSettingsEditor::installedArguments(parsed(file)).empty()) << file;
    }
}

TEST(HookSettingsEditorTest, OnlyTheFirstHooksMemberIsReadAndChanged) {
    const std::string file = "{\"hooks\": {}, \"hooks\": {\"Stop\": [{\"hooks\": [" + ownEntry() + "]}]}}";
    EXPECT_FALSE(HookSettingsEditor::isInstalled(parsed(file)));
    EXPECT_EQ(uninstalled(file), parsed(file).formatted("  "));
    const JSONValue result = parsed(installed(file));
    ASSERT_EQ(result.members()->size(), 2u);
    EXPECT_EQ(result.members()->at(0).value.members()->size(), HookSettingsEditor::hooks().size());
    EXPECT_EQ(result.members()->at(1).value, parsed(file).members()->at(1).value);
}

TEST(HookSettingsEditorTest, RegistrationTable) {
    const auto& hooks = HookSettingsEditor::hooks();
    // The agent's own names, in the order of the fixed layout: its settings file holds them.
    const JSONValue fresh = parsed(freshInstall);
    std::vector<std::string> inFreshInstall;
    for (const auto& member : *fresh.member("hooks")->members()) inFreshInstall.push_back(member.key);
    EXPECT_EQ(registeredEvents(), inFreshInstall);
    // The agent waits for SessionEnd alone, and only briefly.
    for (const HookSpec& spec : hooks) {
        if (spec.event == "SessionEnd") {
            EXPECT_EQ(spec, (HookSpec{"SessionEnd", std::nullopt, 2}));
            EXPECT_FALSE(spec.isAsync());
        } else {
            EXPECT_TRUE(spec.isAsync()) << spec.event;
        }
    }
}

// An event the engine tells apart but the agent is never told to send would simply never
// arrive: nothing else fails, the state it drives is just never reached.
TEST(HookSettingsEditorTest, AFreshInstallRegistersEveryEventTheEngineTellsApart) {
    const JSONValue installedTree = parsed(installed("{}"));
    const JSONValue* events = installedTree.member("hooks");
    ASSERT_TRUE(events && events->isObject());
    std::vector<std::string> registered;
    for (const auto& event : *events->members()) registered.push_back(event.key);

    // Every kind before `other`, counted from the enumeration itself, so a kind left out of
    // `namedHookEventKinds` is caught here too.
    std::vector<std::string> told;
    for (int index = 0; index < static_cast<int>(HookEventKind::other); ++index) {
        const auto kind = static_cast<HookEventKind>(index);
        const std::string name(agentNameOf(kind));
        SCOPED_TRACE("kind #" + std::to_string(index) + " " + name);
        ASSERT_FALSE(name.empty()) << "a kind the engine tells apart has the agent's name";
        EXPECT_EQ(hookEventKindNamed(name), kind) << "listed in namedHookEventKinds";
        told.push_back(name);
        EXPECT_EQ(std::count(registered.begin(), registered.end(), name), 1)
            << "the installer's list registers each event the engine tells apart once";
    }
    EXPECT_EQ(told.size(), namedHookEventKinds.size());
    // And nothing else: the helper would run for an event that only refreshes its session.
    for (const std::string& name : registered) {
        EXPECT_NE(hookEventKindNamed(name), HookEventKind::other) << name << " is installed but not told apart";
    }
}

}  // namespace
}  // namespace quorvel
