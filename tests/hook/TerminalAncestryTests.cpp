// The terminal told from the helper's process ancestry, over a made-up /proc.
#include "hook/TerminalAncestry.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <tuple>
#include <utility>
#include <vector>

#include "tests/hook/TempFolder.hpp"

namespace quorvel {
namespace {

/// Processes as (pid, command, parent), written as the kernel writes their stat files.
using Processes = std::vector<std::tuple<int, std::string, int>>;

class TerminalAncestryTest : public ::testing::Test {
protected:
    std::optional<std::string> terminalAbove(int pid, const Processes& processes) {
        std::filesystem::remove_all(proc.path() + "/p");
        for (const auto& [process, command, parent] : processes) {
            const std::string folder = proc.path() + "/p/" + std::to_string(process);
            std::filesystem::create_directories(folder);
            std::ofstream(folder + "/stat") << process << " (" << command << ") S " << parent
                                            << " 4100 4100 34816 4100 4194304 211 0 0 0 1 0\n";
        }
        return terminalOfAncestry(pid, proc.path() + "/p");
    }

    testing::TempFolder proc;
};

TEST_F(TerminalAncestryTest, TheNearestTerminalAboveTheAgentNamesIt) {
    // The helper's parent is the agent's hook shell, then the agent, then the terminal's shell.
    const auto under = [](std::string terminal) {
        return Processes{{500, "sh", 400}, {400, "claude", 300}, {300, "bash", 200}, {200, std::move(terminal), 1}};
    };
    EXPECT_EQ(terminalAbove(500, under("xfce4-terminal")), "xfce4-terminal");
    // gnome-terminal-server, cut to the kernel's 15 bytes.
    EXPECT_EQ(terminalAbove(500, under("gnome-terminal-")), "gnome-terminal");
    EXPECT_EQ(terminalAbove(500, under("wezterm-gui")), "wezterm");
    EXPECT_EQ(terminalAbove(500, under("mate-terminal")), "mate-terminal");
    // A command holding spaces and parentheses is read whole; its parent after the last ")".
    EXPECT_EQ(terminalAbove(500, {{500, "sh", 400}, {400, "my (agent) 2)", 200}, {200, "konsole", 1}}), "konsole");
    // The first terminal met wins: one started from another's shell is the nearer.
    EXPECT_EQ(terminalAbove(500, {{500, "sh", 300}, {300, "xterm", 200}, {200, "xfce4-terminal", 1}}), "xterm");
}

TEST_F(TerminalAncestryTest, AMultiplexerOrARemoteLoginOnTheWayLeavesItUnknown) {
    for (const std::string between : {"tmux: server", "screen", "sshd", "systemd"}) {
        EXPECT_EQ(terminalAbove(500, {{500, "sh", 400}, {400, between, 200}, {200, "xfce4-terminal", 1}}), std::nullopt)
            << between;
    }
    // No terminal at all: the agent started from a desktop launcher, say.
    EXPECT_EQ(terminalAbove(500, {{500, "sh", 400}, {400, "claude", 1}}), std::nullopt);
}

TEST_F(TerminalAncestryTest, TheWalkEndsOnBrokenCyclingOrEndlessChains) {
    EXPECT_EQ(terminalAbove(500, {{500, "sh", 400}}), std::nullopt) << "a parent gone";
    EXPECT_EQ(terminalAbove(500, {{500, "sh", 400}, {400, "sh", 500}}), std::nullopt) << "a cycle";
    Processes chain;
    for (int pid = 1000; pid > 1000 - terminalAncestryStepLimit; --pid) chain.emplace_back(pid, "sh", pid - 1);
    chain.emplace_back(1000 - terminalAncestryStepLimit, "xfce4-terminal", 1);
    EXPECT_EQ(terminalAbove(1000, chain), std::nullopt) << "beyond the step limit";
    chain.erase(chain.begin());
    EXPECT_EQ(terminalAbove(999, chain), "xfce4-terminal") << "at the step limit";
    // A stat file that isn't one.
    std::filesystem::create_directories(proc.path() + "/q/7");
    std::ofstream(proc.path() + "/q/7/stat") << "7 (xfce4-terminal";
    EXPECT_EQ(terminalOfAncestry(7, proc.path() + "/q"), std::nullopt);
    EXPECT_EQ(terminalOfAncestry(0), std::nullopt);
}

}  // namespace
}  // namespace quorvel
