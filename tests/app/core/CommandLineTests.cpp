#include "app/core/CommandLine.hpp"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace quorvel
