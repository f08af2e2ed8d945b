#include <gtest/gtest.h>

#include "kit/engine/TerminalProgram.hpp"
#include "platform/time/Instant.hpp"

namespace quorvel {
namespace {

TEST(TerminalProgram, NamesTheLinuxTerminalsThatSetNoTermProgram) {
    const std::vector<std::pair<HookEvent::Environment, std::string>> cases = {
        {{{"GNOME_TERMINAL_SCREEN", "/org/gnome/Terminal/screen/1"}, {"VTE_VERSION", "7006"}}, "gnome-terminal"},
        {{{"GNOME_TERMINAL_SERVICE", ":1.42"}}, "gnome-terminal"},
        {{{"KONSOLE_VERSION", "221203"}}, "konsole"},
        {{{"COLORTERM", "xfce4-terminal"}, {"VTE_VERSION", "6800"}}, "xfce4-terminal"},
        {{{"TILIX_ID", "4f1c"}, {"VTE_VERSION", "7006"}}, "tilix"},
        {{{"TERMINATOR_UUID", "urn:uuid:1b2c"}, {"VTE_VERSION", "7006"}}, "terminator"},
        // A terminal started from a GNOME Terminal shell inherits its variables, and its own
        // say where the agent really runs.
        {{{"GNOME_TERMINAL_SCREEN", "/org/gnome/Terminal/screen/1"}, {"KONSOLE_VERSION", "221203"}}, "konsole"},
        {{{"GNOME_TERMINAL_SERVICE", ":1.42"}, {"TILIX_ID", "4f1c"}}, "tilix"},
    };
    for (const auto& [environment, expected] : cases) {
        EXPECT_EQ(terminalProgramName(environment), std::optional<std::string>(expected)) << expected;
    }
}

TEST(TerminalProgram, TermProgramWinsAndUnknownTerminalsStayUnknown) {
    EXPECT_EQ(terminalProgramName({{"TERM_PROGRAM", "WezTerm"}, {"KONSOLE_VERSION", "221203"}}), "WezTerm");
    // Set but empty is still the terminal's own word.
    EXPECT_EQ(terminalProgramName({{"TERM_PROGRAM", ""}, {"TILIX_ID", "4f1c"}}), "");

    // VTE_VERSION alone is any of a dozen terminals; a truecolor COLORTERM is most of them.
    EXPECT_FALSE(terminalProgramName({{"VTE_VERSION", "7006"}, {"COLORTERM", "truecolor"}}));
    EXPECT_FALSE(terminalProgramName({{"KONSOLE_VERSION", ""}, {"TILIX_ID", ""}}));
    EXPECT_FALSE(terminalProgramName({}));
}

TEST(TerminalProgram, PayloadMappingNamesTheTerminalFromTheEnvironment) {
    const auto payload = json::parse(R"({"hook_event_name":"Stop","session_id":"s1"})");
    const Instant arrival = Instant::fromUnixSeconds(1700000000);
    EXPECT_EQ(HookEvent::fromPayload(payload, arrival, {{"GNOME_TERMINAL_SCREEN", "/s/1"}})->termProgram,
              "gnome-terminal");
    EXPECT_FALSE(HookEvent::fromPayload(payload, arrival, {{"VTE_VERSION", "7006"}})->termProgram);
}

}  // namespace
}  // namespace quorvel
