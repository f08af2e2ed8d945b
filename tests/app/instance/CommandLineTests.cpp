#include "app/instance/CommandLine.hpp"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "generated/AppVersion.hpp"

namespace quorvel {
namespace {

CommandLine parse(std::vector<const char*> arguments) {
    arguments.insert(arguments.begin(), "quorvel");
    arguments.push_back(nullptr);
    return CommandLine::parse(static_cast<int>(arguments.size()) - 1, arguments.data());
}

TEST(CommandLine, HelpAndVersionAreAnsweredWhereverTheyStand) {
    EXPECT_EQ(parse({"--help"}).action, CommandLine::Action::printUsage);
    EXPECT_EQ(parse({"-h"}).action, CommandLine::Action::printUsage);
    EXPECT_EQ(parse({"--settings", "--version"}).action, CommandLine::Action::printVersion);
    EXPECT_EQ(CommandLine::versionLine(), std::string("quorvel ") + Quorvel::appVersion + "\n");
}

TEST(CommandLine, TheFirstUnknownOptionIsNamedAndNothingAfterItCounts) {
    const CommandLine line = parse({"--finished", "--sttings", "--help"});
    EXPECT_EQ(line.action, CommandLine::Action::refuse);
    EXPECT_EQ(line.unknownOption, "--sttings");
    EXPECT_EQ(CommandLine::unknownOptionLine(line.unknownOption), "quorvel: unknown option '--sttings'\n");
    EXPECT_EQ(parse({"-x"}).unknownOption, "-x");
    // A Qt option's name with a value it doesn't take is no Qt option.
    EXPECT_EQ(parse({"-reverse=1"}).action, CommandLine::Action::refuse);
}

TEST(CommandLine, OurOptionsQtsOptionsAndTheirValuesPass) {
    for (const auto& arguments : std::vector<std::vector<const char*>>{
             {},
             {"--settings"},
             {"--finished"},
             {"--hooks-on"},
             {"--hooks-off"},
             {"--background"},
             {"--render", "device-done", "-out.png"},
             {"--render-sounds", "/tmp/s"},
             {"--render-sounds", "/tmp/s", "0.5"},
             {"-platform", "offscreen", "--settings"},
             {"--platform", "xcb", "-style=fusion", "-reverse", "-qwindowtitle", "-x"},
             {"words", "that", "are", "no", "options"},
             {"--", "--whatever"},
         }) {
        EXPECT_EQ(parse(arguments).action, CommandLine::Action::run) << (arguments.empty() ? "" : arguments.front());
    }
    // The optional volume is not taken when an option follows.
    EXPECT_EQ(parse({"--render-sounds", "/tmp/s", "--bogus"}).unknownOption, "--bogus");
}

TEST(CommandLine, TheUsageNamesEveryOptionOfTheManualPage) {
    const std::string usage = CommandLine::usage();
    for (const char* option : {"--settings", "--finished", "--hooks-on", "--hooks-off", "--render ", "--render-sounds",
                               "--help", "--version"}) {
        EXPECT_NE(usage.find(option), std::string::npos) << option;
    }
    EXPECT_EQ(usage.back(), '\n');
}

// Each long option in `text` (a word that starts with two dashes), without the brackets and bars around it.
std::set<std::string> optionsIn(const std::string& text) {
    std::set<std::string> options;
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        while (!word.empty() && std::string_view("[|,").find(word.front()) != std::string_view::npos) word.erase(0, 1);
        while (!word.empty() && std::string_view("]|,").find(word.back()) != std::string_view::npos) word.pop_back();
        if (word.size() > 2 && word.rfind("--", 0) == 0) options.insert(word);
    }
    return options;
}

TEST(CommandLine, TheUsageLinesNameEveryOptionTheOptionsListNames) {
    const std::string usage = CommandLine::usage();
    const std::size_t listStart = usage.find("Options:\n");
    ASSERT_NE(listStart, std::string::npos);
    const std::string synopsis = usage.substr(0, usage.find("\n\n"));
    std::string listed;
    std::istringstream lines(usage.substr(listStart));
    for (std::string line; std::getline(lines, line);) {
        // An option's line starts with it; its explanation follows two or more spaces later.
        if (line.rfind("  -", 0) == 0) listed += line.substr(0, line.find("  ", 2)) + " ";
    }
    const std::set<std::string> inList = optionsIn(listed);
    const std::set<std::string> inSynopsis = optionsIn(synopsis);
    EXPECT_GE(inList.size(), 9u) << listed;
    for (const std::string& option : inList) EXPECT_TRUE(inSynopsis.count(option)) << option << " is not in\n" << synopsis;
}

}  // namespace
}  // namespace quorvel
