#include "kit/engine/ShellFailureText.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

namespace quorvel {
namespace {

TEST(ParseExitCode, TakesTheWholeNumericRun) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::int64_t>>> cases = {
        {std::nullopt, std::nullopt},
        {"Exit code 127\nmore", 127},
        {"Exit code -1", -1},
        {"Exit code 12abc", 12},
        {"Exit code 1-2", std::nullopt},
        {"Exit code -", std::nullopt},
        {"Exit code +5", std::nullopt},
        {"Exit code 1\u0663", std::nullopt},
        {"Exit code \u0663", std::nullopt},
        {"Exit code 1\u00BD", std::nullopt},
        {"Exit code 1\u0301", std::nullopt},
        {"Exit code 9223372036854775807", INT64_MAX},
        {"Exit code 9223372036854775808", std::nullopt},
        {"Exit code1", std::nullopt},
        {"exit code 1", std::nullopt},
        {"Exit code ", std::nullopt},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(parseExitCode(error), expected) << error.value_or("(none)");
    }
}

TEST(SummariseFailureLog, DropsOnlyTheLeadingExitCodeLine) {
    const std::vector<std::pair<std::optional<std::string>, std::optional<std::string>>> cases = {
        {std::nullopt, std::nullopt},
        {"Exit code 1", std::nullopt},
        {"Exit code 1\noutput line\n", "output line"},
        {"Exit code: 2\nExit code 3\nerr", "Exit code 3\nerr"},
        {"first\n\nsecond", "first\n\nsecond"},
        {"  \n\n", std::nullopt},
        {std::string(5000, 'x'), std::string(4000, 'x')},
    };
    for (const auto& [error, expected] : cases) {
        EXPECT_EQ(summariseFailureLog(error), expected) << error.value_or("(none)");
    }
}

}  // namespace
}  // namespace quorvel
